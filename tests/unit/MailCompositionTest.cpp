// Composition of the mail text: header fields, charset choice, parts, streaming.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "sender/mail/Cp932Unicode.h"
#include "sender/mail/JapaneseText.h"
#include "sender/mail/MailComposition.h"
#include "tests/support/JoiningReader.h"

namespace zq {
namespace {

namespace fs = std::filesystem;

MailContext Context() {
  MailContext c;
  c.now = {2026, 12, 6, 0, 9, 5, 1, 540};
  c.processId = 4242;
  c.sequence = 1;
  c.computerName = "HOST01";
  return c;
}

MailInputs Inputs(std::string subject, std::string body, std::string attachments = "") {
  MailInputs in;
  in.fromAddress = "zq@example.jp";
  in.recipients = "x; ;y@example.jp";
  in.subject = std::move(subject);
  in.body = std::move(body);
  in.attachments = std::move(attachments);
  return in;
}

const std::string kFixedFields =
    "Date: Sun, 06 Dec 2026 09:05:01 +0900\r\nMIME-Version: 1.0\r\n"
    "Message-ID: <20261206090501.4242.1@example.jp>\r\n";

// The whole text through the source the sender reads piece by piece; "" with `error` set
// when an attachment cannot be opened or read.
std::string Compose(const MailInputs& inputs, std::string* error = nullptr) {
  MailTextSource source(inputs, Context());
  std::string text;
  MessageSource::Status status = source.Open() ? MessageSource::kMore : MessageSource::kError;
  while (status == MessageSource::kMore) status = source.Next(text);
  if (error) *error = source.error();
  return status == MessageSource::kEnd ? text : std::string();
}

TEST(Compose, AsciiSingePartMessage) {
  EXPECT_EQ(Compose(Inputs("abc", "abc")),
            "Subject:abc\r\nFrom:\"\" <zq@example.jp>\r\nTo:x, y@example.jp\r\n" + kFixedFields +
                "Content-Type: text/plain; charset=us-ascii\r\n\r\nabc\r\n");
  // A blank body gives no body text: the message ends with the header's empty line.
  const std::string blank = Compose(Inputs("abc", "   "));
  EXPECT_EQ(blank.substr(blank.size() - 4), "\r\n\r\n");
  EXPECT_EQ(blank.find("   "), std::string::npos);
}

TEST(Compose, JapaneseSubjectChoosesIso2022JpForAnAsciiBody) {
  EXPECT_EQ(Compose(Inputs("週報", "abc")),
            "Subject: =?ISO-2022-JP?B?GyRCPTVKcxsoQg==?=\r\nFrom:\"\" <zq@example.jp>\r\n"
            "To:x, y@example.jp\r\n" +
                kFixedFields + "Content-Type: text/plain; charset=iso-2022-jp\r\n\r\nabc\r\n");
  const std::string japaneseBody = Compose(Inputs("abc", "ｶﾞ"));
  EXPECT_NE(japaneseBody.find("charset=iso-2022-jp\r\n\r\n\x1B$B%,\x1B(B\r\n"), std::string::npos);
}

TEST(Compose, BodyAndFromNameReadBackExactlyInTheirCharset) {
  const std::string head =
      "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n";
  const std::string text = Compose(Inputs("s", "①障害 ～ ｶﾞ\x1B"));
  const std::size_t at = text.find(head);
  ASSERT_NE(at, std::string::npos) << text;
  bool error = false;
  EXPECT_EQ(test::Base64Decoded(text.substr(at + head.size()), error),
            test::Utf8(u8"①障害 ～ ガ?\r\n"));
  EXPECT_FALSE(error);
  EXPECT_NE(Compose(Inputs("s", "障害 ～")).find("charset=iso-2022-jp\r\n\r\n\x1B$B"),
            std::string::npos);
  // A from-name is read back whole, in one charset, beside its address.
  for (const char* name : {"①障害報告 ㈱サンプル情報システム部", "週次 報告 ｼｽﾃﾑ"}) {
    MailInputs in = Inputs("s", "b");
    in.fromName = name;
    const std::string text = Compose(in);
    const std::size_t from = text.find("\r\nFrom:") + 2;
    const test::ReadText read = test::ReadField(text.substr(from, text.find("\r\nTo:") - from));
    std::string expected = name;
    ScanMailText(expected);
    EXPECT_EQ(read.utf8, Utf8OfCp932(expected) + " <zq@example.jp>") << name;
    EXPECT_FALSE(read.error);
  }
}

TEST(Compose, LineBreaksInInputsCannotAddFields) {
  MailInputs in = Inputs("a\r\nBcc: evil@example.com", "b");
  in.fromAddress = "zq@example.jp>\r\nRCPT TO:<evil@example.com";
  in.fromName = "n\r\nX: y";
  in.recipients = "x\r\nBcc: evil@example.com";
  const std::string text = Compose(in);
  const std::string header = text.substr(0, text.find("\r\n\r\n"));
  EXPECT_EQ(header.find("\r\nBcc"), std::string::npos);
  EXPECT_EQ(header.find("\r\nRCPT"), std::string::npos);
  EXPECT_EQ(header.find("\r\nX:"), std::string::npos);
  EXPECT_NE(header.find("Subject:aBcc: evil@example.com\r\n"), std::string::npos);
  EXPECT_EQ(WithoutControlCharacters(std::string("a\0b\x1B$B\tc\x7F", 9)), "ab$B\tc");
}

TEST(Attachments, PathsAndNames) {
  EXPECT_EQ(AttachmentPaths("a.log,C:\\logs\\run.log,"),
            (std::vector<std::string>{"a.log", "C:\\logs\\run.log"}));
  EXPECT_EQ(FileNameOf("C:\\表\\ソ.log"), "ソ.log");  // trail bytes 0x5C are no separators
}

class MultipartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zq compose " +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string File(const std::string& name, const std::string& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  fs::path dir_;
};

TEST_F(MultipartTest, BlankBodyHasNoTextPartAndAnUnreadableFileFails) {
  const std::string text = Compose(Inputs("s", " ", File("a.log", "x")));
  EXPECT_EQ(text.find("charset=iso-2022-jp"), std::string::npos);
  std::string error;
  EXPECT_EQ(Compose(Inputs("s", "b", (dir_ / "missing.log").string()), &error), "");
  EXPECT_NE(error.find("missing.log"), std::string::npos);
  // A file that opens but cannot be read (a directory here) fails too, never sends nothing.
  EXPECT_EQ(Compose(Inputs("s", "b", dir_.string()), &error), "");
  EXPECT_NE(error.find("読めません"), std::string::npos);
}

TEST_F(MultipartTest, FilePartsAreShiftJisTextNamedInBothForms) {
  EXPECT_NE(Compose(Inputs("s", "b", File("a.log", "x")))
                .find("Content-Type: text/plain; charset=Shift_JIS;\r\n name=\"a.log\"\r\n"
                      "Content-Disposition: attachment;\r\n filename=\"a.log\"\r\n"
                      "Content-Transfer-Encoding: base64\r\n\r\neA==\r\n"),
            std::string::npos);
  const std::string text = Compose(Inputs("s", "b", File("週報①.log", "x")));
  EXPECT_NE(text.find("Content-Type: text/plain; charset=Shift_JIS;\r\n"
                      " name*0*=UTF-8''%E9%80%B1%E5%A0%B1%E2%91%A0.log;\r\n"
                      " name=\"=?UTF-8?B?6YCx5aCx4pGgLmxvZw==?=\"\r\n"
                      "Content-Disposition: attachment;\r\n"
                      " filename*0*=UTF-8''%E9%80%B1%E5%A0%B1%E2%91%A0.log;\r\n"
                      " filename=\"=?UTF-8?B?6YCx5aCx4pGgLmxvZw==?=\"\r\n"),
            std::string::npos)
      << text;
}

}  // namespace
}  // namespace zq

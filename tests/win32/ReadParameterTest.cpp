// Reading the report parameter file through the platform's profile reader: values of any
// length, and what the console's builder writes read back key by key by the sender.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/ReportContract.h"
#include "console/report/ReportParameters.h"
#include "sender/ReportRun.h"
#include "sender/basPelmora.h"
#include "tests/win32/TempDir.h"

namespace zq {
namespace {

class ReadParameterTest : public ::testing::Test {
 protected:
  void Write(const std::string& body) { test::WriteFileBytes(file_, body); }
  std::string Read(const char* key) { return ReadParameter(file_, kParameterSection, key); }

  test::TempDir dir_;
  std::string file_ = dir_.File("r.ini");
};

TEST_F(ReadParameterTest, LongValuesArriveWhole) {
  for (const std::size_t length : {254u, 255u, 256u, 300u, 511u, 5000u}) {
    std::string command = "echo ";
    while (command.size() + 2 <= length) command += "表";  // trail byte 0x5C
    command.resize(length, 'x');
    Write("[zqPelmora.exe]\r\nCmd1=\"" + command + "\"\r\nCmd2=" + command + "\r\n");
    EXPECT_TRUE(Read("Cmd1") == command) << length;
    EXPECT_TRUE(Read("Cmd2") == command) << length;
  }
}

TEST_F(ReadParameterTest, WhatTheConsoleWritesTheSenderReadsForEveryKey) {
  ReportPanel panel;
  panel.sections = {true, true, true, true};
  panel.eventLogs = {true, false, true};
  panel.days = " 7 ";
  panel.service = 2;
  // Blanks around values are trimmed; a blank-only command is written empty.
  panel.commands = {"echo 表示 \"quoted\"", "\"C:\\a b\\x.cmd\" & echo ; ", "   ",
                    "x\r\n[zqPelmora.exe]\r\nSmtpTo=evil@example.com", "echo ソ="};
  panel.mail = {" smtp.example.jp ", "587", "zq@example.jp", "a@example.jp; b@example.jp",
                "\"週報\""};
  panel.security = {"STARTTLS", "ユーザー", "cHJvdGVjdGVk", "C:\\ca 表.pem"};
  panel.retryMinutes = " 30 ";
  panel.relay2 = {" relay2.example.jp\r\nSmtpServer=evil ", ""};
  panel.oauth = {"OAUTH2",
                 "https://login.example/t/oauth2/v2.0/token",
                 "c1",
                 "s o",
                 "c2VjcmV0",
                 "C:\\keys\\鍵.pem",
                 "user@example.jp"};
  Write(BuildParameterText(panel, "C:\\zq", "2026/12/08 0:00:00"));
  RunValues read = ReadRunValues([&](const char* key) { return Read(key); });
  const std::array<std::string, kReportKeyCount> expected = {
      "SA",
      "7",
      kServiceWords[2],
      "echo 表示 \"quoted\"",
      "\"C:\\a b\\x.cmd\" & echo ;",
      "",
      "x  [zqPelmora.exe]  SmtpTo=evil@example.com",  // a line break cannot start a key
      "echo ソ=",
      "smtp.example.jp",
      "587",
      "zq@example.jp",
      "a@example.jp; b@example.jp",
      "\"週報\"",
      kSecurityWords[1],
      "ユーザー",
      "cHJvdGVjdGVk",
      "C:\\ca 表.pem",
      "30",
      "relay2.example.jp  SmtpServer=evil",
      "",
      "OAUTH2",
      "https://login.example/t/oauth2/v2.0/token",
      "c1",
      "s o",
      "c2VjcmV0",
      "C:\\keys\\鍵.pem",
      "user@example.jp"};
  std::string* values[] = {
      &read.event,       &read.eventDays,        &read.service,       &read.commands[0],
      &read.commands[1], &read.commands[2],      &read.commands[3],   &read.commands[4],
      &read.smtpServer,  &read.smtpPort,         &read.smtpFrom,      &read.smtpTo,
      &read.smtpSubject, &read.smtpSecurity,     &read.smtpUser,      &read.smtpPassword,
      &read.smtpCaFile,  &read.smtpRetryMinutes, &read.smtpServer2,   &read.smtpPort2,
      &read.smtpAuth,    &read.oauthTokenUrl,    &read.oauthClientId, &read.oauthScope,
      &read.oauthSecret, &read.oauthKeyFile,     &read.oauthSubject};
  static_assert(std::size(values) == kReportKeyCount);
  for (int key = 0; key < kReportKeyCount; ++key) {
    EXPECT_TRUE(*values[key] == expected[key]) << kReportKeys[key] << ": " << *values[key];
  }
  // Sections left out write no key at all.
  Write(BuildParameterText(ReportPanel{}, "C:\\zq", "2026/12/08 0:00:00"));
  for (const char* key : kReportKeys) EXPECT_EQ(Read(key), "") << key;
}

}  // namespace
}  // namespace zq

// Fuzz target for the SMTP dialogue: arbitrary server bytes in arbitrary segments. Checks
// that commands leave only in protocol order, only QUIT is queued after the outcome, success
// comes only from a 250 to an end line already handed over, and the dialogue always ends. The same
// bytes, taken as message text in the same segments, must give the DATA form of the whole
// text: CR LF lines only, every line starting with "." doubled, one end line. A broken rule
// aborts.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sender/mail/SmtpDialogue.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// A command line: exactly one CR LF, at its end.
bool IsOneLine(std::string_view command) {
  return command.size() >= 2 && command.find('\r') == command.size() - 2 &&
         command.find('\n') == command.size() - 1;
}

// Checks the DATA form of `text` fed in the segments the input describes.
void CheckDataForm(std::string_view input) {
  std::string whole, pieces, text;
  zq::SmtpDataEncoder one, many;
  for (std::size_t at = 0; at < input.size();) {
    const std::size_t length = 1 + static_cast<unsigned char>(input[at++]) % 64;
    const std::string_view piece = input.substr(at, length);
    many.Append(piece, pieces);
    text.append(piece);
    at += length;
  }
  one.Append(text, whole);
  one.Finish(whole);
  many.Finish(pieces);
  Require(whole == pieces);
  Require(whole.size() >= 5 && whole.compare(whole.size() - 5, 5, "\r\n.\r\n") == 0);
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (whole[i] == '\r') Require(i + 1 < whole.size() && whole[i + 1] == '\n');
    if (whole[i] == '\n') Require(i > 0 && whole[i - 1] == '\r');
    const bool lineStart = i == 0 || whole[i - 1] == '\n';
    // A line starting with "." is doubled, except the end line itself.
    if (lineStart && whole[i] == '.' && i + 3 != whole.size()) {
      Require(i + 1 < whole.size() && whole[i + 1] == '.');
      ++i;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  zq::SmtpDialogue dialogue("PC\r\n01", "from@x", "a@x;b@x");
  const std::string_view order[] = {"HELO PC01\r\n",     "MAIL FROM:<from@x>\r\n",
                                    "RCPT TO:<a@x>\r\n", "RCPT TO:<b@x>\r\n",
                                    "DATA\r\n",          "\r\n.\r\n",
                                    "QUIT\r\n"};
  std::size_t commands = 0;
  bool ended = false, handedOver = false;
  std::string lastReply, text;
  // The first input byte says whether the end line reaches the socket before the next reply.
  const bool handOverNow = size > 0 && (data[0] & 1) != 0;

  auto check = [&] {
    for (const zq::SmtpNotice& notice : dialogue.TakeNotices()) {
      Require(!ended || notice.kind == zq::SmtpNotice::kReply ||
              notice.kind == zq::SmtpNotice::kCommand);
      switch (notice.kind) {
        case zq::SmtpNotice::kReply:
          lastReply = notice.text;
          break;
        case zq::SmtpNotice::kCommand:
          if (notice.text == "QUIT\r\n") {  // only once the outcome is known
            Require(ended && dialogue.decided());
            break;
          }
          Require(!ended && commands < 6 && notice.text == order[commands]);
          Require(commands == 5 || IsOneLine(notice.text));
          ++commands;
          break;
        case zq::SmtpNotice::kStartTls:  // a plain dialogue never asks for TLS
          Require(false);
          break;
        case zq::SmtpNotice::kMessage:
          Require(commands == 5);
          dialogue.AddMessageText("Subject: x\r\n\r\n.dot\r\n.\r\nlast", text);
          dialogue.EndMessage();
          break;
        case zq::SmtpNotice::kFailed:
          Require(dialogue.decided() && dialogue.result() >= 5 && dialogue.result() <= 11);
          Require(StartsWith(notice.text, "SMTPエラー: "));
          ended = true;
          break;
        case zq::SmtpNotice::kSent:
          Require(commands == 6 && StartsWith(lastReply, "250") && handedOver);
          Require(dialogue.decided() && dialogue.result() == zq::kMailSent);
          ended = true;
          break;
      }
    }
    std::string output;
    dialogue.TakeOutput(output);
    if (ended) Require(output.empty() || output == "QUIT\r\n");
    // The end line is handed over once queued; a reply before that can never succeed.
    if (dialogue.phase() == zq::SmtpDialogue::Phase::kEndOfMessage && !handedOver &&
        output.find("\r\n.\r\n") != std::string::npos && handOverNow) {
      dialogue.EndHandedOver();
      handedOver = true;
    }
  };

  // Each segment: one length byte (1..64), then that many server bytes.
  for (std::size_t at = 0; at < input.size();) {
    const std::size_t length = 1 + static_cast<unsigned char>(input[at++]) % 64;
    dialogue.Receive(input.substr(at, length));
    at += length;
    check();
  }
  check();  // what the last reply queued (the end of the message) is taken as well
  dialogue.Abort(zq::kMailClosedByServer);  // the server closes after its last byte
  Require(dialogue.finished());
  dialogue.Receive("250 late\r\n");
  std::string late;
  dialogue.TakeOutput(late);
  Require(dialogue.TakeNotices().empty() && late.empty());
  CheckDataForm(input);
  return 0;
}

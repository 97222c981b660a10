// The SMTP dialogue's wire forms: the capability lines of an EHLO reply, and message text
// in its dot-stuffed DATA form.
#include <utility>
#include <vector>

#include "common/Cp932.h"
#include "sender/mail/SmtpDialogue.h"

namespace zq {
namespace {

constexpr std::string_view kCrLf = "\r\n";

}  // namespace

void ReadCapability(std::string_view text, SmtpCapabilities& caps) {
  std::vector<std::string> words;
  std::string word;
  for (const char c : Cp932AsciiUpper(text) + " ") {
    if (c == ' ' || c == '=' || c == '\r' || c == '\n' || c == '\t') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += c;
    }
  }
  if (words.empty()) return;
  if (words[0] == "STARTTLS") caps.startTls = true;
  if (words[0] != "AUTH") return;
  for (std::size_t i = 1; i < words.size(); ++i) {
    caps.authPlain = caps.authPlain || words[i] == "PLAIN";
    caps.authLogin = caps.authLogin || words[i] == "LOGIN";
    caps.authXOAuth2 = caps.authXOAuth2 || words[i] == "XOAUTH2";
  }
}

// One pass over the text: runs of bytes that need no change (CR LF lines included) are
// copied whole; only a "." at a line start, a bare CR or LF, and a CR at the end of a piece
// (whose LF may start the next piece) interrupt a run.
void SmtpDataEncoder::Append(std::string_view text, std::string& out) {
  const char* const p = text.data();
  const std::size_t n = text.size();
  std::size_t i = 0;
  if (pendingCr_ && n > 0) {
    pendingCr_ = false;
    out.append(kCrLf);
    atLineStart_ = true;
    if (p[0] == '\n') i = 1;
  }
  std::size_t run = i;  // start of the bytes not yet copied
  while (i < n) {
    if (atLineStart_ && p[i] == '.') {
      out.append(p + run, i - run);
      out.push_back('.');
      run = i;
    }
    atLineStart_ = false;
    std::size_t j = i;
    while (j < n && p[j] != '\r' && p[j] != '\n') ++j;
    if (j == n) break;
    if (p[j] == '\r' && j + 1 < n && p[j + 1] == '\n') {  // CR LF stays in the run
      i = j + 2;
      atLineStart_ = true;
      continue;
    }
    out.append(p + run, j - run);
    if (p[j] == '\r' && j + 1 == n) {  // decided by the next piece
      pendingCr_ = true;
      return;
    }
    out.append(kCrLf);  // a bare CR or LF
    i = run = j + 1;
    atLineStart_ = true;
  }
  out.append(p + run, n - run);
}

void SmtpDataEncoder::Finish(std::string& out) {
  if (pendingCr_ || !atLineStart_) out.append(kCrLf);
  pendingCr_ = false;
  atLineStart_ = true;
  out.append("\r\n.\r\n");
}

}  // namespace zq

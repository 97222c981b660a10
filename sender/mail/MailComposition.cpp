// Message composition.
#include "sender/mail/MailComposition.h"

#include <algorithm>
#include <cstdio>

#include "common/Cp932.h"
#include "common/StdFile.h"
#include "sender/mail/AttachmentName.h"
#include "sender/mail/Cp932Unicode.h"
#include "sender/mail/HeaderField.h"
#include "sender/mail/JapaneseText.h"

namespace zq {
namespace {

constexpr std::string_view kCrLf = "\r\n";

std::string TwoDigits(int value) {
  char text[16];
  std::snprintf(text, sizeof(text), "%02d", value);
  return text;
}

bool IsHostName(std::string_view name) {
  if (name.empty() || name.size() > 255) return false;
  for (const char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '.' || c == '_';
    if (!ok) return false;
  }
  return name.front() != '.' && name.back() != '.';
}

bool IsBlankText(std::string_view text) { return TrimBlanks(text).empty(); }

// The body as it is sent: half-width katakana widened, stray single bytes and ESC as "?".
std::string NormalisedBody(std::string_view body) {
  const std::string widened = WidenHalfWidthKana(body);
  std::string text;
  text.reserve(widened.size());
  for (std::size_t pos = 0; pos < widened.size();) {
    const std::size_t length = Cp932CharLength(widened, pos);
    const auto b = static_cast<unsigned char>(widened[pos]);
    if (length == 2) {
      text.append(widened, pos, 2);
    } else {
      text += b < 0x80 && b != 0x1B ? widened[pos] : '?';
    }
    pos += length;
  }
  return text;
}

// The fields and text of the body: ISO-2022-JP (7bit) when it carries the body exactly, else
// UTF-8 in base64. `japanese` chooses iso-2022-jp over us-ascii for an ASCII body.
std::string BodyPart(std::string_view body, bool japanese) {
  const std::string text = IsBlankText(body) ? std::string() : NormalisedBody(body);
  if (!IsJisX0208Text(text)) {
    std::string part =
        "Content-Type: text/plain; charset=UTF-8\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\n";
    Base64LineEncoder encoder;
    encoder.Feed(Utf8OfCp932(text) + "\r\n", part);
    encoder.Finish(part);
    return part;
  }
  const bool ascii = std::all_of(text.begin(), text.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  std::string part = japanese || !ascii ? "Content-Type: text/plain; charset=iso-2022-jp"
                                        : "Content-Type: text/plain; charset=us-ascii";
  part.append(kCrLf).append(kCrLf);
  if (!text.empty()) part.append(ToIso2022Jp(text)).append(kCrLf);
  return part;
}

// The From value: the name in quotes, or as encoded words when it holds Japanese.
std::string FromValue(std::string_view name, std::string_view address) {
  const std::string bracketed = "<" + std::string(address) + ">";
  if (NeedsEncodedWords(name)) return std::string(name) + " " + bracketed;
  return "\"" + std::string(name) + "\" " + bracketed;
}

// The recipients as an address list.
std::string ToValue(std::string_view recipients) {
  std::string list;
  for (const std::string& address : RecipientsOf(recipients)) {
    if (!list.empty()) list += ", ";
    list += address;
  }
  return list;
}

// Subject, From, To, Date, MIME-Version and Message-ID fields, encoded and folded.
std::string HeaderLines(const MailInputs& inputs, const MailContext& context) {
  const std::string from = WithoutControlCharacters(inputs.fromAddress);
  std::string h = HeaderField("Subject", WithoutControlCharacters(inputs.subject));
  h += HeaderField("From", FromValue(WithoutControlCharacters(inputs.fromName), from));
  h += HeaderField("To", ToValue(WithoutControlCharacters(inputs.recipients)));
  h += "Date: " + Rfc5322Date(context.now) + std::string(kCrLf);
  h += "MIME-Version: 1.0" + std::string(kCrLf);
  h += "Message-ID: " + MessageId(context, from) + std::string(kCrLf);
  return h;
}

bool HeaderHoldsJapanese(const MailInputs& inputs) {
  for (const std::string* value : {&inputs.subject, &inputs.fromName, &inputs.recipients}) {
    std::string text = *value;
    if (ScanMailText(text)) return true;
  }
  return false;
}

std::string Delimiter() { return "--" + std::string(kMimeBoundary) + std::string(kCrLf); }

std::string SinglePartHead(const MailInputs& inputs, const MailContext& context) {
  return HeaderLines(inputs, context) + BodyPart(inputs.body, HeaderHoldsJapanese(inputs));
}

std::string MultipartHead(const MailInputs& inputs, const MailContext& context) {
  std::string head = HeaderLines(inputs, context);
  head += "Content-type: multipart/mixed; boundary=\"" + std::string(kMimeBoundary) + "\"";
  head.append(kCrLf).append(kCrLf);
  if (!IsBlankText(inputs.body)) head += Delimiter() + BodyPart(inputs.body, true);
  return head;
}

// The fields of a file part. The report log is CP932 text.
std::string FilePartHeader(std::string_view fileName) {
  std::string h = "Content-Type: text/plain; charset=Shift_JIS;";
  h += "\r\n " + AttachmentNameParameters("name", fileName) + "\r\n";
  h += "Content-Disposition: attachment;";
  h += "\r\n " + AttachmentNameParameters("filename", fileName) + "\r\n";
  h += "Content-Transfer-Encoding: base64\r\n\r\n";
  return h;
}

}  // namespace

std::string Rfc5322Date(const MailTime& t) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const int offset = t.offsetMinutes < 0 ? -t.offsetMinutes : t.offsetMinutes;
  std::string date = kDays[((t.weekday % 7) + 7) % 7];
  date += ", " + TwoDigits(t.day) + " " + kMonths[((t.month - 1) % 12 + 12) % 12] + " " +
          std::to_string(t.year) + " " + TwoDigits(t.hour) + ":" + TwoDigits(t.minute) + ":" +
          TwoDigits(t.second) + " " + (t.offsetMinutes < 0 ? "-" : "+") +
          TwoDigits(offset / 60 % 100) + TwoDigits(offset % 60);
  return date;
}

std::string MessageId(const MailContext& context, std::string_view fromAddress) {
  const MailTime& t = context.now;
  std::string host = "localhost";
  const auto at = fromAddress.rfind('@');
  if (at != std::string_view::npos && IsHostName(fromAddress.substr(at + 1))) {
    host = std::string(fromAddress.substr(at + 1));
  } else if (IsHostName(context.computerName)) {
    host = context.computerName;
  }
  return "<" + std::to_string(t.year) + TwoDigits(t.month) + TwoDigits(t.day) + TwoDigits(t.hour) +
         TwoDigits(t.minute) + TwoDigits(t.second) + "." + std::to_string(context.processId) + "." +
         std::to_string(context.sequence) + "@" + host + ">";
}

std::vector<std::string> AttachmentPaths(std::string_view attachments) {
  std::vector<std::string> paths;
  std::size_t pos = 0;
  while (pos <= attachments.size()) {
    std::size_t comma = attachments.find(',', pos);  // never a CP932 trail byte
    if (comma == std::string_view::npos) comma = attachments.size();
    const std::string_view path = attachments.substr(pos, comma - pos);
    if (!path.empty()) paths.emplace_back(path);
    pos = comma + 1;
  }
  return paths;
}

std::string FileNameOf(std::string_view path) {
  const std::size_t separator = Cp932FindLast(path, "\\/");
  return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

MailTextSource::MailTextSource(const MailInputs& inputs, const MailContext& context)
    : paths_(AttachmentPaths(inputs.attachments)) {
  head_ = paths_.empty() ? SinglePartHead(inputs, context) : MultipartHead(inputs, context);
}

bool MailTextSource::Open() {
  for (const auto& path : paths_) {
    if (!OpenStdFile(path, "rb")) {
      error_ = "添付ファイルを開けません: " + path;
      return false;
    }
  }
  return true;
}

MailTextSource::Status MailTextSource::Next(std::string& out) {
  switch (step_) {
    case Step::kHead:
      out += head_;
      head_.clear();
      head_.shrink_to_fit();
      step_ = paths_.empty() ? Step::kDone : Step::kPartHeader;
      return step_ == Step::kDone ? kEnd : kMore;
    case Step::kPartHeader: {
      const std::string& path = paths_[index_];
      out += Delimiter();
      out += FilePartHeader(FileNameOf(path));
      file_ = std::make_unique<FileBase64Stream>();
      if (!file_->Open(path)) {
        error_ = "添付ファイルを開けません: " + path;
        return kError;
      }
      step_ = Step::kPartBody;
      return kMore;
    }
    case Step::kPartBody:
      switch (file_->Next(out)) {
        case FileBase64Stream::kMore:
          return kMore;
        case FileBase64Stream::kError:
          error_ = "添付ファイルを読めません: " + paths_[index_];
          return kError;
        case FileBase64Stream::kEnd:
          break;
      }
      file_.reset();
      step_ = Step::kPartEnd;
      return kMore;
    case Step::kPartEnd:
      out.append(kCrLf);
      ++index_;
      if (index_ == paths_.size()) {
        out += "--" + std::string(kMimeBoundary) + "--";
        out.append(kCrLf);
        step_ = Step::kDone;
        return kEnd;
      }
      out += Delimiter();
      step_ = Step::kPartHeader;
      return kMore;
    case Step::kDone:
      return kEnd;
  }
  return kEnd;
}

}  // namespace zq

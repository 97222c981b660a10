// Message composition.
#include "sender/mail/MailComposition.h"

#include <cstdio>

#include "common/Cp932.h"
#include "common/StdFile.h"

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

// The body in ISO-2022-JP with a final CR LF, or nothing for a blank body.
std::string BodyText(std::string_view body) {
  if (IsBlankText(body)) return {};
  std::string text = ToIso2022Jp(WidenHalfWidthKana(body));
  text.append(kCrLf);
  return text;
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
  std::string h = HeaderLines(inputs, context);
  bool japanese = HeaderHoldsJapanese(inputs);
  if (!japanese) {
    std::string body = inputs.body;
    japanese = ScanMailText(body);
  }
  h += japanese ? "Content-Type: text/plain; charset=iso-2022-jp"
                : "Content-Type: text/plain; charset=us-ascii";
  h.append(kCrLf).append(kCrLf);
  return h + BodyText(inputs.body);
}

std::string MultipartHead(const MailInputs& inputs, const MailContext& context) {
  std::string head = HeaderLines(inputs, context);
  head += "Content-type: multipart/mixed; boundary=\"" + std::string(kMimeBoundary) + "\"";
  head.append(kCrLf).append(kCrLf);
  if (!IsBlankText(inputs.body)) {
    head += Delimiter();
    head += "Content-Type: text/plain; charset=iso-2022-jp";
    head.append(kCrLf).append(kCrLf);
    head += BodyText(inputs.body);
  }
  return head;
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

std::string WithoutControlCharacters(std::string_view text) {
  std::string clean;
  clean.reserve(text.size());
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 0x20 && b != 0x7F) || b == '\t') clean += c;
  }
  return clean;
}

std::vector<std::string> RecipientsOf(std::string_view recipients) {
  std::vector<std::string> list;
  for (;;) {
    const std::size_t separator = recipients.find(';');
    const std::string_view one = TrimBlanks(recipients.substr(0, separator));
    if (!one.empty()) list.emplace_back(one);
    if (separator == std::string_view::npos) return list;
    recipients.remove_prefix(separator + 1);
  }
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

std::string AttachmentNameParameter(std::string_view fileName) {
  std::string name = WithoutControlCharacters(fileName);
  if (!ScanMailText(name)) return name;
  // Encoded words of at most 18 characters over the whole name, separated by spaces.
  std::string value;
  std::size_t start = 0;
  std::size_t chars = 0;
  for (std::size_t pos = 0; pos <= name.size();) {
    if (pos == name.size() || chars == 18) {
      if (!value.empty()) value += ' ';
      value += EncodedWord(std::string_view(name).substr(start, pos - start));
      start = pos;
      chars = 0;
      if (pos == name.size()) break;
    }
    pos += Cp932CharLength(name, pos);
    ++chars;
  }
  return value;
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
      out += "Content-Type: application/octet-stream; name=\"" +
             AttachmentNameParameter(FileNameOf(path)) + "\"";
      out.append(kCrLf);
      out += "Content-Transfer-Encoding: base64";
      out.append(kCrLf).append(kCrLf);
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

// Composition of the sender's one mail from the mail inputs: the header (Subject, From, To,
// Date, MIME-Version, Message-ID, Content-Type), the text body and the base64 file parts.
// The message text is produced piece by piece (MailTextSource), so an attachment of any size
// is read from disk chunk by chunk while the dialogue sends it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sender/mail/Base64.h"
#include "sender/mail/MailAddress.h"
#include "sender/mail/MailInputs.h"
#include "sender/mail/MessageSource.h"

namespace zq {

inline constexpr char kMimeBoundary[] = "zqFelmar Attachment Boundary";

// Local time with its offset from UTC, for the Date field and the Message-ID.
struct MailTime {
  int year = 2000, month = 1, day = 1;
  int weekday = 6;  // 0 = Sunday
  int hour = 0, minute = 0, second = 0;
  int offsetMinutes = 0;  // local time minus UTC
};

// What composition needs besides the mail inputs.
struct MailContext {
  MailTime now;
  std::uint32_t processId = 0;
  std::uint32_t sequence = 0;  // counts messages within the process
  std::string computerName;
};

// RFC 5322 date, for example "Sun, 06 Dec 2026 21:40:00 +0900".
std::string Rfc5322Date(const MailTime& time);

// "<yyyymmddhhmmss.pid.sequence@host>" with the host taken from the from address's domain,
// else the computer name, else "localhost" (whichever is a plain ASCII host name).
std::string MessageId(const MailContext& context, std::string_view fromAddress);

// The attachment paths of the attachments input ("," separated; empty entries skipped).
std::vector<std::string> AttachmentPaths(std::string_view attachments);

// What follows the last "\" or "/" of a CP932 path (the whole path when it has none).
std::string FileNameOf(std::string_view path);

// The message text produced in order, piece by piece: the header and text body first, then
// each file part with its base64 lines read from disk as they are asked for.
class MailTextSource final : public MessageSource {
 public:
  MailTextSource(const MailInputs& inputs, const MailContext& context);

  // Checks that every attachment can be opened; false with error() set when one cannot.
  bool Open();

  // Appends the next piece of text (whole lines). kEnd after the last piece; kError when a
  // file could not be read (error() tells which).
  Status Next(std::string& out) override;

  const std::string& error() const override { return error_; }

 private:
  enum class Step { kHead, kPartHeader, kPartBody, kPartEnd, kDone };

  std::string head_;  // header, empty line and the text body or body part
  std::vector<std::string> paths_;
  std::size_t index_ = 0;
  Step step_ = Step::kHead;
  std::unique_ptr<FileBase64Stream> file_;
  std::string error_;
};

}  // namespace zq

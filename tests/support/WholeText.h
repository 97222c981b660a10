// Test helpers: a whole message text, or a whole file's base64, produced at once through
// the streaming classes the sender uses piece by piece.
#pragma once

#include <string>

#include "sender/mail/MailComposition.h"

namespace zq::testing {

// False (with `error`) when an attachment cannot be opened or read.
inline bool ComposeMailText(const MailInputs& inputs, const MailContext& context,
                            std::string& text, std::string* error = nullptr) {
  MailTextSource source(inputs, context);
  MessageSource::Status status = source.Open() ? MessageSource::kMore : MessageSource::kError;
  while (status == MessageSource::kMore) status = source.Next(text);
  if (error) *error = source.error();
  return status == MessageSource::kEnd;
}

inline bool EncodeFileBase64(const std::string& path, std::string& out) {
  FileBase64Stream stream;
  if (!stream.Open(path)) return false;
  for (;;) {
    const FileBase64Stream::Result result = stream.Next(out);
    if (result != FileBase64Stream::kMore) return result == FileBase64Stream::kEnd;
  }
}

}  // namespace zq::testing

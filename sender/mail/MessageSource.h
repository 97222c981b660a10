// The message text as the session asks for it: produced in order, piece by piece, so a file of
// any size is read while it is sent.
#pragma once

#include <string>

namespace zq {

// The message text produced in order, piece by piece.
class MessageSource {
 public:
  enum Status { kMore, kEnd, kError };
  virtual ~MessageSource() = default;
  // Appends the next piece; kEnd after the last one, kError when it cannot be read (error()).
  virtual Status Next(std::string& out) = 0;
  virtual const std::string& error() const = 0;
};

}  // namespace zq

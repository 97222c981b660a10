// The name of a file part, in the two forms readers know: RFC 2231 (name*= / filename*=,
// UTF-8 percent-encoded, in numbered sections of at most one line each) and, for older
// readers, RFC 2047 encoded words in a quoted string. Names are CP932 byte strings.
#pragma once

#include <string>
#include <string_view>

namespace zq {

// The name parameters of `attribute` ("name" or "filename") for a file called `fileName`, to
// follow "; " in a field: `attribute="a.log"` for an ASCII name; else the RFC 2231 sections,
// each ended by ";" CR LF and a blank, then `attribute="=?...?="`. Control characters are
// dropped first.
std::string AttachmentNameParameters(std::string_view attribute, std::string_view fileName);

// The UTF-8 bytes of `text` in RFC 2231 form: letters, digits and !#$&+-.^_`|~ as they are,
// every other byte as %XX.
std::string PercentEncoded(std::string_view utf8);

}  // namespace zq

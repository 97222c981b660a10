// A minimal XML reader for task definitions: elements, attributes skipped, text with the
// five named and numeric references. Portable.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zq {

struct XmlElement {
  std::string name;  // without namespace prefix
  std::string text;
  std::vector<XmlElement> children;
  const XmlElement* Child(std::string_view name) const;
};

// False for text that is not well formed (or nested deeper than 64 elements).
bool ParseXml(std::string_view text, XmlElement& root);

}  // namespace zq

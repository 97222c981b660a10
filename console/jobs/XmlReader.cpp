// The task-definition XML reader.
#include "console/jobs/XmlReader.h"

#include <cstdlib>

namespace zq {

const XmlElement* XmlElement::Child(std::string_view wanted) const {
  for (const XmlElement& child : children) {
    if (child.name == wanted) return &child;
  }
  return nullptr;
}

namespace {

class XmlReader {
 public:
  explicit XmlReader(std::string_view text) : text_(text) {}

  bool Document(XmlElement& root) {
    for (;;) {
      SkipBlanks();
      if (Starts("<?")) {
        if (!SkipPast("?>")) return false;
      } else if (Starts("<!--")) {
        if (!SkipPast("-->")) return false;
      } else {
        break;
      }
    }
    if (!Element(root, 0)) return false;
    SkipBlanks();
    return pos_ == text_.size();
  }

 private:
  static constexpr int kMaxDepth = 64;

  bool Element(XmlElement& element, int depth) {
    if (depth > kMaxDepth || !Starts("<")) return false;
    ++pos_;
    const std::string name = Name();
    if (name.empty()) return false;
    const std::size_t colon = name.find(':');
    element.name = colon == std::string::npos ? name : name.substr(colon + 1);
    // Attributes are skipped; quoted values may hold ">".
    while (pos_ < text_.size() && text_[pos_] != '>' && !Starts("/>")) {
      if (text_[pos_] == '"' || text_[pos_] == '\'') {
        const std::size_t close = text_.find(text_[pos_], pos_ + 1);
        if (close == std::string_view::npos) return false;
        pos_ = close;
      }
      ++pos_;
    }
    if (Starts("/>")) {
      pos_ += 2;
      return true;
    }
    if (pos_ >= text_.size()) return false;
    ++pos_;
    for (;;) {
      const std::size_t open = text_.find('<', pos_);
      if (open == std::string_view::npos) return false;
      if (!Decode(text_.substr(pos_, open - pos_), element.text)) return false;
      pos_ = open;
      if (Starts("</")) {
        pos_ += 2;
        if (Name() != name) return false;
        SkipBlanks();
        if (!Starts(">")) return false;
        ++pos_;
        return true;
      }
      if (Starts("<!--")) {
        if (!SkipPast("-->")) return false;
        continue;
      }
      element.children.emplace_back();
      if (!Element(element.children.back(), depth + 1)) return false;
    }
  }

  std::string Name() {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != ' ' && text_[pos_] != '>' && text_[pos_] != '/' &&
           text_[pos_] != '\r' && text_[pos_] != '\n' && text_[pos_] != '\t') {
      ++pos_;
    }
    return std::string(text_.substr(start, pos_ - start));
  }

  static bool Decode(std::string_view raw, std::string& out) {
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] != '&') {
        out += raw[i];
        continue;
      }
      const std::size_t semi = raw.find(';', i);
      if (semi == std::string_view::npos) return false;
      const std::string_view entity = raw.substr(i + 1, semi - i - 1);
      if (entity == "amp")
        out += '&';
      else if (entity == "lt")
        out += '<';
      else if (entity == "gt")
        out += '>';
      else if (entity == "quot")
        out += '"';
      else if (entity == "apos")
        out += '\'';
      else if (entity.size() > 1 && entity[0] == '#') {
        const bool hex = entity[1] == 'x';
        const long code =
            std::strtol(std::string(entity.substr(hex ? 2 : 1)).c_str(), nullptr, hex ? 16 : 10);
        if (code <= 0 || code > 0x7F) return false;  // beyond ASCII never comes from CP932 text
        out += static_cast<char>(code);
      } else {
        return false;
      }
      i = semi;
    }
    return true;
  }

  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\r' ||
                                   text_[pos_] == '\n' || text_[pos_] == '\t')) {
      ++pos_;
    }
  }
  bool Starts(std::string_view prefix) const { return text_.substr(pos_, prefix.size()) == prefix; }
  bool SkipPast(std::string_view end) {
    const std::size_t at = text_.find(end, pos_);
    if (at == std::string_view::npos) return false;
    pos_ = at + end.size();
    return true;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

bool ParseXml(std::string_view text, XmlElement& root) { return XmlReader(text).Document(root); }

}  // namespace zq

// Encoded words and folded header fields.
#include "sender/mail/HeaderField.h"

#include <optional>
#include <utility>

#include "common/Cp932.h"
#include "sender/mail/Base64.h"
#include "sender/mail/Cp932Unicode.h"
#include "sender/mail/JapaneseText.h"

namespace zq {
namespace {

std::size_t FrameOf(MailCharset charset) {  // "=?ISO-2022-JP?B?" or "=?UTF-8?B?", and "?="
  return charset == MailCharset::kIso2022Jp ? 18 : 12;
}

// The UTF-8 bytes of one CP932 character as Utf8OfCp932 writes it.
std::size_t Utf8Length(std::string_view character) {
  const char32_t c = UnicodeOfCp932(character);
  return Utf8LengthOf(c == kNoCharacter ? kGetaMark : c);
}

// The longest start of `run` from `pos`, in bytes and whole characters, whose encoded word is
// at most `room` characters long; 0 when none fits. An ISO-2022-JP word ends next to an
// ASCII character (or at the end of the run), so the return to ASCII that ends it never
// meets the switch to JIS that begins the next. `run` holds only ASCII and double-byte
// characters.
std::size_t LongestFit(std::string_view run, std::size_t pos, std::size_t room,
                       MailCharset charset) {
  const bool iso2022jp = charset == MailCharset::kIso2022Jp;
  std::size_t bytes = 0;  // encoded bytes so far, without a final return to ASCII
  bool jis = false;
  std::size_t fit = 0;
  for (std::size_t p = pos; p < run.size();) {
    const std::size_t length = Cp932CharLength(run, p);
    if (!iso2022jp) {
      bytes += length == 1 ? 1 : Utf8Length(run.substr(p, 2));
    } else if (length == 2) {
      bytes += jis ? 2 : kEscToJis.size() + 2;
      jis = true;
    } else {
      bytes += jis ? kEscToAscii.size() + 1 : 1;
      jis = false;
    }
    const std::size_t total = bytes + (jis ? kEscToAscii.size() : 0);
    if (FrameOf(charset) + 4 * ((total + 2) / 3) > room) break;
    p += length;
    const bool nextToAscii = length == 1 || p == run.size() || Cp932CharLength(run, p) == 1;
    if (!iso2022jp || nextToAscii) fit = p - pos;
  }
  return fit;
}

// A header line being folded: pieces are added after a blank, which becomes CR LF + blank
// when the piece would pass the fold width. A piece may start with more blanks; one made
// only of blanks never starts a line, so no line is blanks alone.
class FoldedField {
 public:
  FoldedField(std::string_view name, MailCharset charset)
      : text_(name), column_(name.size()), charset_(charset) {
    text_ += ':';
    ++column_;
  }

  // Characters a piece may have to follow a blank on the current line.
  std::size_t RoomAfterBlank() const {
    return column_ + 1 < kHeaderFoldWidth ? kHeaderFoldWidth - column_ - 1 : 0;
  }

  void Add(std::string_view piece, bool blankBefore) {
    if (blankBefore) {
      const bool hasText = piece.find_first_not_of(' ') != std::string_view::npos;
      if (hasText && piece.size() > RoomAfterBlank() && column_ > 1) {
        text_ += "\r\n";
        column_ = 0;
      }
      text_ += ' ';
      ++column_;
    }
    text_.append(piece);
    column_ += piece.size();
  }

  // A run of Japanese words as encoded words, each as long as the line allows; `lead` (blanks
  // of plain text) goes before the first. False when the run cannot be cut in the charset.
  bool AddEncoded(std::string_view run, bool blankBefore, const std::string& lead) {
    for (std::size_t pos = 0; pos < run.size();) {
      const std::size_t extra = pos == 0 ? lead.size() : 0;
      const std::size_t room = RoomAfterBlank();
      std::size_t take = LongestFit(run, pos, room > extra ? room - extra : 0, charset_);
      if (take == 0) {  // on a new line
        take = LongestFit(run, pos, kHeaderFoldWidth - 1 - extra, charset_);
      }
      if (take == 0 && charset_ == MailCharset::kIso2022Jp) return false;
      if (take == 0) take = Cp932CharLength(run, pos);
      const std::string word = EncodedWord(run.substr(pos, take), charset_);
      Add(pos == 0 ? lead + word : word, blankBefore || pos > 0);
      pos += take;
    }
    return true;
  }

  std::string Finish() { return text_ + "\r\n"; }

 private:
  std::string text_;
  std::size_t column_;
  MailCharset charset_;
};

// Words between blanks; n blanks give n + 1 words, some of them empty.
std::vector<std::string_view> BlankSeparatedWords(std::string_view text) {
  std::vector<std::string_view> words;
  for (std::size_t pos = 0;;) {
    const std::size_t blank = text.find(' ', pos);
    words.push_back(text.substr(pos, blank - pos));
    if (blank == std::string_view::npos) return words;
    pos = blank + 1;
  }
}

// The field with its encoded words in `charset`; nothing when they cannot be cut in it.
std::optional<std::string> FoldedFieldOf(std::string_view name, std::string_view text,
                                         MailCharset charset) {
  const std::vector<std::string_view> words = BlankSeparatedWords(text);
  std::vector<bool> encoded(words.size());
  for (std::size_t i = 0; i < words.size(); ++i) {
    // Tabs alone would sit between encoded words, where readers drop white space.
    const bool tabsOnly =
        !words[i].empty() && words[i].find_first_not_of('\t') == std::string::npos;
    encoded[i] = tabsOnly || NeedsEncodedWords(words[i]);
  }
  // The next word at or after `i` that is not empty (words.size() when none).
  auto nextWord = [&](std::size_t i) {
    while (i < words.size() && words[i].empty()) ++i;
    return i;
  };

  FoldedField field(name, charset);
  const char* const base = text.data();
  std::size_t i = 0;
  // Blanks before a first Japanese word join its encoded run, so no reader drops them.
  const std::size_t first = nextWord(0);
  if (first < words.size() && encoded[first]) i = first;
  bool firstPiece = true;
  std::size_t extraBlanks = 0;  // empty words seen: blanks beyond the one before each piece
  auto takeBlanks = [&] { return std::string(std::exchange(extraBlanks, 0), ' '); };
  for (; i < words.size(); ++i) {
    if (!encoded[i]) {
      if (!firstPiece && words[i].empty()) {
        ++extraBlanks;
        continue;
      }
      field.Add(takeBlanks() + std::string(words[i]), !firstPiece);
      firstPiece = false;
      continue;
    }
    // Neighbouring Japanese words and the blanks between them form one run; blanks at the
    // end of the value join it too.
    const std::size_t runStart = firstPiece ? 0 : static_cast<std::size_t>(words[i].data() - base);
    std::size_t last = i;
    for (std::size_t next = nextWord(i + 1);; next = nextWord(last + 1)) {
      if (next < words.size() && encoded[next]) {
        last = next;
        continue;
      }
      if (next == words.size()) last = words.size() - 1;
      break;
    }
    const std::size_t runEnd =
        static_cast<std::size_t>(words[last].data() - base) + words[last].size();
    if (!field.AddEncoded(text.substr(runStart, runEnd - runStart), true, takeBlanks())) {
      return std::nullopt;
    }
    firstPiece = false;
    i = last;
  }
  if (extraBlanks > 0) field.Add(std::string(extraBlanks - 1, ' '), true);  // trailing blanks
  return field.Finish();
}

}  // namespace

const char* CharsetLabel(MailCharset charset) {
  return charset == MailCharset::kIso2022Jp ? "iso-2022-jp" : "UTF-8";
}

std::string EncodedWord(std::string_view run, MailCharset charset) {
  if (charset == MailCharset::kUtf8) return "=?UTF-8?B?" + Base64Encode(Utf8OfCp932(run)) + "?=";
  return "=?ISO-2022-JP?B?" + Base64Encode(ToIso2022Jp(run)) + "?=";
}

std::vector<std::string> EncodedWordsOf(std::string_view text, std::size_t width,
                                        MailCharset& charset) {
  for (const MailCharset candidate : {MailCharset::kIso2022Jp, MailCharset::kUtf8}) {
    if (candidate == MailCharset::kIso2022Jp && !IsJisX0208Text(text)) continue;
    std::vector<std::string> words;
    std::size_t pos = 0;
    while (pos < text.size()) {
      std::size_t take = LongestFit(text, pos, width, candidate);
      if (take == 0 && candidate == MailCharset::kIso2022Jp) break;
      if (take == 0) take = Cp932CharLength(text, pos);
      words.push_back(EncodedWord(text.substr(pos, take), candidate));
      pos += take;
    }
    if (pos < text.size()) continue;
    charset = candidate;
    return words;
  }
  return {};  // not reached: UTF-8 cuts every text
}

bool NeedsEncodedWords(std::string_view value) {
  for (const char c : value) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return value.find("=?") != std::string_view::npos;
}

std::string HeaderField(std::string_view name, std::string_view value) {
  std::string text(value);
  ScanMailText(text);
  if (IsJisX0208Text(text)) {
    if (auto field = FoldedFieldOf(name, text, MailCharset::kIso2022Jp)) return *field;
  }
  return *FoldedFieldOf(name, text, MailCharset::kUtf8);
}

}  // namespace zq

// Encoders for Japanese mail text.
#include "sender/mail/basSmtp.h"

#include <utility>
#include <vector>

#include "common/Cp932.h"

namespace zq {
namespace {

// Full-width forms of the half-width characters 0xA1 to 0xDF, two CP932 bytes each.
constexpr char kFullWidthKana[] =
    "。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホ"
    "マミムメモヤユヨラリルレロワン゛゜";
static_assert(sizeof(kFullWidthKana) == 63 * 2 + 1, "one pair per half-width character");

constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kVoicedMark = 0xDE;      // ﾞ
constexpr std::uint8_t kSemiVoicedMark = 0xDF;  // ﾟ
constexpr char kVu[] = "ヴ";
constexpr char kReplacementJis[] = "\x22\x2E";  // 〓 in JIS X 0208

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

bool IsHalfWidthKana(std::uint8_t b) { return b >= 0xA1 && b <= 0xDF; }

std::string_view FullWidth(std::uint8_t halfWidth) {
  return std::string_view(kFullWidthKana + 2 * (halfWidth - 0xA1), 2);
}

// A half-width letter and a following sound mark as full-width text.
void AppendWidenedPair(std::uint8_t letter, std::uint8_t mark, std::string& out) {
  const bool kaToTo = letter >= 0xB6 && letter <= 0xC4;  // ｶ ... ﾄ
  const bool haToHo = letter >= 0xCA && letter <= 0xCE;  // ﾊ ... ﾎ
  int step = 0;
  if (mark == kVoicedMark && (kaToTo || haToHo)) step = 1;
  if (mark == kSemiVoicedMark && haToHo) step = 2;
  if (step > 0) {
    // In CP932 the voiced and semi-voiced letters follow their plain letter.
    std::string_view plain = FullWidth(letter);
    out += plain[0];
    out += static_cast<char>(static_cast<std::uint8_t>(plain[1]) + step);
  } else if (letter == 0xB3 && mark == kVoicedMark) {  // ｳﾞ
    out += kVu;
  } else {
    out.append(FullWidth(letter)).append(FullWidth(mark));
  }
}

std::uint8_t ByteAt(std::string_view text, std::size_t pos) {
  return static_cast<std::uint8_t>(text[pos]);
}

bool IsAscii(std::uint8_t b) { return b < 0x80; }

}  // namespace

std::string WidenHalfWidthKana(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t length = Cp932CharLength(text, pos);
    const std::uint8_t b = ByteAt(text, pos);
    if (length == 1 && IsHalfWidthKana(b)) {
      const std::uint8_t next = pos + 1 < text.size() ? ByteAt(text, pos + 1) : 0;
      if (next == kVoicedMark || next == kSemiVoicedMark) {
        AppendWidenedPair(b, next, out);
        pos += 2;
      } else {
        out.append(FullWidth(b));
        ++pos;
      }
      continue;
    }
    out.append(text.substr(pos, length));
    pos += length;
  }
  return out;
}

bool ScanMailText(std::string& text) {
  const std::string widened = WidenHalfWidthKana(text);
  bool japanese = false;
  std::string out;
  out.reserve(widened.size());
  for (std::size_t pos = 0; pos < widened.size();) {
    const std::size_t length = Cp932CharLength(widened, pos);
    const std::uint8_t b = ByteAt(widened, pos);
    if (length == 2) {
      out.append(widened, pos, 2);
      japanese = true;
    } else {
      out += IsAscii(b) ? static_cast<char>(b) : '.';
    }
    pos += length;
  }
  text.swap(out);
  return japanese;
}

void SjisPairToJis(std::uint8_t& c1, std::uint8_t& c2) {
  int d = 0;
  if (c1 >= 0x81 && c1 <= 0x9F) {
    d = c1 - 0x81;
  } else if (c1 >= 0xE0 && c1 <= 0xEF) {
    d = c1 - 0xC1;
  } else {
    c1 = c2 = 0;
    return;
  }
  int k = 0;
  if (c2 >= 0x40 && c2 <= 0x7E) {
    k = c2 - 0x3F;
  } else if (c2 >= 0x80 && c2 <= 0xFC) {
    k = c2 - 0x40;
  } else {
    c1 = c2 = 0;
    return;
  }
  int j = 2 * d + 1;
  if (k > 94) {
    k -= 94;
    ++j;
  }
  c1 = static_cast<std::uint8_t>(j + 0x20);
  c2 = static_cast<std::uint8_t>(k + 0x20);
}

namespace {

void AppendIso2022Jp(std::string_view text, std::string& out) {
  bool jis = false;
  auto toAscii = [&] {
    if (jis) out.append(kEscToAscii);
    jis = false;
  };
  auto appendJis = [&](std::uint8_t c1, std::uint8_t c2) {
    if (!jis) out.append(kEscToJis);
    jis = true;
    SjisPairToJis(c1, c2);
    if (c1 == 0) {
      out.append(kReplacementJis);
    } else {
      out += static_cast<char>(c1);
      out += static_cast<char>(c2);
    }
  };
  const std::size_t size = text.size();
  for (std::size_t pos = 0; pos < size;) {
    const std::uint8_t b = ByteAt(text, pos);
    if (IsAscii(b)) {
      toAscii();
      // Copy the whole ASCII stretch at once; a raw ESC would switch the reader's character
      // set, so it goes out as "?".
      std::size_t end = pos;
      while (end < size && IsAscii(ByteAt(text, end)) && ByteAt(text, end) != kEsc) ++end;
      out.append(text.substr(pos, end - pos));
      if (end < size && ByteAt(text, end) == kEsc) out += '?', ++end;
      pos = end;
      continue;
    }
    if (Cp932CharLength(text, pos) == 2) {
      appendJis(b, ByteAt(text, pos + 1));
      pos += 2;
    } else if (IsHalfWidthKana(b)) {
      const std::string_view full = FullWidth(b);
      appendJis(static_cast<std::uint8_t>(full[0]), static_cast<std::uint8_t>(full[1]));
      ++pos;
    } else {
      toAscii();
      out += '?';
      ++pos;
    }
  }
  toAscii();
}

}  // namespace

std::string ToIso2022Jp(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8 + 16);
  AppendIso2022Jp(text, out);
  return out;
}

std::string EncodedWord(std::string_view run) {
  return "=?ISO-2022-JP?B?" + Base64Encode(ToIso2022Jp(run)) + "?=";
}

bool NeedsEncodedWords(std::string_view value) {
  for (const char c : value) {
    if (!IsAscii(static_cast<std::uint8_t>(c))) return true;
  }
  return value.find("=?") != std::string_view::npos;
}

namespace {

constexpr std::size_t kEncodedWordFrame = 18;  // "=?ISO-2022-JP?B?" and "?="

// The longest start of `run` from `pos`, in bytes and whole characters, whose encoded word is
// at most `room` characters long. `run` holds only ASCII and double-byte characters.
std::size_t LongestFit(std::string_view run, std::size_t pos, std::size_t room) {
  std::size_t bytes = 0;  // ISO-2022-JP bytes so far, without the final return to ASCII
  bool jis = false;
  std::size_t fit = 0;
  for (std::size_t p = pos; p < run.size();) {
    const std::size_t length = Cp932CharLength(run, p);
    if (length == 2) {
      bytes += jis ? 2 : kEscToJis.size() + 2;
      jis = true;
    } else {
      bytes += jis ? kEscToAscii.size() + 1 : 1;
      jis = false;
    }
    const std::size_t total = bytes + (jis ? kEscToAscii.size() : 0);
    if (kEncodedWordFrame + 4 * ((total + 2) / 3) > room) break;
    p += length;
    fit = p - pos;
  }
  return fit;
}

// A header line being folded: pieces are added after a blank, which becomes CR LF + blank
// when the piece would pass the fold width. A piece may start with more blanks; one made
// only of blanks never starts a line, so no line is blanks alone.
class FoldedField {
 public:
  explicit FoldedField(std::string_view name) : text_(name), column_(name.size()) {
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
  // of plain text) goes before the first.
  void AddEncoded(std::string_view run, bool blankBefore, const std::string& lead) {
    for (std::size_t pos = 0; pos < run.size();) {
      const std::size_t extra = pos == 0 ? lead.size() : 0;
      const std::size_t room = RoomAfterBlank();
      std::size_t take = LongestFit(run, pos, room > extra ? room - extra : 0);
      if (take == 0) take = LongestFit(run, pos, kHeaderFoldWidth - 1 - extra);  // new line
      if (take == 0) take = Cp932CharLength(run, pos);
      const std::string word = EncodedWord(run.substr(pos, take));
      Add(pos == 0 ? lead + word : word, blankBefore || pos > 0);
      pos += take;
    }
  }

  std::string Finish() { return text_ + "\r\n"; }

 private:
  std::string text_;
  std::size_t column_;
};

}  // namespace

std::string HeaderField(std::string_view name, std::string_view value) {
  std::string text(value);
  ScanMailText(text);
  // Words between blanks; n blanks give n + 1 words, some of them empty.
  std::vector<std::string_view> words;
  for (std::size_t pos = 0;;) {
    const std::size_t blank = text.find(' ', pos);
    words.push_back(std::string_view(text).substr(pos, blank - pos));
    if (blank == std::string::npos) break;
    pos = blank + 1;
  }
  std::vector<bool> encoded(words.size());
  for (std::size_t i = 0; i < words.size(); ++i) encoded[i] = NeedsEncodedWords(words[i]);
  // The next word at or after `i` that is not empty (words.size() when none).
  auto nextWord = [&](std::size_t i) {
    while (i < words.size() && words[i].empty()) ++i;
    return i;
  };

  FoldedField field(name);
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
    const std::size_t runStart =
        firstPiece ? 0 : static_cast<std::size_t>(words[i].data() - base);
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
    field.AddEncoded(std::string_view(text).substr(runStart, runEnd - runStart), true,
                     takeBlanks());
    firstPiece = false;
    i = last;
  }
  if (extraBlanks > 0) field.Add(std::string(extraBlanks - 1, ' '), true);  // trailing blanks
  return field.Finish();
}

namespace {

// Encodes bytes (a multiple of 3, except for a last piece) into `p`; returns the end.
char* EncodeGroups(const std::uint8_t* in, std::size_t n, char* p) {
  std::size_t i = 0;
  for (; i + 3 <= n; i += 3) {
    const std::uint32_t v =
        (std::uint32_t{in[i]} << 16) | (std::uint32_t{in[i + 1]} << 8) | in[i + 2];
    p[0] = kAlphabet[v >> 18];
    p[1] = kAlphabet[(v >> 12) & 63];
    p[2] = kAlphabet[(v >> 6) & 63];
    p[3] = kAlphabet[v & 63];
    p += 4;
  }
  if (i + 1 == n) {
    p[0] = kAlphabet[in[i] >> 2];
    p[1] = kAlphabet[(in[i] & 3) << 4];
    p[2] = p[3] = '=';
    p += 4;
  } else if (i + 2 == n) {
    p[0] = kAlphabet[in[i] >> 2];
    p[1] = kAlphabet[((in[i] & 3) << 4) | (in[i + 1] >> 4)];
    p[2] = kAlphabet[(in[i + 1] & 15) << 2];
    p[3] = '=';
    p += 4;
  }
  return p;
}

const std::uint8_t* BytesOf(std::string_view bytes) {
  return reinterpret_cast<const std::uint8_t*>(bytes.data());
}

}  // namespace

std::string Base64Encode(std::string_view bytes) {
  std::string out(4 * ((bytes.size() + 2) / 3), '\0');
  EncodeGroups(BytesOf(bytes), bytes.size(), out.data());
  return out;
}

void Base64LineEncoder::Feed(std::string_view bytes, std::string& out) {
  constexpr std::size_t kLineBytes = kBase64LineLength / 4 * 3;  // 57 bytes per line
  const std::uint8_t* in = BytesOf(bytes);
  std::size_t left = bytes.size();
  const std::size_t old = out.size();
  out.resize(old + 4 * ((left + 2) / 3) + 2 * (left / kLineBytes + 2));
  char* p = out.data() + old;
  while (left > 0) {
    // Fill the current line up to 76 characters.
    const std::size_t room = (kBase64LineLength - column_) / 4 * 3;
    const std::size_t take = left < room ? left : room;
    char* end = EncodeGroups(in, take, p);
    column_ += static_cast<std::size_t>(end - p);
    p = end;
    in += take;
    left -= take;
    if (column_ == kBase64LineLength) {
      *p++ = '\r';
      *p++ = '\n';
      column_ = 0;
    }
  }
  out.resize(static_cast<std::size_t>(p - out.data()));
}

void Base64LineEncoder::Finish(std::string& out) {
  if (column_ > 0) out.append("\r\n");
  column_ = 0;
}

bool FileBase64Stream::Open(const std::string& path) {
  file_ = OpenStdFile(path, "rb");
  chunk_.resize(kFileChunkBytes);
  return file_ != nullptr;
}

FileBase64Stream::Result FileBase64Stream::Next(std::string& out) {
  if (!file_) return kError;
  const std::size_t got = std::fread(chunk_.data(), 1, chunk_.size(), file_.get());
  if (got < chunk_.size() && std::ferror(file_.get())) return kError;
  encoder_.Feed(std::string_view(chunk_.data(), got), out);
  if (got == chunk_.size()) return kMore;
  encoder_.Finish(out);
  file_.reset();
  return kEnd;
}

}  // namespace zq

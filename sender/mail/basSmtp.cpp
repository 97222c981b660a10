// Encoders for Japanese mail text.
#include "sender/mail/basSmtp.h"

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
  bool japanese = false;
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t length = Cp932CharLength(text, pos);
    const std::uint8_t b = ByteAt(text, pos);
    if (length == 2) {
      out.append(text, pos, 2);
      japanese = true;
    } else if (IsAscii(b)) {
      out += static_cast<char>(b);
    } else if (IsHalfWidthKana(b)) {
      out.append(FullWidth(b));
      japanese = true;
    } else {
      out += '.';
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

std::string ToIso2022Jp(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8 + 16);
  AppendIso2022Jp(text, out);
  return out;
}

std::string EncodedWord(std::string_view run) {
  return "=?ISO-2022-JP?B?" + Base64Encode(ToIso2022Jp(run)) + "?=";
}

std::string EncodeHeaderWords(std::string_view header) {
  std::string out;
  std::string run;
  std::size_t runChars = 0;
  bool inRun = false;
  auto flush = [&] {
    out.append(EncodedWord(run)).append(" ");
    run.clear();
    runChars = 0;
  };
  for (std::size_t pos = 0; pos < header.size();) {
    const std::size_t length = Cp932CharLength(header, pos);
    const std::uint8_t b = ByteAt(header, pos);
    if (length == 2 || !IsAscii(b)) {
      if (!inRun) {
        out += ' ';
        inRun = true;
      }
      // Estimated length of the encoded word if one more character joined the run.
      const std::size_t estimate = 4 * ((2 * runChars + 8 + 2) / 3) + 16 + 2;
      if (estimate > 74) flush();
      run.append(header.substr(pos, length));
      ++runChars;
    } else {
      if (inRun) {
        flush();
        inRun = false;
      }
      out += static_cast<char>(b);
    }
    pos += length;
  }
  if (inRun) flush();
  return out;
}

namespace {

void FoldLine(std::string_view line, std::string& out) {
  std::size_t space = line.find(' ');
  std::string current(line.substr(0, space));
  while (space != std::string_view::npos) {
    const std::size_t start = space + 1;
    space = line.find(' ', start);
    const std::string_view word = line.substr(
        start, space == std::string_view::npos ? std::string_view::npos : space - start);
    if (current.size() + word.size() + 1 > kHeaderFoldWidth) {
      out.append(current).append("\r\n ");
      current.assign(word);
    } else {
      current.append(" ").append(word);
    }
  }
  out.append(current).append("\r\n");
}

}  // namespace

std::string FoldHeaderLines(std::string_view text) {
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = text.find("\r\n", pos);
    if (end == std::string_view::npos) {
      FoldLine(text.substr(pos), out);
      break;
    }
    FoldLine(text.substr(pos, end - pos), out);
    pos = end + 2;
  }
  return out;
}

char Base64Char(unsigned value) { return value < 64 ? kAlphabet[value] : '\0'; }

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

FileBase64Stream::~FileBase64Stream() {
  if (file_) std::fclose(file_);
}

bool FileBase64Stream::Open(const std::string& path) {
  if (file_) std::fclose(file_);
  file_ = std::fopen(path.c_str(), "rb");
  chunk_.resize(kFileChunkBytes);
  return file_ != nullptr;
}

FileBase64Stream::Result FileBase64Stream::Next(std::string& out) {
  if (!file_) return kError;
  const std::size_t got = std::fread(chunk_.data(), 1, chunk_.size(), file_);
  if (got < chunk_.size() && std::ferror(file_)) return kError;
  encoder_.Feed(std::string_view(chunk_.data(), got), out);
  if (got == chunk_.size()) return kMore;
  encoder_.Finish(out);
  std::fclose(file_);
  file_ = nullptr;
  return kEnd;
}

bool EncodeFileBase64(const std::string& path, std::string& out) {
  FileBase64Stream stream;
  if (!stream.Open(path)) return false;
  for (;;) {
    switch (stream.Next(out)) {
      case FileBase64Stream::kMore:
        continue;
      case FileBase64Stream::kEnd:
        return true;
      case FileBase64Stream::kError:
        return false;
    }
  }
}

}  // namespace zq

// Base64 for mail parts and SMTP AUTH.
#include "sender/mail/Base64.h"

#include <cstdio>

namespace zq {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

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

std::optional<std::string> Base64Decode(std::string_view text) {
  std::string out;
  std::uint32_t group = 0;
  int bits = 0, padding = 0;
  for (const char c : text) {
    int value = -1;
    if (c >= 'A' && c <= 'Z') value = c - 'A';
    if (c >= 'a' && c <= 'z') value = c - 'a' + 26;
    if (c >= '0' && c <= '9') value = c - '0' + 52;
    if (c == '+' || c == '-') value = 62;
    if (c == '/' || c == '_') value = 63;
    if (c == '\r' || c == '\n' || c == ' ' || c == '\t') continue;
    if (c == '=') {
      ++padding;
      continue;
    }
    if (value < 0 || padding > 0) return std::nullopt;
    group = group << 6 | static_cast<std::uint32_t>(value);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>(group >> bits & 0xFF);
    }
  }
  if (bits >= 6 || padding > 2) return std::nullopt;
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

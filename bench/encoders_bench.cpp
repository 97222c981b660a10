// Throughput of the mail encoders against the system tools on the same input, in one run:
// ToIso2022Jp and Utf8OfCp932 against iconv on 10 MB of Japanese CP932 text, and the wrapped
// base64 of a 50 MB file (the attachment stream) against coreutils base64 -w 76.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "sender/mail/Base64.h"
#include "sender/mail/Cp932Unicode.h"
#include "sender/mail/HeaderField.h"
#include "sender/mail/JapaneseText.h"
#include "sender/mail/MailComposition.h"

namespace {

namespace fs = std::filesystem;

const fs::path& WorkDir() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / "zq-bench";
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

// Japanese report-like text: hiragana, level-1 kanji and ASCII, in CR LF lines.
const std::string& JapaneseText() {
  static const std::string text = [] {
    std::mt19937 random(1);
    std::string t;
    t.reserve(10 * 1024 * 1024 + 256);
    while (t.size() < 10 * 1024 * 1024) {
      for (int i = 0; i < 24; ++i) {
        switch (random() % 4) {
          case 0:  // hiragana 0x829F-0x82F1
            t += '\x82';
            t += static_cast<char>(0x9F + random() % 0x53);
            break;
          case 1: {  // level-1 kanji, rows that are full in JIS X 0208
            t += static_cast<char>(0x89 + random() % 15);
            const int trail = 0x40 + random() % 188;
            t += static_cast<char>(trail >= 0x7F ? trail + 1 : trail);
            break;
          }
          default:
            t += "Event 1234 ";
        }
      }
      t += "\r\n";
    }
    return t;
  }();
  return text;
}

fs::path WriteFile(const std::string& name, const std::string& bytes) {
  const fs::path path = WorkDir() / name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

const fs::path& RandomFile50M() {
  static const fs::path path = [] {
    std::mt19937_64 random(2);
    std::string bytes(50 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i + 8 <= bytes.size(); i += 8) {
      const std::uint64_t v = random();
      std::memcpy(&bytes[i], &v, 8);
    }
    return WriteFile("random-50M.bin", bytes);
  }();
  return path;
}

void RunCommand(benchmark::State& state, const std::string& command, std::size_t bytes) {
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError(("failed: " + command).c_str());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_ToIso2022Jp(benchmark::State& state) {
  const std::string& text = JapaneseText();
  for (auto _ : state) benchmark::DoNotOptimize(zq::ToIso2022Jp(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_Iconv_Cp932ToIso2022Jp(benchmark::State& state) {
  const fs::path path = WriteFile("japanese-10M.txt", JapaneseText());
  RunCommand(state, "iconv -f CP932 -t ISO-2022-JP '" + path.string() + "' > /dev/null",
             JapaneseText().size());
}

// A body that ISO-2022-JP cannot carry goes out in UTF-8.
void BM_Utf8OfCp932(benchmark::State& state) {
  const std::string& text = JapaneseText();
  for (auto _ : state) benchmark::DoNotOptimize(zq::Utf8OfCp932(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_Iconv_Cp932ToUtf8(benchmark::State& state) {
  const fs::path path = WriteFile("japanese-10M.txt", JapaneseText());
  RunCommand(state, "iconv -f CP932 -t UTF-8 '" + path.string() + "' > /dev/null",
             JapaneseText().size());
}

// The attachment as the dialogue receives it: chunk by chunk from the file.
void BM_Base64Wrapped_AttachmentStream(benchmark::State& state) {
  const fs::path& path = RandomFile50M();
  std::string piece;
  std::size_t largestPiece = 0;
  for (auto _ : state) {
    zq::FileBase64Stream stream;
    if (!stream.Open(path.string())) state.SkipWithError("cannot open");
    zq::FileBase64Stream::Result result;
    do {
      piece.clear();
      result = stream.Next(piece);
      largestPiece = std::max(largestPiece, piece.size());
      benchmark::DoNotOptimize(piece.data());
    } while (result == zq::FileBase64Stream::kMore);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fs::file_size(path)));
  state.counters["largest_piece_bytes"] = static_cast<double>(largestPiece);
}

void BM_Coreutils_Base64W76(benchmark::State& state) {
  const fs::path& path = RandomFile50M();
  RunCommand(state, "base64 -w 76 '" + path.string() + "' > /dev/null", fs::file_size(path));
}

// The whole message with the 50 MB file attached, produced piece by piece.
void BM_MailTextSource_50MAttachment(benchmark::State& state) {
  zq::MailInputs inputs;
  inputs.fromAddress = "zq@example.jp";
  inputs.recipients = "a@example.jp";
  inputs.subject = "週次レポート";
  inputs.body = "実行日付：2026/12/06";
  inputs.attachments = RandomFile50M().string();
  std::string piece;
  std::size_t largestPiece = 0;
  for (auto _ : state) {
    zq::MailTextSource source(inputs, zq::MailContext{});
    if (!source.Open()) state.SkipWithError("cannot open");
    zq::MailTextSource::Status status;
    do {
      piece.clear();
      status = source.Next(piece);
      largestPiece = std::max(largestPiece, piece.size());
    } while (status == zq::MailTextSource::kMore);
  }
  state.SetBytesProcessed(
      static_cast<std::int64_t>(state.iterations() * fs::file_size(RandomFile50M())));
  state.counters["largest_piece_bytes"] = static_cast<double>(largestPiece);
}

}  // namespace

BENCHMARK(BM_ToIso2022Jp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Iconv_Cp932ToIso2022Jp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Utf8OfCp932)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Iconv_Cp932ToUtf8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Base64Wrapped_AttachmentStream)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Coreutils_Base64W76)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MailTextSource_50MAttachment)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();

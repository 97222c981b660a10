// Socket error texts, the start-up check, port texts and the session's message boxes.
#include "sender/mail/SocketText.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <utility>

#include "common/Cp932.h"

namespace zq {
namespace {

constexpr std::pair<std::int32_t, const char*> kErrorTexts[] = {
    {10004, "呼び出しが取り消された。"},
    {10013, "指定されたアドレスは、ブロードキャストパケットの送信をサポートしていない。"},
    {10014, "32ビットインターネットアドレス指定に誤りがあります。"},
    {10022, "関数の呼び出し順番に誤りがある。"},
    {10024, "利用可能なファイル番号が存在しない。"},
    {10035, "このソケットはノンブロッキング型である。"},
    {10036, "ブロッキング呼び出し進行中。"},
    {10037, "ノンブロッキング型の処理を処理中。"},
    {10038, "ソケット以外を指定した。"},
    {10039, "リモートアドレスが指定されていない。"},
    {10040, "データがバッファより大きいので切りつめられた。"},
    {10041, "ソケットは指定されたプロトコルをサポートしていない。"},
    {10042, "プロトコルのオプションに誤りがある。"},
    {10043, "指定されたプロトコルはサポートされていない。"},
    {10044, "指定されたソケットタイプはサポートされていない。"},
    {10045, "指定されたソケットがサポートしていない操作である。"},
    {10046, "指定されたアドレスファミリがサポートされていない。"},
    {10047, "指定されたプロトコルでは、指定されたアドレスファミリがサポートされていない。"},
    {10048, "指定されたアドレスは使用中。"},
    {10049, "指定されたアドレスは使用できない。"},
    {10050, "ネットワークがダウンしている。"},
    {10051, "リモートホストのネットワークに接続できない。"},
    {10052, "ネットワークから切断された。"},
    {10053, "ネットワーク不良で接続が中止された。"},
    {10054, "リモートホストから切断された。"},
    {10055, "バッファ領域不足。"},
    {10056, "ソケットはすでに接続されている。"},
    {10057, "ソケットが接続されていない。"},
    {10058, "ソケットがシャットダウンされている。"},
    {10060, "接続処理タイムアウト。"},
    {10061, "接続が拒否された。"},
    {10064, "リモートホストがダウンしている。"},
    {10065, "ホストへのルートが存在しない。"},
    {10067, "プロセスが多すぎます。"},
    {10091, "ネットワークサブシステムに通信するための準備ができていない。"},
    {10092, "指定されたバージョンがサポートされていない。"},
    {10093, "WSAStartup関数を呼び出していないか、失敗しています。"},
    {11001, "ホストが見つからない。"},
    {11002, "権限があるホストが見つからない。"},
    {11003, "修復不可能なエラーが発生した。"},
    {11004, "データレコードの型が要求されていない。"},
};

}  // namespace

std::string WSockErrorText(std::int32_t code) {
  const auto found = std::find_if(std::begin(kErrorTexts), std::end(kErrorTexts),
                                  [code](const auto& entry) { return entry.first == code; });
  if (found != std::end(kErrorTexts)) return found->second;
  return "(" + std::to_string(code) + ")";
}

int HiByteOf(std::uint16_t value) { return (value / 256) & 255; }
int LoByteOf(std::uint16_t value) { return value & 255; }

std::string StartupCheckText(std::uint16_t version, std::int16_t maxSockets) {
  std::string text;
  const int major = LoByteOf(version);
  const int minor = HiByteOf(version);
  if (major < 1 || (major == 1 && minor < 1)) {
    text = "Windows Sockets version " + std::to_string(major) + "." + std::to_string(minor) +
           " is not supported by winsock.dll";
  }
  if (maxSockets < 1) text = "This application requires a minimum of 1 supported sockets.";
  return text;
}

std::optional<std::uint16_t> PortNumberOf(std::string_view text) {
  text = TrimBlanks(text);
  if (text.empty()) return std::uint16_t{25};
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > 65535) {
    return std::nullopt;
  }
  return static_cast<std::uint16_t>(value);
}

}  // namespace zq

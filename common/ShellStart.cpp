// Shell start failure texts.
#include "common/ShellStart.h"

namespace zq {

std::string ShellStartFailureText(std::uint32_t code) {
  switch (code) {
    case 0:
    case 8:
      return "メモリまたはリソースが不足しています。";
    case 2:
      return "ファイルが見つかりません。";
    case 3:
      return "パスが見つかりません。";
    case 5:
      return "アクセスが拒否されました。";
    case 11:
      return "実行できる形式のファイルではありません。";
    case 26:
      return "ファイルが使用中のため開けません。";
    case 27:
    case 31:
      return "このファイルの種類に関連付けられたアプリケーションがありません。";
    case 28:
    case 29:
    case 30:
      return "アプリケーションとの DDE のやり取りに失敗しました。";
    case 32:
      return "必要な DLL が見つかりません。";
    default:
      return "起動できませんでした（コード " + std::to_string(code) + "）。";
  }
}

}  // namespace zq

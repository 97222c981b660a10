// Texts of the service section.
#include "sender/basNTServices.h"

#include "common/Cp932.h"

namespace zq {

std::string ServiceStateName(std::uint32_t state) {
  switch (state) {
    case 1:
      return "停止";
    case 2:
      return "開始中";
    case 3:
      return "停止中";
    case 4:
      return "開始";
    case 5:
      return "継続中";
    case 6:
      return "一時停止中";
    case 7:
      return "一時停止";
    default:
      return {};
  }
}

std::string ServiceSectionHeading() {
  std::string heading = SectionHeading("サービス状態一覧");
  heading.append("サービス 状態 表示名").append(kCrLf);
  heading.append(kSingleRule).append(kCrLf);
  return heading;
}

std::string ServiceLine(std::string_view name, std::uint32_t state, std::string_view displayName) {
  std::string line = Cp932FitWidth(name, 8);
  line.append(" ").append(ServiceStateName(state)).append(" ").append(displayName);
  line.append(kCrLf);
  return line;
}

}  // namespace zq

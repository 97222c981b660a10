// The access decision over SDDL text.
#include "common/AccessSafety.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

#include "common/Cp932.h"

namespace zq {
namespace {

constexpr char kTrustedInstallerSid[] =
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
constexpr char kOwnerRightsSid[] = "S-1-3-4";

// Rights that let a trustee change the object: write or add a file, append or add a folder,
// write extended attributes, delete a child, write attributes, delete, change permissions,
// take ownership, generic all or write, maximum allowed.
constexpr std::uint32_t kChangeRights = 0x2 | 0x4 | 0x10 | 0x40 | 0x100 | 0x10000 | 0x40000 |
                                        0x80000 | 0x2000000 | 0x10000000 | 0x40000000;

struct Alias {
  const char* alias;
  const char* sid;
};
constexpr Alias kAliases[] = {
    {"SY", "S-1-5-18"},     {"BA", "S-1-5-32-544"}, {"BU", "S-1-5-32-545"}, {"BG", "S-1-5-32-546"},
    {"PU", "S-1-5-32-547"}, {"BO", "S-1-5-32-551"}, {"AU", "S-1-5-11"},     {"WD", "S-1-1-0"},
    {"IU", "S-1-5-4"},      {"NU", "S-1-5-2"},      {"BT", "S-1-5-3"},      {"SU", "S-1-5-6"},
    {"AN", "S-1-5-7"},      {"LS", "S-1-5-19"},     {"NS", "S-1-5-20"},     {"CO", "S-1-3-0"},
    {"CG", "S-1-3-1"},      {"OW", "S-1-3-4"},      {"AC", "S-1-15-2-1"},   {"RD", "S-1-5-32-555"},
    {"RC", "S-1-5-12"},
};

// Names the administrator knows for the groups a refusal most often names.
constexpr Alias kNames[] = {
    {"Users", "S-1-5-32-545"},     {"Authenticated Users", "S-1-5-11"},
    {"Everyone", "S-1-1-0"},       {"INTERACTIVE", "S-1-5-4"},
    {"Guests", "S-1-5-32-546"},    {"Power Users", "S-1-5-32-547"},
    {"LOCAL SERVICE", "S-1-5-19"}, {"NETWORK SERVICE", "S-1-5-20"},
};

struct Right {
  const char* code;
  std::uint32_t mask;
};
constexpr Right kRights[] = {
    {"GA", 0x10000000}, {"GR", 0x80000000}, {"GW", 0x40000000}, {"GX", 0x20000000},
    {"RC", 0x20000},    {"SD", 0x10000},    {"WD", 0x40000},    {"WO", 0x80000},
    {"RP", 0x10},       {"WP", 0x20},       {"CC", 0x1},        {"DC", 0x2},
    {"LC", 0x4},        {"SW", 0x8},        {"LO", 0x80},       {"DT", 0x40},
    {"CR", 0x100},      {"FA", 0x1F01FF},   {"FR", 0x120089},   {"FW", 0x120116},
    {"FX", 0x1200A0},   {"KA", 0xF003F},    {"KR", 0x20019},    {"KW", 0x20006},
    {"KX", 0x20019},
};

// The mask of an SDDL rights field: hexadecimal, or two-letter codes; nothing for a code this
// reader does not know.
std::optional<std::uint32_t> RightsOf(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    char* end = nullptr;
    const std::string digits(text.substr(2));
    const unsigned long value = std::strtoul(digits.c_str(), &end, 16);
    if (digits.empty() || *end != '\0') return std::nullopt;
    return static_cast<std::uint32_t>(value);
  }
  if (text.empty() || text.size() % 2 != 0) return std::nullopt;
  std::uint32_t mask = 0;
  for (std::size_t at = 0; at < text.size(); at += 2) {
    const std::string code = Cp932AsciiUpper(text.substr(at, 2));
    bool known = false;
    for (const Right& right : kRights) {
      if (code == right.code) {
        mask |= right.mask;
        known = true;
      }
    }
    if (!known) return std::nullopt;
  }
  return mask;
}

// The parts of SDDL text by tag (O, G, D, S); a tag starts where a letter and a colon stand
// outside any parentheses.
struct SddlParts {
  std::string owner, dacl;
  bool hasDacl = false;
};
SddlParts PartsOf(std::string_view sddl) {
  SddlParts parts;
  int depth = 0;
  char tag = 0;
  std::string value;
  auto close = [&] {
    if (tag == 'O') parts.owner = value;
    if (tag == 'D') {
      parts.dacl = value;
      parts.hasDacl = true;
    }
    value.clear();
  };
  for (std::size_t i = 0; i < sddl.size(); ++i) {
    const char c = sddl[i];
    if (depth == 0 && i + 1 < sddl.size() && sddl[i + 1] == ':' &&
        (c == 'O' || c == 'G' || c == 'D' || c == 'S')) {
      close();
      tag = c;
      ++i;
      continue;
    }
    depth += c == '(' ? 1 : c == ')' ? -1 : 0;
    value += c;
  }
  close();
  return parts;
}

std::vector<std::string> FieldsOf(std::string_view ace) {
  std::vector<std::string> fields(1);
  for (const char c : ace) {
    if (c == ';')
      fields.emplace_back();
    else
      fields.back() += c;
  }
  return fields;
}

std::string NameOf(const std::string& sid) {
  for (const Alias& name : kNames) {
    if (sid == name.sid) return name.alias;
  }
  return sid;
}

// The refusal for one allow entry, "" when it gives no change right to an untrusted trustee.
std::string EntryRefusal(std::string_view ace, const std::vector<std::string>& trusted) {
  const std::vector<std::string> fields = FieldsOf(ace);
  if (fields.size() < 6) return "アクセス許可を読み取れません。";
  const std::string type = Cp932AsciiUpper(fields[0]);
  const bool allow = type == "A" || type == "OA" || type == "XA" || type == "ZA";
  if (!allow) return {};
  if (Cp932AsciiUpper(fields[1]).find("IO") != std::string::npos) return {};  // passes down only
  const auto rights = RightsOf(fields[2]);
  if (!rights) return "アクセス許可を読み取れません。";
  if ((*rights & kChangeRights) == 0) return {};
  const std::string sid = SidOfTrustee(fields[5]);
  for (const std::string& ok : trusted) {
    if (!sid.empty() && sid == ok) return {};
  }
  return (sid.empty() ? fields[5] : NameOf(sid)) + " に変更の権限があります。";
}

}  // namespace

std::string SidOfTrustee(std::string_view trustee) {
  const std::string upper = Cp932AsciiUpper(trustee);
  if (upper.rfind("S-", 0) == 0) return upper;
  for (const Alias& alias : kAliases) {
    if (upper == alias.alias) return alias.sid;
  }
  return {};
}

AccessVerdict JudgeAccess(std::string_view sddl, bool reparsePoint,
                          std::string_view trustedUserSid) {
  if (reparsePoint) return {false, "リンク（再解析ポイント）です。リンク先は確認できません。"};
  const SddlParts parts = PartsOf(sddl);
  const std::string owner = SidOfTrustee(parts.owner);
  std::vector<std::string> trusted = {kSystemSid, kAdministratorsSid, kTrustedInstallerSid};
  if (!trustedUserSid.empty()) trusted.push_back(Cp932AsciiUpper(trustedUserSid));
  bool ownerTrusted = false;
  for (const std::string& ok : trusted) ownerTrusted = ownerTrusted || owner == ok;
  if (!ownerTrusted) {
    const std::string shown =
        parts.owner.empty() ? std::string("（不明）") : NameOf(owner.empty() ? parts.owner : owner);
    return {false,
            "所有者 " + shown + " は SYSTEM、Administrators、このユーザーのいずれでもありません。"};
  }
  trusted.push_back(kOwnerRightsSid);
  if (!parts.hasDacl ||
      Cp932AsciiUpper(parts.dacl).find("NO_ACCESS_CONTROL") != std::string::npos) {
    return {false, "アクセス制御リストがなく、だれでも変更できます。"};
  }
  for (std::size_t open = parts.dacl.find('('); open != std::string::npos;
       open = parts.dacl.find('(', open + 1)) {
    const std::size_t close = parts.dacl.find(')', open);
    if (close == std::string::npos) return {false, "アクセス許可を読み取れません。"};
    const std::string refusal =
        EntryRefusal(std::string_view(parts.dacl).substr(open + 1, close - open - 1), trusted);
    if (!refusal.empty()) return {false, refusal};
    open = close;
  }
  return {true, {}};
}

std::string UnsafePathText(std::string_view path, const AccessVerdict& verdict) {
  std::string text =
      "レポートジョブは SYSTEM として実行されるため、次の場所が管理者以外に変更できる間は"
      "登録できません。\r\n";
  text.append(path).append("\r\n").append(verdict.reason);
  text +=
      "\r\n管理者だけが変更できるフォルダ（Program Files など）にインストールし直すか、"
      "アクセス許可を SYSTEM と Administrators だけが変更できるように直してください。";
  return text;
}

}  // namespace zq

// The settings file on Windows: read, written and protected.
#include <windows.h>

#include "common/AccessSafety_win.h"
#include "common/PlatformText.h"
#include "console/MailSettings.h"

namespace zq {

std::string ReadSetting(const std::string& section, const std::string& key) {
  return ReadProfileString(g_settingsFilePath, section, key);
}

std::uint32_t WriteSetting(const std::string& section, const std::string& key,
                           const std::string& value) {
  if (::WritePrivateProfileStringA(section.c_str(), key.c_str(), ProfileTextOf(value).c_str(),
                                   g_settingsFilePath.c_str())) {
    return 0;
  }
  const DWORD error = ::GetLastError();
  return error != 0 ? error : ERROR_WRITE_FAULT;
}

std::uint32_t ProtectSettingsFile() {
  return ProtectFile(g_settingsFilePath, ProtectedAccessText(true, false));
}

}  // namespace zq

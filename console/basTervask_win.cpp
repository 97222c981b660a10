// The console's start-up module on Windows: settings file, computer name, directories.
#include <windows.h>

#include <vector>

#include "common/AccessSafety_win.h"
#include "common/Cp932.h"
#include "common/MessageBox.h"
#include "common/PlatformText.h"
#include "console/basTervask.h"

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

std::string GetLocalComputerName() { return LocalComputerName(); }

}  // namespace zq

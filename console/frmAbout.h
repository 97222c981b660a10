// The version box: the console's version and legal notice from its own version resource,
// the physical memory, a button that starts the system information tool found through the
// registry, and a link label opened through the shell (a seam, so tests start no browser).
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "common/ModelessDialog.h"
#include "common/PlatformText.h"

namespace zq {

// The system information tool's path: the registered PATH, or MSINFO32.EXE in the
// registered folder when that file exists; nothing otherwise.
std::optional<std::string> SystemInformationPath();

// Total physical memory in KB with thousands separated by commas.
std::string GetPhysicalMemoryText();

class frmAbout final : public ModelessDialog {
 public:
  using OpenLink = std::function<void(const std::string& address)>;
  // `openLink` opens the web address (nullptr: through the shell).
  explicit frmAbout(OpenLink openLink = nullptr);

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;
  void Form_Load();
  void cmdSysInfo_Click();
  void lblURL_Click();

  OpenLink openLink_;
};

}  // namespace zq

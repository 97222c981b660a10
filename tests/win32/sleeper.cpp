// Test helper: zq_sleeper MS [PIDFILE] prints a word without a line end, then sleeps MS
// milliseconds. With PIDFILE it first starts a child sleeper and writes the child's process
// id there, so a test can check that a whole process tree was ended.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  // Started without arguments (as a tool is), it only records that it ran: PROGRAM.started.
  if (argc < 2) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (FILE* started = std::fopen((std::string(self) + ".started").c_str(), "wb"))
      std::fclose(started);
    return 0;
  }
  const DWORD ms = std::strtoul(argv[1], nullptr, 10);
  if (argc >= 3) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string line = "\"" + std::string(self) + "\" " + argv[1];
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
      return 3;
    }
    if (FILE* pid = std::fopen(argv[2], "wb")) {
      std::fprintf(pid, "%lu", info.dwProcessId);
      std::fclose(pid);
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
  std::printf("sleeping");
  std::fflush(stdout);
  Sleep(ms);
  return 0;
}

// GetTickCount64 for the threading runtime the programs link statically: Windows XP has no
// such export, and an import of it alone would stop both programs from starting there. This
// object defines the import slot itself, so the linker needs nothing from kernel32 for it;
// the function uses the real export where it exists and widens GetTickCount elsewhere. It
// must be linked as an object of each program, not from a library.
#include <windows.h>

#include <atomic>

namespace {

using TickFunction = ULONGLONG(WINAPI*)();

// The last value given on a system without the export: its high half counts the wraps of
// the 32-bit count.
std::atomic<unsigned long long> g_last{0};

ULONGLONG WINAPI TickCount64() {
  // No function-local statics: their guard may wait on the runtime, which calls this.
  const auto real = reinterpret_cast<TickFunction>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetTickCount64")));
  if (real) return real();
  unsigned long long previous = g_last.load();
  for (;;) {
    const DWORD now = ::GetTickCount();
    unsigned long long high = previous & 0xFFFFFFFF00000000ull;
    if (now < static_cast<DWORD>(previous)) high += 0x100000000ull;
    const unsigned long long value = high | now;
    if (g_last.compare_exchange_weak(previous, value)) return value;
  }
}

}  // namespace

extern "C" {
#if defined(_WIN64)
TickFunction zq_GetTickCount64_slot __asm__("__imp_GetTickCount64") = TickCount64;
#else
TickFunction zq_GetTickCount64_slot __asm__("__imp__GetTickCount64@0") = TickCount64;
#endif
}

// Move-only owners of Win32 handles: one template, a traits struct per handle kind saying
// which value is invalid and how the handle is released. Windows-only header.
#pragma once

#include <windows.h>

#include <utility>

namespace zq {

template <typename Traits>
class UniqueAny {
 public:
  using Type = typename Traits::Type;

  UniqueAny() = default;
  explicit UniqueAny(Type value) : value_(value) {}
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueAny() { reset(); }

  Type get() const { return value_; }
  bool valid() const { return value_ != Traits::Invalid(); }
  explicit operator bool() const { return valid(); }

  // Releases the owned handle (if any) and takes `value`.
  void reset(Type value = Traits::Invalid()) {
    if (valid()) Traits::Close(value_);
    value_ = value;
  }
  // Gives up ownership without releasing.
  Type release() { return std::exchange(value_, Traits::Invalid()); }
  // Releases the owned handle and hands out the place for a new one, for a call that
  // returns a handle through a pointer: RegOpenKeyExA(..., key.put()).
  Type* put() {
    reset();
    return &value_;
  }

 private:
  Type value_ = Traits::Invalid();
};

// Kernel objects whose invalid value is NULL (processes, threads, jobs, events).
struct HandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::CloseHandle(h); }
};
// Files, whose invalid value is INVALID_HANDLE_VALUE.
struct FileHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::CloseHandle(h); }
};
struct ServiceHandleTraits {
  using Type = SC_HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::CloseServiceHandle(h); }
};
struct RegKeyTraits {
  using Type = HKEY;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::RegCloseKey(h); }
};
struct ModuleTraits {
  using Type = HMODULE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::FreeLibrary(h); }
};

struct EventLogTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::CloseEventLog(h); }
};
// Memory handed out by the platform with LocalAlloc (FormatMessage's allocated buffers).
struct LocalMemoryTraits {
  using Type = HLOCAL;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::LocalFree(h); }
};

// Memory from GlobalAlloc.
struct GlobalMemoryTraits {
  using Type = HGLOBAL;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::GlobalFree(h); }
};

using UniqueHandle = UniqueAny<HandleTraits>;
using UniqueGlobalMemory = UniqueAny<GlobalMemoryTraits>;
using UniqueFile = UniqueAny<FileHandleTraits>;
using UniqueServiceHandle = UniqueAny<ServiceHandleTraits>;
using UniqueRegKey = UniqueAny<RegKeyTraits>;
using UniqueModule = UniqueAny<ModuleTraits>;
using UniqueEventLog = UniqueAny<EventLogTraits>;
using UniqueLocalMemory = UniqueAny<LocalMemoryTraits>;

}  // namespace zq

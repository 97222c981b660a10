// Task Scheduler 2.0 tasks as jobs.
#include "console/jobs/TaskJobStore_win.h"

#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <optional>
#include <set>
#include <utility>

#include "common/PlatformText.h"
#include "common/UniqueHandle.h"
#include "console/jobs/TaskXml.h"
#include "console/jobs/basScheduleJob_win.h"

namespace zq {
namespace {

constexpr wchar_t kFolderPath[] = L"\\zq";
constexpr wchar_t kFolderName[] = L"zq";
constexpr wchar_t kRootPath[] = L"\\";
// Without an enumeration (some implementations have none) own tasks are looked up by name
// until this many numbers in a row are free.
constexpr std::uint32_t kProbeGap = 32;
// The console's folder, readable and changeable by SYSTEM and Administrators only.
constexpr wchar_t kFolderAccess[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

template <typename T>
class Com {
 public:
  Com() = default;
  ~Com() { reset(); }
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  T** put() {
    reset();
    return &p_;
  }
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }

 private:
  T* p_ = nullptr;
};

class Bstr {
 public:
  explicit Bstr(const std::wstring& text)
      : b_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  Bstr() = default;
  ~Bstr() { ::SysFreeString(b_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return b_; }
  BSTR* put() {
    ::SysFreeString(b_);
    b_ = nullptr;
    return &b_;
  }

 private:
  BSTR b_ = nullptr;
};

class Variant {
 public:
  Variant() { ::VariantInit(&v_); }
  explicit Variant(const std::wstring& text) : Variant() {
    v_.vt = VT_BSTR;
    v_.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  }
  explicit Variant(long number) : Variant() {
    v_.vt = VT_I4;
    v_.lVal = number;
  }
  ~Variant() { ::VariantClear(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  const VARIANT& get() const { return v_; }

 private:
  VARIANT v_;
};

bool IsMissing(HRESULT hr) {
  return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
         hr == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

// The number of "zq-N" or "AtN" (1 to kMaxTaskNumber, no leading zero); 0 for any other name.
std::uint32_t NumberOf(const std::wstring& name, const wchar_t* prefix) {
  const std::size_t length = std::wcslen(prefix);
  if (name.size() <= length || name.compare(0, length, prefix) != 0 || name[length] == L'0') {
    return 0;
  }
  std::uint32_t n = 0;
  for (std::size_t i = length; i < name.size(); ++i) {
    if (name[i] < L'0' || name[i] > L'9') return 0;
    n = n * 10 + static_cast<std::uint32_t>(name[i] - L'0');
    if (n > kMaxTaskNumber) return 0;
  }
  return n;
}

// A task as a job row: its definition read back, whether the console wrote it, and an error
// mark for a failed last run (task states SCHED_S_* are not failures).
JobRecord RecordOf(IRegisteredTask* task, std::uint32_t id) {
  JobRecord record{id, {}, true};
  Bstr xml;
  if (SUCCEEDED(task->get_Xml(xml.put())) && xml.get()) {
    const TaskJob read = JobOfTaskXml(AnsiOfWide(xml.get()));
    record.job = read.job;
    record.foreign = !read.ownDefinition;
  }
  LONG result = 0;
  if (SUCCEEDED(task->get_LastTaskResult(&result))) {
    const auto code = static_cast<std::uint32_t>(result);
    const bool state = code >= 0x00041300 && code <= 0x0004131F;
    if (code != 0 && !state) record.job.flags |= kJobExecError;
  }
  return record;
}

// A file the system would start: found on the search path the way a process start finds it.
bool ProgramExists(const std::string& name) {
  char found[MAX_PATH + 1] = {};
  const DWORD length = ::SearchPathA(nullptr, name.c_str(), nullptr, sizeof found, found, nullptr);
  if (length == 0 || length > MAX_PATH) return false;
  const DWORD attributes = ::GetFileAttributesA(found);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring OwnName(std::uint32_t n) { return L"zq-" + std::to_wstring(n); }

}  // namespace

std::optional<CommandParts> TaskProgramOf(const std::string& command) {
  return ResolveProgramCommand(command, ProgramExists);
}

TaskJobStore::TaskJobStore(const Clock& clock) : clock_(clock) {
  const HRESULT started = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  comStarted_ = SUCCEEDED(started);
  ITaskService* service = nullptr;
  HRESULT hr = ::CoCreateInstance(__uuidof(TaskScheduler), nullptr, CLSCTX_INPROC_SERVER,
                                  __uuidof(ITaskService), reinterpret_cast<void**>(&service));
  if (SUCCEEDED(hr)) {
    Variant none;
    hr = service->Connect(none.get(), none.get(), none.get(), none.get());
    if (FAILED(hr)) {
      service->Release();
      service = nullptr;
    }
  }
  service_ = service;
  status_ = static_cast<std::uint32_t>(hr);
}

TaskJobStore::~TaskJobStore() {
  if (service_) service_->Release();
  if (comStarted_) ::CoUninitialize();
}

// The jobs of one folder: tasks "zq-N" of the console's folder (those the console did not
// write marked, with ids of their own), or AT-style "AtN". A folder that is not there holds
// none.
std::uint32_t TaskJobStore::ListFolder(const wchar_t* path, bool own,
                                       std::vector<JobRecord>& jobs) {
  Com<ITaskFolder> folder;
  HRESULT hr = service_->GetFolder(Bstr(path).get(), folder.put());
  if (IsMissing(hr)) return 0;
  if (FAILED(hr)) return static_cast<std::uint32_t>(hr);
  Com<IRegisteredTaskCollection> tasks;
  hr = folder->GetTasks(TASK_ENUM_HIDDEN, tasks.put());
  LONG count = 0;
  if (SUCCEEDED(hr)) hr = tasks->get_Count(&count);
  if (hr == E_NOTIMPL) {
    // AT-style tasks cannot be guessed; they are listed where a folder can be enumerated.
    if (own) ProbeOwnTasks(folder.get(), jobs);
    return 0;
  }
  if (FAILED(hr)) return static_cast<std::uint32_t>(hr);
  for (LONG i = 1; i <= count; ++i) {
    Com<IRegisteredTask> task;
    Bstr name;
    if (FAILED(tasks->get_Item(Variant(i).get(), task.put())) ||
        FAILED(task->get_Name(name.put())) || !name.get()) {
      continue;
    }
    Take(task.get(), name.get(), own, jobs);
  }
  return 0;
}

// One task as a row: AT-style ones by number; in the console's folder, those the console did
// not write (or named outside its numbers) with ids of their own, every zq-N number taken.
void TaskJobStore::Take(IRegisteredTask* task, const std::wstring& name, bool own,
                        std::vector<JobRecord>& jobs) {
  const std::uint32_t n = NumberOf(name, own ? L"zq-" : L"At");
  if (!own) {
    if (n != 0) jobs.push_back(RecordOf(task, kAtTaskIdBase + n));
    return;
  }
  if (n != 0) taken_.insert(n);
  JobRecord record = RecordOf(task, n);
  if (n == 0 || record.foreign) {
    record.foreign = true;
    record.id = kForeignTaskIdBase + static_cast<std::uint32_t>(foreignNames_.size());
    foreignNames_[record.id] = name;
  }
  jobs.push_back(record);
}

// Own tasks looked up by name, for an implementation that cannot enumerate a folder.
void TaskJobStore::ProbeOwnTasks(ITaskFolder* folder, std::vector<JobRecord>& jobs) {
  for (std::uint32_t n = 1, free = 0; free < kProbeGap && n <= kMaxTaskNumber; ++n) {
    Com<IRegisteredTask> task;
    if (FAILED(folder->GetTask(Bstr(OwnName(n)).get(), task.put()))) {
      ++free;
      continue;
    }
    free = 0;
    Take(task.get(), OwnName(n), true, jobs);
  }
}

JobStore::Page TaskJobStore::Enumerate(std::uint32_t& resume) {
  Page page;
  if (!service_) return {status_, {}};
  foreignNames_.clear();
  taken_.clear();
  page.status = ListFolder(kFolderPath, true, page.jobs);
  if (page.status == 0) page.status = ListFolder(kRootPath, false, page.jobs);
  std::sort(page.jobs.begin(), page.jobs.end(),
            [](const JobRecord& a, const JobRecord& b) { return a.id < b.id; });
  resume = 0;
  return page;
}

std::uint32_t TaskJobStore::Add(const JobSpec& job, std::uint32_t& id) {
  if (!service_) return status_;
  const std::optional<CommandParts> program = TaskProgramOf(job.command);
  if (!program) return kProgramNotFound;
  Com<ITaskFolder> folder;
  HRESULT hr = service_->GetFolder(Bstr(kFolderPath).get(), folder.put());
  if (IsMissing(hr)) {
    Com<ITaskFolder> root;
    hr = service_->GetFolder(Bstr(kRootPath).get(), root.put());
    if (SUCCEEDED(hr)) {
      const Variant access{std::wstring(kFolderAccess)};
      hr = root->CreateFolder(Bstr(kFolderName).get(), access.get(), folder.put());
    }
  }
  if (FAILED(hr)) return static_cast<std::uint32_t>(hr);
  std::vector<JobRecord> existing;
  foreignNames_.clear();
  taken_.clear();
  if (const std::uint32_t status = ListFolder(kFolderPath, true, existing)) return status;
  std::set<std::uint32_t> ownNumbers;
  for (const JobRecord& record : existing) {
    if (!record.foreign) ownNumbers.insert(record.id);
  }
  const std::uint32_t next = NextTaskNumber(ownNumbers, taken_, kMaxTaskNumber);
  if (next == 0) return static_cast<std::uint32_t>(HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS));
  // Report jobs run as SYSTEM without a logon; interactive jobs as the registering user,
  // only while that user is logged on.
  const bool system = (job.flags & kJobNonInteractive) != 0;
  const Variant user = system ? Variant(std::wstring(L"SYSTEM")) : Variant();
  const Variant none;
  Com<IRegisteredTask> registered;
  hr = folder->RegisterTask(Bstr(OwnName(next)).get(),
                            Bstr(WideOfAnsi(TaskXmlOf(job, *program, clock_.Now()))).get(),
                            TASK_CREATE, user.get(), none.get(),
                            system ? TASK_LOGON_SERVICE_ACCOUNT : TASK_LOGON_INTERACTIVE_TOKEN,
                            none.get(), registered.put());
  if (FAILED(hr)) return static_cast<std::uint32_t>(hr);
  id = next;
  return 0;
}

std::uint32_t TaskJobStore::Delete(std::uint32_t id) {
  if (!service_) return status_;
  const bool at = id > kAtTaskIdBase && id < kForeignTaskIdBase;
  Com<ITaskFolder> folder;
  HRESULT hr = service_->GetFolder(Bstr(at ? kRootPath : kFolderPath).get(), folder.put());
  if (FAILED(hr)) return static_cast<std::uint32_t>(hr);
  std::wstring name = at ? L"At" + std::to_wstring(id - kAtTaskIdBase) : OwnName(id);
  if (id >= kForeignTaskIdBase) {
    const auto found = foreignNames_.find(id);
    if (found == foreignNames_.end()) {
      return static_cast<std::uint32_t>(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    }
    name = found->second;
  }
  hr = folder->DeleteTask(Bstr(name).get(), 0);
  return FAILED(hr) ? static_cast<std::uint32_t>(hr) : 0;
}

// The code in hexadecimal with the scheduler's own text: the system's, that of the Win32
// error inside it, or the message table of the scheduler's library.
std::string TaskJobStore::ErrorText(std::uint32_t status) {
  if (status == kProgramNotFound) {
    return "コマンドのプログラムが見つかりません。空白を含むパスは \"\" で囲んでください。";
  }
  std::string text = GetSystemErrorText(status);
  if (text.empty() && HRESULT_FACILITY(status) == FACILITY_WIN32) {
    text = GetSystemErrorText(HRESULT_CODE(status));
  }
  if (text.empty()) {
    const UniqueModule library(::LoadLibraryExA("taskschd.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (library) text = ModuleErrorText(library.get(), status);
  }
  char code[32];
  std::snprintf(code, sizeof code, "エラーコード: 0x%08X", static_cast<unsigned>(status));
  return text.empty() ? std::string(code) : std::string(code) + "\r\n" + text;
}

}  // namespace zq

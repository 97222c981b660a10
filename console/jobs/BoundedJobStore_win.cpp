// The job store on a thread of its own.
#include "console/jobs/BoundedJobStore_win.h"

#include <mutex>

#include "common/MessageWait_win.h"
#include "common/UniqueHandle.h"

namespace zq {
namespace {

enum Kind { kEnumerate, kAdd, kDelete, kErrorText };

}  // namespace

// What the window's thread and the store's thread share. The window's thread writes a request
// only while no call is out (done set), the store's thread only while one is; the events order
// the two.
struct BoundedJobStore::Shared {
  Factory make;
  UniqueHandle request{::CreateEventA(nullptr, FALSE, FALSE, nullptr)};
  UniqueHandle done{::CreateEventA(nullptr, TRUE, TRUE, nullptr)};
  UniqueHandle stop{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  int kind = kEnumerate;
  std::uint32_t resume = 0, id = 0, status = 0;
  JobSpec job;
  Page page;
  std::string text;
  mutable std::mutex nameLock;
  std::string name;
  bool ownFolder = false;
};

namespace {

void Serve(BoundedJobStore::Shared& shared, JobStore& store) {
  switch (shared.kind) {
    case kEnumerate:
      shared.page = store.Enumerate(shared.resume);
      break;
    case kAdd:
      shared.status = store.Add(shared.job, shared.id);
      break;
    case kDelete:
      shared.status = store.Delete(shared.id);
      break;
    default:
      shared.text = store.ErrorText(shared.status);
  }
}

DWORD WINAPI StoreThread(void* parameter) {
  const std::unique_ptr<std::shared_ptr<BoundedJobStore::Shared>> owner(
      static_cast<std::shared_ptr<BoundedJobStore::Shared>*>(parameter));
  BoundedJobStore::Shared& shared = **owner;
  std::unique_ptr<JobStore> store = shared.make();
  {
    const std::lock_guard<std::mutex> lock(shared.nameLock);
    shared.name = store->Name();
    shared.ownFolder = store->HasOwnFolder();
  }
  const HANDLE events[] = {shared.stop.get(), shared.request.get()};
  while (::WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
    Serve(shared, *store);
    ::SetEvent(shared.done.get());
  }
  return 0;
}

}  // namespace

BoundedJobStore::BoundedJobStore(Factory make, DWORD boundMs)
    : shared_(std::make_shared<Shared>()), boundMs_(boundMs) {
  shared_->make = std::move(make);
  auto* handed = new std::shared_ptr<Shared>(shared_);
  const UniqueHandle thread(::CreateThread(nullptr, 0, StoreThread, handed, 0, nullptr));
  if (!thread) {
    delete handed;
    shared_->stop.reset();  // marks the store as unusable
  }
}

BoundedJobStore::~BoundedJobStore() {
  if (shared_->stop) ::SetEvent(shared_->stop.get());
}

// Hands request `kind`, filled by `fill`, to the store's thread and waits for its answer
// within the bound. Nothing is written while an earlier call is still out.
bool BoundedJobStore::Call(int kind, const std::function<void(Shared&)>& fill) {
  if (!shared_->stop || !shared_->request || !shared_->done) return false;
  if (::WaitForSingleObject(shared_->done.get(), 0) != WAIT_OBJECT_0) return false;  // still out
  shared_->kind = kind;
  fill(*shared_);
  ::ResetEvent(shared_->done.get());
  ::SetEvent(shared_->request.get());
  return WaitServingMessages(shared_->done.get(), boundMs_);
}

JobStore::Page BoundedJobStore::Enumerate(std::uint32_t& resume) {
  if (!Call(kEnumerate, [resume](Shared& s) { s.resume = resume; })) {
    return {kStoreNotAnswering, {}};
  }
  resume = shared_->resume;
  return shared_->page;
}

std::uint32_t BoundedJobStore::Add(const JobSpec& job, std::uint32_t& id) {
  if (!Call(kAdd, [&job](Shared& s) { s.job = job; })) return kStoreNotAnswering;
  id = shared_->id;
  return shared_->status;
}

std::uint32_t BoundedJobStore::Delete(std::uint32_t id) {
  if (!Call(kDelete, [id](Shared& s) { s.id = id; })) return kStoreNotAnswering;
  return shared_->status;
}

std::string BoundedJobStore::ErrorText(std::uint32_t status) {
  if (status == kStoreNotAnswering) {
    return "スケジューラが " + std::to_string(boundMs_ / 1000) +
           " 秒以内に応答しませんでした。しばらくしてから「最新に更新」を押してください。";
  }
  if (!Call(kErrorText, [status](Shared& s) { s.status = status; })) return {};
  return shared_->text;
}

std::string BoundedJobStore::Name() const {
  const std::lock_guard<std::mutex> lock(shared_->nameLock);
  return shared_->name;
}

bool BoundedJobStore::HasOwnFolder() const {
  const std::lock_guard<std::mutex> lock(shared_->nameLock);
  return shared_->ownFolder;
}

}  // namespace zq

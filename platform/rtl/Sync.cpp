#include "platform/rtl/Sync.h"

#include "platform/rtl/Exceptions.h"

#include <chrono>
#include <deque>
#include <memory>

// ---- TEvent ----------------------------------------------------------------

void TEvent::SetEvent() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    signaled_ = true;
  }
  if (manualReset_)
    cond_.notify_all();
  else
    cond_.notify_one();
}

void TEvent::ResetEvent() {
  std::lock_guard<std::mutex> lock(mutex_);
  signaled_ = false;
}

TWaitResult TEvent::WaitFor(uint32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto ready = [this] { return signaled_; };
  if (timeoutMs == INFINITE) {
    cond_.wait(lock, ready);
  } else if (!cond_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
    return TWaitResult::wrTimeout;
  }
  if (!manualReset_) signaled_ = false;
  return TWaitResult::wrSignaled;
}

// ---- Synchronize queue -----------------------------------------------------

namespace {
struct SyncCall {
  std::function<void()> method;
  std::exception_ptr error;
  bool done = false;
};

struct SyncQueue {
  std::mutex mutex;
  std::condition_variable doneCond;
  std::deque<std::shared_ptr<SyncCall>> calls;
  std::function<void()> wake;
  std::thread::id mainId = std::this_thread::get_id();
};

SyncQueue& syncQueue() {
  static SyncQueue queue;
  return queue;
}
} // namespace

void TThread::SetWakeMainThread(std::function<void()> wake) {
  auto& q = syncQueue();
  std::lock_guard<std::mutex> lock(q.mutex);
  q.wake = std::move(wake);
}

void TThread::SetMainThreadId(std::thread::id id) {
  auto& q = syncQueue();
  std::lock_guard<std::mutex> lock(q.mutex);
  q.mainId = id;
}

bool TThread::IsMainThread() {
  auto& q = syncQueue();
  std::lock_guard<std::mutex> lock(q.mutex);
  return q.mainId == std::this_thread::get_id();
}

void TThread::Synchronize(const std::function<void()>& method) {
  if (IsMainThread()) {
    method();
    return;
  }
  auto& q = syncQueue();
  auto call = std::make_shared<SyncCall>();
  call->method = method;
  std::function<void()> wake;
  {
    std::lock_guard<std::mutex> lock(q.mutex);
    q.calls.push_back(call);
    wake = q.wake;
  }
  if (wake) wake();
  std::unique_lock<std::mutex> lock(q.mutex);
  q.doneCond.wait(lock, [&] { return call->done; });
  if (call->error) std::rethrow_exception(call->error);
}

bool TThread::CheckSynchronize() {
  auto& q = syncQueue();
  bool any = false;
  for (;;) {
    std::shared_ptr<SyncCall> call;
    {
      std::lock_guard<std::mutex> lock(q.mutex);
      if (q.calls.empty()) break;
      call = q.calls.front();
      q.calls.pop_front();
    }
    any = true;
    // The lock is not held while the call runs, so the call may queue or run
    // further calls (CheckSynchronize is re-entrant).
    try {
      call->method();
    } catch (...) {
      call->error = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> lock(q.mutex);
      call->done = true;
    }
    q.doneCond.notify_all();
  }
  return any;
}

// ---- TThread ---------------------------------------------------------------

TThread::TThread() {
  syncQueue();
}

TThread::~TThread() {
  StopAndWait();
}

void TThread::StopAndWait() noexcept {
  if (!thread_.joinable()) return;
  Terminate();
  if (thread_.get_id() == std::this_thread::get_id()) {
    thread_.detach();
    return;
  }
  waitFinished();
  thread_.join();
}

void TThread::Start() {
  std::lock_guard<std::mutex> lock(stateMutex_);
  if (started_) throw EInvalidOperation("Cannot call Start on a running or terminated thread");
  started_ = true;
  std::thread worker([this] { Run(); });
  if (freeOnTerminate_)
    worker.detach();
  else
    thread_ = std::move(worker);
}

void TThread::Run() {
  // Wait until Start has let go of the object (a thread that frees itself may
  // otherwise delete it under Start's feet).
  { std::lock_guard<std::mutex> lock(stateMutex_); }
  try {
    Execute();
  } catch (...) {
    fatal_ = std::current_exception();
  }
  if (OnTerminate) {
    try {
      Synchronize([this] { OnTerminate(*this); });
    } catch (...) {
      if (!fatal_) fatal_ = std::current_exception();
    }
  }
  if (freeOnTerminate_) {
    delete this;
    return;
  }
  {
    std::lock_guard<std::mutex> lock(stateMutex_);
    finished_ = true;
  }
  finishedCond_.notify_all();
}

void TThread::waitFinished() {
  std::unique_lock<std::mutex> lock(stateMutex_);
  // While waiting on the main thread, queued Synchronize calls keep running
  // so that a worker blocked in Synchronize can finish.
  while (!finished_) {
    if (IsMainThread()) {
      lock.unlock();
      CheckSynchronize();
      lock.lock();
      finishedCond_.wait_for(lock, std::chrono::milliseconds(5));
    } else {
      finishedCond_.wait(lock);
    }
  }
}

int TThread::WaitFor() {
  if (freeOnTerminate_) throw EInvalidOperation("Cannot wait for a thread that frees itself");
  {
    std::lock_guard<std::mutex> lock(stateMutex_);
    if (!started_) throw EInvalidOperation("Cannot wait for a thread that was not started");
  }
  waitFinished();
  if (thread_.joinable()) thread_.join();
  return returnValue_;
}

bool TThread::Finished() const {
  std::lock_guard<std::mutex> lock(stateMutex_);
  return finished_;
}

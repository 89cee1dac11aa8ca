// Critical sections, events and threads.
//
// TCriticalSection is recursive: the thread that holds it may enter again.
// TEvent is an auto-reset or manual-reset event. TThread runs Execute on its
// own thread: it is created suspended, started with Start, asked to stop with
// Terminate and joined with WaitFor; an exception escaping Execute is kept in
// FatalException. Synchronize blocks the worker until the main thread has run
// the call in CheckSynchronize.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class TCriticalSection {
public:
  TCriticalSection() = default;
  TCriticalSection(const TCriticalSection&) = delete;
  TCriticalSection& operator=(const TCriticalSection&) = delete;

  void Enter() { mutex_.lock(); }
  void Leave() { mutex_.unlock(); }
  bool TryEnter() { return mutex_.try_lock(); }
  void Acquire() { Enter(); }
  void Release() { Leave(); }

private:
  std::recursive_mutex mutex_;
};

/// Holds a critical section for the lifetime of the guard.
class TCriticalSectionGuard {
public:
  explicit TCriticalSectionGuard(TCriticalSection& section) : section_(section) {
    section_.Enter();
  }
  ~TCriticalSectionGuard() { section_.Leave(); }
  TCriticalSectionGuard(const TCriticalSectionGuard&) = delete;
  TCriticalSectionGuard& operator=(const TCriticalSectionGuard&) = delete;

private:
  TCriticalSection& section_;
};

enum class TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

constexpr uint32_t INFINITE = 0xFFFFFFFFu;

/// An event: SetEvent signals it; WaitFor returns once it is signalled. An
/// auto-reset event releases one waiter and resets itself.
class TEvent {
public:
  explicit TEvent(bool manualReset = false, bool initialState = false)
      : manualReset_(manualReset), signaled_(initialState) {}
  TEvent(const TEvent&) = delete;
  TEvent& operator=(const TEvent&) = delete;

  void SetEvent();
  void ResetEvent();
  /// Waits at most `timeoutMs` milliseconds (INFINITE: no limit).
  TWaitResult WaitFor(uint32_t timeoutMs = INFINITE);

private:
  std::mutex mutex_;
  std::condition_variable cond_;
  bool manualReset_;
  bool signaled_;
};

class TThread {
public:
  /// Threads are created suspended; Start runs Execute.
  TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;
  /// Terminates and waits for a running thread (unless it frees itself).
  /// By then the derived parts are gone, so a derived class whose Execute
  /// uses its own members calls StopAndWait() in its destructor.
  virtual ~TThread();

  void Start();
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  /// Waits until Execute has returned; gives ReturnValue.
  int WaitFor();
  bool Finished() const;

  bool FreeOnTerminate() const { return freeOnTerminate_; }
  /// A thread that frees itself deletes its object after Execute (and
  /// OnTerminate) return; nobody may touch the object after Start then.
  void SetFreeOnTerminate(bool value) { freeOnTerminate_ = value; }

  /// The exception that escaped Execute, if any.
  std::exception_ptr FatalException() const { return fatal_; }
  int ReturnValue() const { return returnValue_; }

  /// Runs on the main thread (through CheckSynchronize) once Execute ends.
  std::function<void(TThread&)> OnTerminate;

  /// Runs `method` on the main thread and waits for it; on the main thread
  /// it runs at once. An exception raised by the method is raised here.
  static void Synchronize(const std::function<void()>& method);
  /// Runs the calls that worker threads have queued; true when any ran.
  /// Re-entrant: a queued call may itself call CheckSynchronize.
  static bool CheckSynchronize();
  /// Called from a worker when a call is queued, so that the user-interface
  /// loop can wake up and call CheckSynchronize.
  static void SetWakeMainThread(std::function<void()> wake);
  /// The thread treated as the main thread (the one that first used TThread,
  /// unless set).
  static void SetMainThreadId(std::thread::id id);
  static bool IsMainThread();

protected:
  virtual void Execute() = 0;
  /// Terminates a started thread and waits for it; does nothing otherwise.
  void StopAndWait() noexcept;
  void SetReturnValue(int value) { returnValue_ = value; }

private:
  void Run();
  void waitFinished();

  std::thread thread_;
  mutable std::mutex stateMutex_;
  std::condition_variable finishedCond_;
  bool started_ = false;
  bool finished_ = false;
  std::atomic<bool> terminated_{false};
  bool freeOnTerminate_ = false;
  int returnValue_ = 0;
  std::exception_ptr fatal_;
};

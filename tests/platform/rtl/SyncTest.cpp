#include "platform/rtl/Sync.h"
#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(Sync, CriticalSectionIsRecursive) {
  TCriticalSection cs;
  cs.Enter();
  cs.Enter(); // the holder may enter again
  bool otherGot = true;
  std::thread([&] { otherGot = cs.TryEnter(); }).join();
  EXPECT_FALSE(otherGot);
  cs.Leave();
  std::thread([&] { otherGot = cs.TryEnter(); }).join();
  EXPECT_FALSE(otherGot); // still held once
  cs.Leave();
  std::thread([&] {
    otherGot = cs.TryEnter();
    if (otherGot) cs.Leave();
  }).join();
  EXPECT_TRUE(otherGot);
}

TEST(Sync, Events) {
  TEvent autoReset;
  EXPECT_EQ(autoReset.WaitFor(0), TWaitResult::wrTimeout);
  autoReset.SetEvent();
  EXPECT_EQ(autoReset.WaitFor(0), TWaitResult::wrSignaled);
  EXPECT_EQ(autoReset.WaitFor(0), TWaitResult::wrTimeout); // reset by the wait

  TEvent manual(true, true);
  EXPECT_EQ(manual.WaitFor(0), TWaitResult::wrSignaled);
  EXPECT_EQ(manual.WaitFor(0), TWaitResult::wrSignaled);
  manual.ResetEvent();
  EXPECT_EQ(manual.WaitFor(10), TWaitResult::wrTimeout);

  TEvent wake;
  std::thread setter([&] { wake.SetEvent(); });
  EXPECT_EQ(wake.WaitFor(INFINITE), TWaitResult::wrSignaled);
  setter.join();
}

namespace {
class Worker : public TThread {
public:
  std::function<void(Worker&)> body;
  std::atomic<int>* deaths = nullptr;
  ~Worker() override {
    StopAndWait();
    if (deaths) ++*deaths;
  }
  bool IsTerminated() const { return Terminated(); }
  void Return(int v) { SetReturnValue(v); }

protected:
  void Execute() override { body(*this); }
};
} // namespace

TEST(Sync, ThreadRunsAfterStartAndKeepsItsException) {
  std::atomic<bool> ran{false};
  Worker w;
  w.body = [&](Worker& self) {
    ran = true;
    self.Return(7);
    throw EConvertError("bad value");
  };
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_FALSE(ran); // created suspended
  w.Start();
  EXPECT_EQ(w.WaitFor(), 7);
  EXPECT_TRUE(ran);
  EXPECT_TRUE(w.Finished());
  ASSERT_TRUE(w.FatalException());
  EXPECT_THROW(std::rethrow_exception(w.FatalException()), EConvertError);
  EXPECT_THROW(w.Start(), EInvalidOperation);
}

TEST(Sync, TerminateIsAFlagTheThreadPolls) {
  auto w = std::make_unique<Worker>();
  std::atomic<int> loops{0};
  w->body = [&](Worker& self) {
    while (!self.IsTerminated()) {
      ++loops;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  };
  w->Start();
  while (loops == 0)
    std::this_thread::yield();
  w.reset(); // the destructor terminates and waits
  SUCCEED();
}

TEST(Sync, SynchronizeRunsOnTheMainThread) {
  const auto mainId = std::this_thread::get_id();
  TThread::SetMainThreadId(mainId);
  std::thread::id ranOn;
  bool synchronizedError = false;
  Worker w;
  w.body = [&](Worker&) {
    TThread::Synchronize([&] { ranOn = std::this_thread::get_id(); });
    try {
      TThread::Synchronize([] { throw EAbort("stop"); });
    } catch (const EAbort&) {
      synchronizedError = true; // raised in the worker that asked
    }
  };
  std::atomic<int> wakes{0};
  TThread::SetWakeMainThread([&] { ++wakes; });
  w.Start();
  w.WaitFor(); // waiting on the main thread runs the queued calls
  TThread::SetWakeMainThread(nullptr);
  EXPECT_EQ(ranOn, mainId);
  EXPECT_TRUE(synchronizedError);
  EXPECT_EQ(wakes, 2); // the user-interface loop is told of each queued call
  EXPECT_FALSE(TThread::CheckSynchronize()); // nothing left
}

TEST(Sync, CheckSynchronizeIsReentrant) {
  TThread::SetMainThreadId(std::this_thread::get_id());
  std::string order; // touched only by calls running on this thread
  TEvent goB;
  std::thread a([&] {
    TThread::Synchronize([&] {
      order += "a";
      goB.SetEvent();
      // Runs b's call from inside a's.
      for (int i = 0; i < 10000 && !TThread::CheckSynchronize(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      order += "A";
    });
  });
  std::thread b([&] {
    goB.WaitFor(INFINITE);
    TThread::Synchronize([&] { order += "b"; });
  });
  for (int i = 0; i < 10000 && order.size() < 3; ++i) {
    TThread::CheckSynchronize();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  a.join();
  b.join();
  EXPECT_EQ(order, "abA");
}

TEST(Sync, FreeOnTerminateDeletesTheObject) {
  std::atomic<int> deaths{0};
  TEvent done;
  auto* w = new Worker;
  w->deaths = &deaths;
  w->SetFreeOnTerminate(true);
  w->body = [&](Worker&) { done.SetEvent(); };
  w->Start();
  EXPECT_EQ(done.WaitFor(5000), TWaitResult::wrSignaled);
  for (int i = 0; i < 500 && deaths == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_EQ(deaths, 1);
}

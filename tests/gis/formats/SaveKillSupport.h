// Saves killed in a child process: what the tests of the writers' safe file
// sets share (a child with a time limit, the time a save takes there, and
// rounds of kills at seeded moments).
#pragma once

#include <algorithm>
#include <functional>
#include <random>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace fmttest {

/// Runs `body` in a child process, which ends after 60 s if it hangs; an
/// exception ends it with 99. Returns the child's wait status.
inline int InChild(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(60);
    int code = 0;
    try {
      code = body();
    } catch (...) {
      code = 99;
    }
    ::_exit(code);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return status;
}

/// How long `save` takes in a child process here, the fork included (a large
/// part of it under the sanitizers), in microseconds; -1 when the save failed.
inline long ChildSaveMicroseconds(const std::function<void()>& save) {
  timespec t0{}, t1{};
  ::clock_gettime(CLOCK_MONOTONIC, &t0);
  const int status = InChild([&] {
    save();
    return 0;
  });
  ::clock_gettime(CLOCK_MONOTONIC, &t1);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return (t1.tv_sec - t0.tv_sec) * 1000000L + (t1.tv_nsec - t0.tv_nsec) / 1000;
}

/// For each of `rounds` rounds: a child runs save(round) and is killed
/// (SIGKILL) at a moment drawn from [0, window) microseconds with a generator
/// seeded by `seed`; once it is gone, check(round) looks at what is on disk
/// (recovering the set first) and returns false to stop the rounds.
inline void KillSavesAtRandom(int rounds, unsigned seed, long window,
                              const std::function<void(int)>& save,
                              const std::function<bool(int)>& check) {
  std::mt19937 rng(seed);
  for (int round = 0; round < rounds; ++round) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::alarm(60);
      try {
        save(round);
      } catch (...) {
        ::_exit(1);
      }
      ::_exit(0);
    }
    ::usleep(useconds_t(rng() % std::max(1L, window)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!check(round)) return;
  }
}

/// How often a killed save left the generation on disk before it, and how
/// often the one it saved.
struct TKillTally {
  int Old = 0, New = 0;
};

/// KillSavesAtRandom over saves that alternate between two generations of a
/// set: even rounds save generation `second`, odd ones `first` (the one on
/// disk before the first round). After each kill, `generation()` tells what
/// is on disk (-1 when it is not whole): it must be the generation before the
/// round or the one the round saved; a failure ends the rounds.
inline TKillTally KillAlternatingSaves(int rounds, unsigned seed, long window, double first,
                                       double second, const std::function<void(int)>& save,
                                       const std::function<double()>& generation) {
  TKillTally tally;
  double current = first;
  KillSavesAtRandom(rounds, seed, window, save, [&](int round) {
    const double next = round % 2 == 0 ? second : first;
    const double found = generation();
    if (found != current && found != next) {
      ADD_FAILURE() << "round " << round << ": generation " << found;
      return false;
    }
    (found == current ? tally.Old : tally.New)++;
    current = found;
    return true;
  });
  return tally;
}

} // namespace fmttest

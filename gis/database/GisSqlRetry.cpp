#include "gis/database/GisSqlRetry.h"

#include "platform/data/DataAccess.h"
#include "platform/rtl/Exceptions.h"

#include <chrono>
#include <mutex>
#include <random>
#include <thread>

namespace {

std::mutex& RetryLock() {
  static std::mutex m;
  return m;
}
TGIS_SqlPause& PauseSlot() {
  static TGIS_SqlPause p;
  return p;
}
TGIS_SqlRandom& RandomSlot() {
  static TGIS_SqlRandom r;
  return r;
}

void RetryPause() {
  TGIS_SqlPause pause;
  TGIS_SqlRandom random;
  {
    std::lock_guard<std::mutex> guard(RetryLock());
    pause = PauseSlot();
    random = RandomSlot();
  }
  int ms = 0;
  if (random) {
    ms = random(10);
  } else {
    thread_local std::minstd_rand engine(std::random_device{}());
    ms = static_cast<int>(engine() % 10);
  }
  if (pause)
    pause(ms);
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

void GisSetSqlRetryPause(TGIS_SqlPause pause) {
  std::lock_guard<std::mutex> guard(RetryLock());
  PauseSlot() = std::move(pause);
}

void GisSetSqlRetryRandom(TGIS_SqlRandom random) {
  std::lock_guard<std::mutex> guard(RetryLock());
  RandomSlot() = std::move(random);
}

bool GisSqlRetry(const std::function<void(int attempt)>& attempt, const std::function<bool()>& stop,
                 const std::function<void()>& beforeNext) {
  for (int n = 0;; ++n) {
    try {
      attempt(n);
      return true;
    } catch (const data::EDataConnectionLost&) {
      throw;
    } catch (const Exception&) {
      if (stop && stop()) return false;
      if (n + 1 >= GIS_SQL_WRITE_ATTEMPTS) throw;
    }
    RetryPause();
    if (beforeNext) beforeNext();
  }
}

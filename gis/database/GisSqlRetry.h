// The retry rule of the SQL layers' writers: a write that reserves or
// inserts a UID is tried up to 999 times, with a random pause of 0 to 9 ms
// between the attempts. A lost connection ends the loop at once: the failed
// statement was not confirmed, and trying the next UID could store a shape
// twice.
//
// The pause and the random numbers are replaceable, so tests run the loops
// without waiting and with a known order.
#pragma once

#include <functional>

/// Attempts in all of one write.
inline constexpr int GIS_SQL_WRITE_ATTEMPTS = 999;

/// The pause between two attempts (milliseconds).
using TGIS_SqlPause = std::function<void(int milliseconds)>;
/// A random integer in 0 .. range - 1.
using TGIS_SqlRandom = std::function<int(int range)>;

/// Replaces the pause and the random source (nullptr: the real ones).
void GisSetSqlRetryPause(TGIS_SqlPause pause);
void GisSetSqlRetryRandom(TGIS_SqlRandom random);

/// Runs `attempt` (given the attempt number, 0 first) until it returns
/// without an exception. After a failure:
///   - a lost connection is raised again at once;
///   - when `stop()` is true (a writer whose database assigns the keys) the
///     loop ends quietly;
///   - when GIS_SQL_WRITE_ATTEMPTS attempts failed the last error is raised;
///   - else `beforeNext()` runs after a random pause and the next attempt
///     follows.
/// Returns true when an attempt succeeded, false when `stop` ended the loop.
bool GisSqlRetry(const std::function<void(int attempt)>& attempt, const std::function<bool()>& stop,
                 const std::function<void()>& beforeNext);

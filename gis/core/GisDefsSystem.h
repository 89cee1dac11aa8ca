// Small system queries of the kernel.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

/// Milliseconds of the monotonic clock, modulo $7FFFFFFF (never negative).
std::int32_t GisTickCount();
/// Replaces the clock of GisTickCount (tests); nullptr restores it.
void GisSetTickCountSource(std::function<std::int32_t()> source);
/// The file's last modification time as a local date-time (days since
/// 1899-12-30); 0 for a file that does not exist.
double GisFileAge(const std::string& fileName);
/// "<system message> (errno <code>)" of the last OS error.
std::string GisLastOsErrorText();

// The runtime tests' name for the shared temporary folder of tests/support.
#pragma once

#include "tests/support/TempDir.h"

using RtlTempDir = sktest::TTempDir;

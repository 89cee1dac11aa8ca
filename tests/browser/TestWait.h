// Waiting in the browser control's tests: the shared event-loop wait.
#pragma once

#include "tests/support/EventLoopWait.h"

using sktest::WaitUntil;

// Process-level entry points of the runtime.
#pragma once

/// Puts every piece of the runtime's hidden state back to its start-up value:
/// the format settings, the tick clock and sleep, the random generator, and
/// whatever other modules registered through ResetHooks.h (the logical folder,
/// the code page, ...). For tests.
void rtl_reset_for_tests();

/// Sets LC_NUMERIC back to "C" after the GUI toolkit has taken the user's
/// locale. A backup only: the runtime never formats or parses numbers through
/// the C library. Called by the runtime itself as soon as the Qt application
/// object is made; callers need not call it.
void rtl_restore_numeric_locale();

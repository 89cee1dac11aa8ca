// Process-level entry points of the runtime, and a map of it.
//
// platform/rtl is the non-visual runtime everything else is written against.
// Where to find what:
//   Types.h        Integer, Cardinal, Extended, TDateTime ... (the scalar types)
//   Exceptions.h   Exception and its kinds, Abort, SK_ASSERT, TExceptionTrap
//   Strings.h      1-based Pos/Copy/Delete/Insert, Trim, case, IntToStr/IntToHex,
//                  StringReplace, UTF-8 code points
//   Format.h       TFormatSettings, Format, FloatToStr(F), FormatFloat,
//                  StrToInt/StrToFloat (engine: FormatDecimal.h, internal)
//   Currency.h     Currency, CurrToStr, StrToCurr
//   Numerics.h     Round, Trunc, MulDiv, checked division and logarithms
//   DateTime.h     EncodeDate and friends, Now, FormatDateTime, text to date
//   Ticks.h        GetTickCount, Sleep, Random (all injectable)
//   Lists.h        TList, TObjectList<T>, TThreadList, TBits
//   StringList.h   TStrings, TStringList
//   IniFiles.h     TMemIniFile, TIniFile
//   SafeFiles.h    replacing files through temporary files, file identity,
//                  the read-only switch
//   Streams.h      TStream, TFileStream, TMemoryStream, TStringStream, TTextFile
//   Variant.h      Variant, VarType codes, VarToStr
//   CodePages.h    GetACP, code-page conversions over iconv, UTF-16, charsets
//   Files.h        paths, the logical current folder, file tests and copies,
//                  RenameFile, FindFileNoCase, FindFirst
//   MappedFile.h   shared read-only mappings
//   DynLib.h       LoadLibrary over dlopen
//   OsError.h      the thread's last OS error and its text
//   SystemVersion.h  the system's version, platform and library versions
//   Sync.h         TCriticalSection, TEvent, TThread, Synchronize
//   ResetHooks.h   how a module registers its hidden state for the test reset
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

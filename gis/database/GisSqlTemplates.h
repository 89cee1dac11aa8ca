// SQL command templates and dialects: "<#NAME#>" macros expanded against
// name=value lines, the built-in dialects (replaceable by support files),
// and the routines that find, replace and make SQL identifiers.
#pragma once

#include <functional>
#include <string>

class TStrings;

/// The value of a macro name when no list is given.
using TGIS_TemplateCallback = std::function<std::string(const std::string& name)>;

/// Expands the "<#NAME#>" macros of `text`: with `list`, the value of its
/// first line of that name (case-insensitive; the name itself when none);
/// without a list, the callback's value (nothing without a callback).
/// Values are not expanded again. A "<" not followed by "#" is copied; a
/// pending "<", "<#" or unfinished macro at the end is dropped.
std::string GisExpandTemplate(const std::string& text, const TStrings* list,
                              const TGIS_TemplateCallback& callback = nullptr);
/// The dialect text of `name`: a support file "SQLDIALECT/<name>" when it
/// exists and is not empty, else the built-in table (MSJET, MSSQL, INTERBASE,
/// MYSQL, DB2, ORACLE, ADVANTAGE, SAPDB; any other name gives MSJET's).
std::string GisSqlDialect(const std::string& name);
/// The built-in dialect text of `name` (MSJET's for an unknown name).
std::string GisSqlBuiltinDialect(const std::string& name);
/// The text of a support file (lines joined with CR LF, a final CR LF
/// included): `name` resolved against the program's folder, else
/// GisCommonFilesDir()/<subfolder>/<file part of name>; '' when neither
/// exists or cannot be read.
std::string GisLoadSupportFile(const std::string& subfolder, const std::string& name);
/// `sql` with every bare identifier equal to `name` (case-insensitive)
/// replaced; literals and quoted identifiers are left alone.
std::string GisSqlReplaceIdentifier(const std::string& sql, const std::string& name,
                                    const std::string& replacement);
/// Whether a bare identifier of `sql` equals one of the lines of `names`.
bool GisSqlUsesIdentifier(const std::string& sql, const std::string& names);
/// An upper-case identifier of A-Z, 0-9 and "_"; the fallback + "_" + the
/// tick count in hexadecimal when a quarter or more of the characters had to
/// be replaced.
std::string GisSafeIdentifier(const std::string& text, const std::string& fallback);

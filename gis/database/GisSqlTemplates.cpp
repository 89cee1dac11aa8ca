#include "gis/database/GisSqlTemplates.h"

#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisDefsSystem.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Strings.h"

#include <filesystem>

std::string GisExpandTemplate(const std::string& text, const TStrings* list,
                              const TGIS_TemplateCallback& callback) {
  enum { Text, Open, Name, Hash } state = Text;
  std::string result, buffer;
  for (char c : text) {
    switch (state) {
    case Text:
      if (c == '<') {
        buffer = "<";
        state = Open;
      } else {
        result += c;
      }
      break;
    case Open:
      if (c == '#') {
        buffer.clear();
        state = Name;
      } else {
        result += buffer;
        result += c;
        buffer.clear();
        state = Text;
      }
      break;
    case Name:
      buffer += c;
      if (c == '#') state = Hash;
      break;
    case Hash:
      if (c == '>') {
        const std::string name = buffer.substr(0, buffer.size() - 1);
        if (list != nullptr) {
          const int i = list->IndexOfName(name);
          result += i >= 0 ? list->ValueFromIndex(i) : name;
        } else if (callback) {
          result += callback(name);
        }
        buffer.clear();
        state = Text;
      } else {
        buffer += c;
        if (c != '#') state = Name;
      }
      break;
    }
  }
  return result;
}

namespace {

std::string Lines(std::initializer_list<const char*> lines) {
  std::string s;
  for (const char* l : lines) {
    s += l;
    s += "\r\n";
  }
  return s;
}

} // namespace

std::string GisSqlBuiltinDialect(const std::string& name) {
  static const std::string msjet = Lines({
      "ENGINE=MSJET", "POSTRESTRUCTURE=", "ALTER=ALTER COLUMN", "VARCHAR_LEN=", "VARCHAR(2048)=MEMO",
      "BIGINT=DOUBLE", "LOGICAL=CHAR(1)", "BLOB=LONGBINARY", "OPERATOR=AS", "DESC_IB=",
      "MAX_NAMELENGTH=32", "ENGINEOPTIONS=0"});
  static const std::string mssql = Lines({
      "ENGINE=MSSQL", "POSTRESTRUCTURE=", "ALTER=ALTER COLUMN", "VARCHAR_LEN=", "VARCHAR=NVARCHAR",
      "BYTE=SMALLINT", "DOUBLE=DOUBLE PRECISION", "DATE=DATETIME", "LOGICAL=CHAR(1)", "BLOB=IMAGE",
      "COUNTER=INTEGER IDENTITY(1,1)", "OPERATOR=AS", "DESC_IB=", "MAX_NAMELENGTH=32", "ENGINEOPTIONS=0"});
  static const std::string interbase = Lines({
      "ENGINE=INTERBASE", "POSTRESTRUCTURE=COMMIT", "VARCHAR_LEN=", "BIGINT=DOUBLE PRECISION",
      "DOUBLE=DOUBLE PRECISION", "LOGICAL=CHAR(1)", "OPERATOR= ", "DESC_IB=DESC", "DESC=",
      "MAX_NAMELENGTH=32", "ENGINEOPTIONS=0"});
  static const std::string mysql = Lines({
      "ENGINE=MYSQL", "POSTRESTRUCTURE=", "VARCHAR_LEN=", "DOUBLE=DOUBLE PRECISION", "LOGICAL=CHAR(1)",
      "BLOB=MEDIUMBLOB", "OPERATOR= ", "DESC_IB=", "MAX_NAMELENGTH=32", "ENGINEOPTIONS=0"});
  static const std::string db2 = Lines({
      "ENGINE=DB2", "POSTRESTRUCTURE=", "VARCHAR_LEN=SET DATA TYPE", "LOGICAL=CHAR(1)", "BLOB=BLOB(50 K)",
      "OPERATOR= ", "DESC_IB=", "vrkGISLayerSQL=vrkGIS", "vrkGISPixelStore=vrkGISPS",
      "vrkGISPixelStore2=vrkGISPS2", "_IDX_=_", "MAX_NAMELENGTH=18", "ENGINEOPTIONS=0"});
  static const std::string oracle = Lines({
      "ENGINE=ORACLE", "POSTRESTRUCTURE=", "VARCHAR_LEN=", "BIGINT=NUMERIC(18,0)", "INTEGER=NUMERIC(9,0)",
      "DOUBLE=DOUBLE PRECISION", "LOGICAL=CHAR(1)", "OPERATOR= ", "DESC_IB=", "UID=FUID",
      ":WKB_GEOMETRY=empty_blob()", ":GEOMETRY=empty_blob()", "MAX_NAMELENGTH=32", "ENGINEOPTIONS=1"});
  static const std::string advantage = Lines({
      "ENGINE=ADVANTAGE", "POSTRESTRUCTURE=", "VARCHAR_LEN=", "SMALLINT=INTEGER", "LOGICAL=CHAR(1)",
      "OPERATOR= ", "DESC_IB=", "UID=FUID", "MAX_NAMELENGTH=32", "ENGINEOPTIONS=0"});
  static const std::string sapdb = Lines({
      "ENGINE=SAPDB", "POSTRESTRUCTURE=", "VARCHAR_LEN=", "DOUBLE=FLOAT(38)", "LOGICAL=CHAR(1)",
      "BLOB=LONG BYTE", "OPERATOR= ", "DESC_IB=", "UID=FUID", "MAX_NAMELENGTH=32", "ENGINEOPTIONS=0"});
  const std::pair<const char*, const std::string*> table[] = {
      {"MSJET", &msjet}, {"MSSQL", &mssql}, {"INTERBASE", &interbase}, {"MYSQL", &mysql},
      {"DB2", &db2},     {"ORACLE", &oracle}, {"ADVANTAGE", &advantage}, {"SAPDB", &sapdb}};
  for (const auto& [n, text] : table)
    if (SameText(name, n)) return *text;
  return msjet;
}

std::string GisSqlDialect(const std::string& name) {
  const std::string file = name.empty() ? std::string() : GisLoadSupportFile("SQLDIALECT", name);
  if (!file.empty()) return file;
  return GisSqlBuiltinDialect(name);
}

namespace {

std::string ProgramFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.parent_path().string();
}

} // namespace

std::string GisLoadSupportFile(const std::string& subfolder, const std::string& name) {
  if (name.empty()) return "";
  const std::string first = GisPathAbsolute(ProgramFolder(), name);
  const std::string second = GisCommonFilesDir() + "/" + subfolder + "/" + ExtractFileName(ToSlashes(name));
  for (const std::string& candidate : {first, second}) {
    if (candidate.empty() || !FileExists(candidate)) continue;
    std::error_code ec;
    if (std::filesystem::is_directory(candidate, ec)) continue;
    TStringList lines;
    try {
      lines.LoadFromFile(candidate);
    } catch (const Exception&) {
      return "";
    }
    std::string text;
    for (int i = 0; i < lines.Count(); ++i) text += lines[i] + "\r\n";
    return text;
  }
  return "";
}

namespace {

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsIdentChar(char c) {
  return IsLetter(c) || (c >= '0' && c <= '9') || c == '_' || c == '#' || c == '$' || c == '.' || c == '@';
}
bool IsOperatorChar(char c) {
  return c == '*' || c == '+' || c == '-' || c == '/' || c == '<' || c == '=' || c == '>';
}

// Walks the tokens of `sql`; `visit` gets each token and whether it is a bare
// identifier, and returns false to stop.
template <class F> void ScanSql(const std::string& sql, F visit) {
  std::size_t i = 0;
  const std::size_t n = sql.size();
  while (i < n) {
    const std::size_t start = i;
    const char c = sql[i];
    bool ident = false;
    if (IsLetter(c)) {
      ident = true;
      ++i;
      while (i < n && IsIdentChar(sql[i])) ++i;
    } else if (c == '"') {
      ++i;
      while (i < n && sql[i] != '"') ++i;
      if (i < n) ++i;
    } else if (c == '\'') {
      ++i;
      while (i < n) {
        if (sql[i] == '\'') {
          if (i + 1 < n && sql[i + 1] == '\'') {
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        ++i;
      }
    } else if (c == '=') {
      ++i;
    } else if (IsOperatorChar(c)) {
      ++i;
      while (i < n && IsOperatorChar(sql[i]) && sql[i] != '=') ++i;
      if (i < n && sql[i] == '=' ) ++i;
    } else if ((c >= '0' && c <= '9') || c == '.') {
      ++i;
      while (i < n && ((sql[i] >= '0' && sql[i] <= '9') || sql[i] == '.' || sql[i] == 'E' || sql[i] == 'e')) ++i;
    } else {
      ++i;
    }
    if (!visit(sql.substr(start, i - start), ident)) return;
  }
}

} // namespace

std::string GisSqlReplaceIdentifier(const std::string& sql, const std::string& name,
                                    const std::string& replacement) {
  std::string out;
  ScanSql(sql, [&](const std::string& token, bool ident) {
    out += ident && SameText(token, name) ? replacement : token;
    return true;
  });
  return out;
}

bool GisSqlUsesIdentifier(const std::string& sql, const std::string& names) {
  TStringList list;
  list.SetText(names);
  bool found = false;
  ScanSql(sql, [&](const std::string& token, bool ident) {
    if (!ident) return true;
    for (int i = 0; i < list.Count(); ++i)
      if (SameText(token, list[i])) {
        found = true;
        return false;
      }
    return true;
  });
  return found;
}

std::string GisSafeIdentifier(const std::string& text, const std::string& fallback) {
  std::string s = text;
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  int replaced = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    const bool ok = (c >= 'A' && c <= 'Z') || (i > 0 && c >= '0' && c <= '9');
    if (!ok) {
      s[i] = '_';
      ++replaced;
    }
  }
  if (s.empty() || static_cast<double>(replaced) >= static_cast<double>(s.size()) / 4.0)
    return Format("%s_%x", {fallback, static_cast<unsigned>(GisTickCount())});
  return s;
}

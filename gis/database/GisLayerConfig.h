// Database layer configurations: ".VRKLS" / ".VRKPS" ini files whose section
// "Vornakel Layer" holds the keys, or the same key=value lines handed over
// in place of a path (an inline configuration), and the Jet database that a
// new configuration points at.
#pragma once

#include <string>

class TStrings;

/// Reads a configuration: 2 for an inline text with a Storage value, or an
/// existing configuration file without an ADO value; 1 for a ".VRKLS" /
/// ".VRKPS" path (any letter case) that does not exist yet or has an ADO
/// value; 0 for anything else. `list`, when given, receives the lines.
int GisReadLayerConfig(const std::string& path, TStrings* list);
/// The code of GisReadLayerConfig; `value` receives the trimmed value of `key`.
int GisReadLayerConfigValue(const std::string& path, const std::string& key, std::string& value);
/// Creates the database file (an empty SQLite file) when it does not exist,
/// and returns the quoted connection string naming it without its folder:
/// "\"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=<file name>\"".
std::string GisCreateJetDatabase(const std::string& fileName);
/// The section of the configuration files.
inline constexpr const char* GIS_LAYER_CONFIG_SECTION = "Vornakel Layer";

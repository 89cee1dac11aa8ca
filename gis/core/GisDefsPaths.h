// Path helpers of the kernel: related file names, relative and absolute
// paths against a base, the shared support folder.
//
// Both '\' and '/' are read as separators; the relative/absolute helpers
// write '/'. A text holding "://" (a URL) or a carriage return (a multi-line
// connection text) is never treated as a path by them. Nothing here changes
// the process's working folder.
#pragma once

#include <string>

/// The trimmed path without its extension (the last '.' and what follows,
/// when it lies in the last component); unchanged when there is none.
std::string GisPathWithoutExt(const std::string& path);
/// The trimmed file-name component without its extension.
std::string GisFileNameWithoutExt(const std::string& path);
/// name.~ext for name.ext; name + ".~" when there is no extension.
std::string GisBackupFileName(const std::string& name);
/// name + "~tmp".
std::string GisTempFileName(const std::string& name);
/// The path relative to the base's folder (the base's last component counts
/// as a file name: /maps/proj.ini and /maps/ are equivalent bases), with one
/// "../" per folder of the base below the common part. Letter case counts.
std::string GisPathRelative(const std::string& base, const std::string& path);
/// The name made absolute against the base folder when it is given and exists,
/// otherwise against the runtime's current folder; "." and ".." resolved.
/// An empty name gives ''.
std::string GisPathAbsolute(const std::string& baseFolder, const std::string& name);
/// The kernel's shared support-file folder: the folder named by the
/// environment variable CommonFilesDir (unset reads as '') + "/Vornakel".
std::string GisCommonFilesDir();

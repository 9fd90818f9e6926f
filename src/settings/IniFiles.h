// INI files: vexweb.ini, vdglobal.ini, createdb.ini and the DSN files.
//
// Section and key names are matched without regard to case; anything
// missing reads as "". Reads see every write: a parsed file is kept and
// parsed again only when it changed on disk or this process wrote it.
// Writes are atomic (temporary file and rename under an advisory lock) and
// keep every line they do not change.
#pragma once

#include <optional>
#include <string>

#include "cgi/RunError.h"

namespace vd {

constexpr size_t IniReadBuffer = 2040;  // a value reads as at most 2039 characters

// The stored value with blanks and one pair of enclosing quotes stripped,
// cut to bufferSize - 1 characters; "" when file, section or key is missing.
std::string ReadIniString(const std::string& file, const std::string& section,
                          const std::string& key, size_t bufferSize = IniReadBuffer);

// Creates or replaces the key (and the section and the file when missing).
// Carriage returns, line feeds and NULs are removed from section, key and
// value first. Returns the failure (70 Permission denied, 75 Path/File
// access error, 76 Path not found) or nothing when the value was stored.
std::optional<RunError> TryWriteIniString(const std::string& file, const std::string& section,
                                          const std::string& key, const std::string& value);

// True when the value was stored.
bool WriteIniString(const std::string& file, const std::string& section,
                    const std::string& key, const std::string& value);

// The switch key of the current database's section (Appl + "VDW" + DocType)
// in vexweb.ini: true exactly when its value is "TRUE" in any case.
bool ReadDocTypeFlag(const std::string& key);

}  // namespace vd

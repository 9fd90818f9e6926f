// One INI change committed alone, as the tests write their files, and the
// failure a call throws.
#pragma once

#include "base/RunError.h"
#include "settings/IniFiles.h"

#include <optional>
#include <string>

namespace vdtest {

// The RunError the call throws, or nothing when it returns.
template <class Call>
std::optional<vd::RunError> Refused(Call&& call) {
    try {
        call();
        return std::nullopt;
    } catch (const vd::RunError& e) {
        return e;
    }
}

inline std::optional<vd::RunError> TryWriteIniString(const std::string& file, const std::string& section,
                                                     const std::string& key, const std::string& value) {
    return Refused([&] {
        vd::IniEdit edit(file);
        edit.Set(section, key, value);
        edit.Commit();
    });
}

// True when the value was stored.
inline bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                           const std::string& value) {
    return !TryWriteIniString(file, section, key, value);
}

}  // namespace vdtest

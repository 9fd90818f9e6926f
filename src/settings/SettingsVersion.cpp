#include "settings/SettingsVersion.h"

#include "settings/ContentDigest.h"

namespace vd {

std::string IniFileVersion(const std::string& file) { return ContentDigest(IniFileText(file)); }

void VersionGuard::BeforeReplace(const IniReplacement& replacement) {
    if (!SameDigest(drawnFrom_, ContentDigest(replacement.Text))) {
        stale_ = true;
        throw RunError(Err::PathFileAccess, "vexweb.ini changed since the form was drawn");
    }
    next_.BeforeReplace(replacement);
}

void VersionGuard::ReplaceFailed(const IniReplacement& replacement, const RunError& failure) {
    next_.ReplaceFailed(replacement, failure);
}

}  // namespace vd

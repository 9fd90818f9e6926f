#include "settings/SettingsHistory.h"

#include "base/DebugLog.h"
#include "base/FailureLog.h"
#include "base/RunError.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vd {

namespace {

constexpr const char* HistorySuffix = ".history";

std::vector<std::string> VersionsIn(int folder) {
    std::vector<std::string> names;
    const int fd = dup(folder);
    if (fd < 0) return names;
    DIR* dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        return names;
    }
    while (dirent* e = readdir(dir))
        if (IsVersionName(e->d_name)) names.emplace_back(e->d_name);
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// Links the file into the history folder under a free name; the name, or
// the failure.
std::string KeepVersion(const IniReplacement& r, const std::string& user) {
    const std::string history = r.Base + HistorySuffix;
    Doing doing("writing " + r.Folder + "/" + history);
    const bool made = mkdirat(r.FolderFd, history.c_str(), 0750) == 0;
    if (!made && errno != EEXIST) throw FileError(errno);
    const int dir = openat(r.FolderFd, history.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0) throw FileError(errno);
    // Made by root (a restore), it still belongs to whoever owns the
    // settings' folder, so that the web server's later saves can keep
    // their versions in it.
    struct stat owner{};
    if (made && fstat(r.FolderFd, &owner) == 0 && fchown(dir, owner.st_uid, owner.st_gid) != 0)
        DebugLog("vexweb.ini.history keeps the owner of the process that made it");
    const std::time_t now = std::time(nullptr);
    std::string name = VersionName(now, user);
    for (int n = 2; linkat(r.FolderFd, r.Base.c_str(), dir, name.c_str(), 0) != 0; ++n) {
        const int err = errno;
        if (err != EEXIST || n > 99) {
            close(dir);
            throw FileError(err);
        }
        name = VersionName(now, user);
        name.insert(name.size() - 4, "-" + std::to_string(n));
    }
    // The newest versions stay.
    std::vector<std::string> names = VersionsIn(dir);
    for (size_t i = 0; i + KeptVersionCount < names.size(); ++i)
        if (unlinkat(dir, names[i].c_str(), 0) != 0) DebugLog("old version not removed: " + names[i]);
    close(dir);
    return history + "/" + name;
}

}  // namespace

bool IsVersionName(const std::string& name) {
    if (name.size() <= 20 || name[8] != 'T' || name[15] != 'Z' || name.compare(name.size() - 4, 4, ".ini") != 0)
        return false;
    for (size_t i = 0; i < 15; ++i)
        if (i != 8 && (name[i] < '0' || name[i] > '9')) return false;
    return name.find('/') == std::string::npos;
}

std::string VersionFolder(const std::string& settingsFolder) {
    return settingsFolder + "/vexweb.ini" + HistorySuffix;
}

std::string VersionName(std::time_t when, const std::string& user) {
    std::tm t{};
    gmtime_r(&when, &t);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &t);
    std::string who;
    for (char c : user.substr(0, 40)) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                           c == '_' || c == '@' || c == '-';
        who += plain ? c : '_';
    }
    if (who.empty() || who[0] == '.') who = "_" + who;
    return std::string(stamp) + "-" + who + ".ini";
}

void SettingsRecorder::BeforeReplace(const IniReplacement& replacement) {
    try {
        entry_.Version.clear();
        if (replacement.Exists && replacement.Changes) {
            const std::string kept = KeepVersion(replacement, entry_.Who.User);
            entry_.Version = kept.substr(kept.find('/') + 1);
        }
        entry_.Changes.clear();
        for (const IniKeyChange& k : replacement.Keys)
            if (k.Old != k.New) entry_.Changes.push_back({k.Section, k.Key, k.Old, k.New});
        // A file about to be replaced is recorded pending, and confirmed
        // once it is: a run that ends between the two leaves no record of
        // a save that did not happen.
        entry_.Pending = replacement.Changes;
        trail_.Append(entry_);
        entry_.Pending = false;
    } catch (const RunError&) {
        if (!entry_.Version.empty()) {
            const std::string kept = replacement.Base + HistorySuffix + "/" + entry_.Version;
            unlinkat(replacement.FolderFd, kept.c_str(), 0);
        }
        throw;
    }
}

void SettingsRecorder::AfterReplace(const IniReplacement& replacement) noexcept {
    if (!replacement.Changes) return;
    // The file is replaced: a confirmation that cannot be written leaves the
    // record pending, which the web server's log names.
    try {
        Doing doing("confirming the record on " + trail_.Path());
        trail_.Append(entry_);
    } catch (const RunError& failure) {
        LogFailure(std::to_string(failure.Number), failure.Text + " (the record of a saved vexweb.ini stays pending)");
    } catch (const std::exception&) {
        LogFailure(std::to_string(Err::Internal), "the record of a saved vexweb.ini stays pending");
    }
}

void SettingsRecorder::ReplaceFailed(const IniReplacement& replacement, const RunError& failure) {
    if (!entry_.Version.empty()) {
        const std::string kept = replacement.Base + HistorySuffix + "/" + entry_.Version;
        unlinkat(replacement.FolderFd, kept.c_str(), 0);
    }
    entry_.Failure = "(" + std::to_string(failure.Number) + ") " + failure.Text;
    try {
        trail_.Append(entry_);
    } catch (const RunError& e) {
        DebugLog("the failed save's record was not written: (" + std::to_string(e.Number) + ") " + e.Text);
    }
}

}  // namespace vd

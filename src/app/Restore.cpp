#include "app/Restore.h"

#include "app/SiteFiles.h"
#include "base/RunError.h"
#include "settings/AuditTrail.h"
#include "settings/IniFiles.h"
#include "settings/SettingsHistory.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <optional>
#include <ostream>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vd {

namespace {

// Who runs the command: the user behind sudo, else the login of the
// session, else the user of the process.
std::string AdministratorName() {
    if (const char* sudo = std::getenv("SUDO_USER"); sudo && *sudo) return sudo;
    if (const char* login = getlogin(); login && *login) return login;
    if (const passwd* pw = getpwuid(getuid())) return pw->pw_name;
    return std::to_string(getuid());
}

// The kept version the command names, a name as the history lists it or a
// path to it in the versions folder (kept, whose path is versions): its
// name and text, or why there is none.
std::optional<std::string> ReadKeptVersion(int kept, const std::string& versions, const std::string& version,
                                           std::string& name, std::string& text) {
    name = version;
    if (const size_t slash = version.rfind('/'); slash != std::string::npos) {
        name = version.substr(slash + 1);
        OpenFd given(open(slash == 0 ? "/" : version.substr(0, slash).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat a{}, b{};
        if (given.fd < 0 || fstat(given.fd, &a) != 0 || fstat(kept, &b) != 0 || a.st_dev != b.st_dev ||
            a.st_ino != b.st_ino)
            return version + " is not in " + versions;
    }
    if (!IsVersionName(name))
        return version + " is not a kept version (give a name that vdconfig --history or ls " + versions + " shows)";
    std::string why;
    OpenFd file(OpenPlainFile(kept, name, why));
    if (file.fd < 0) return versions + "/" + name + " " + why;
    if (!ReadWhole(file.fd, text)) return versions + "/" + name + ": " + std::strerror(errno);
    return std::nullopt;
}

// Why a name in the folder is no file to read or write, when it is not.
std::optional<std::string> NoPlainFile(int folder, const std::string& base, const std::string& path) {
    struct stat st{};
    if (fstatat(folder, base.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(st.st_mode))
        return path + (S_ISLNK(st.st_mode) ? " is a symbolic link" : " is not a regular file");
    return std::nullopt;
}

// The version's text made the file's, through the commit of a settings save,
// with its record on the trail; what it says goes to out.
void PutBack(int folder, const SettingsFile& ini, const std::string& versions, const std::string& name,
             std::string text, const std::string& admin, std::ostream& out) {
    AuditTrail trail(folder, ini.Folder);
    AuditEntry entry;
    entry.Action = "version restored";
    entry.Who.User = admin;
    entry.Restored = name;
    SettingsRecorder recorder(trail, entry);
    IniEdit edit(ini.Path());
    edit.ReplaceAll(std::move(text));
    edit.CommitIn(folder, ini.Folder, ini.Base, &recorder);
    out << "vdconfig: " << ini.Path() << " is now " << versions << "/" << name;
    if (!recorder.Entry().Version.empty())
        out << "; the file it replaced is kept as " << versions << "/" << recorder.Entry().Version;
    out << " (" << recorder.Entry().Changes.size() << " keys changed)\n";
}

}  // namespace

int RestoreCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty() || args.size() > 2 || args[0].empty() || args[0][0] == '-') {
        err << "usage: vdconfig --restore VERSION [FOLDER]   (VERSION: a name that vdconfig --history shows)\n";
        return 2;
    }
    const std::string admin = AdministratorName();  // before the command becomes another user
    // Run by root, the restore becomes the owner of the folders on the way
    // to the settings (the state folder's, www-data), so that nothing
    // planted there by that user can make root read or write another file.
    SiteAccess access("--restore");
    SettingsFile ini;
    std::string refusal;
    OpenFd folder(access.OpenSettingsFolder(CommandFolder(args.size() == 2 ? args[1] : ""), ini, refusal));
    const std::string versions = ini.Folder + "/" + ini.Base + ".history";
    auto refuse = [&](const std::string& why) {
        err << "vdconfig: " << why << "; " << ini.Path() << " not restored\n";
        return 1;
    };
    if (folder.fd < 0) return refuse(refusal);
    if (auto wrong = NoPlainFile(folder.fd, ini.Base, ini.Path())) return refuse(*wrong);

    OpenFd kept(openat(folder.fd, (ini.Base + ".history").c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (kept.fd < 0) return refuse("no folder of kept versions " + versions + " (" + std::strerror(errno) + ")");
    std::string name, text;
    if (auto none = ReadKeptVersion(kept.fd, versions, args[0], name, text)) return refuse(*none);
    if (auto wrong = NoPlainFile(folder.fd, AuditFileName, AuditTrailPath(ini.Folder))) return refuse(*wrong);
    try {
        PutBack(folder.fd, ini, versions, name, std::move(text), admin, out);
        return 0;
    } catch (const RunError& e) {
        return refuse("(" + std::to_string(e.Number) + ") " + e.Text);
    }
}

}  // namespace vd

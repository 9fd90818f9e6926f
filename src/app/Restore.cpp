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

}  // namespace

int RestoreCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty() || args.size() > 2 || args[0].empty() || args[0][0] == '-') {
        err << "usage: vdconfig --restore VERSION [FOLDER]   (VERSION: a name that vdconfig --history shows)\n";
        return 2;
    }
    const std::string admin = AdministratorName();
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

    struct stat st{};
    if (fstatat(folder.fd, ini.Base.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(st.st_mode))
        return refuse(ini.Path() + (S_ISLNK(st.st_mode) ? " is a symbolic link" : " is not a regular file"));

    OpenFd kept(openat(folder.fd, (ini.Base + ".history").c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (kept.fd < 0) return refuse("no folder of kept versions " + versions + " (" + std::strerror(errno) + ")");

    // A name as the history lists it, or a path to it in the versions folder.
    const std::string& version = args[0];
    std::string name = version;
    if (const size_t slash = version.rfind('/'); slash != std::string::npos) {
        name = version.substr(slash + 1);
        OpenFd given(open(slash == 0 ? "/" : version.substr(0, slash).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat a{}, b{};
        if (given.fd < 0 || fstat(given.fd, &a) != 0 || fstat(kept.fd, &b) != 0 || a.st_dev != b.st_dev ||
            a.st_ino != b.st_ino)
            return refuse(version + " is not in " + versions);
    }
    if (!IsVersionName(name))
        return refuse(version + " is not a kept version (give a name that vdconfig --history or ls " + versions +
                      " shows)");
    std::string why;
    OpenFd file(OpenPlainFile(kept.fd, name, why));
    std::string text;
    if (file.fd < 0) return refuse(versions + "/" + name + " " + why);
    if (!ReadWhole(file.fd, text)) return refuse(versions + "/" + name + ": " + std::strerror(errno));

    if (fstatat(folder.fd, AuditFileName, &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(st.st_mode))
        return refuse(ini.Folder + "/" + AuditFileName + (S_ISLNK(st.st_mode) ? " is a symbolic link" : " is not a regular file"));
    try {
        AuditTrail trail(folder.fd, ini.Folder);
        AuditEntry entry;
        entry.Action = "version restored";
        entry.Who.User = admin;
        entry.Restored = name;
        SettingsRecorder recorder(trail, entry);
        IniEdit edit(ini.Path());
        edit.ReplaceAll(std::move(text));
        edit.CommitIn(folder.fd, ini.Folder, ini.Base, &recorder);
        out << "vdconfig: " << ini.Path() << " is now " << versions << "/" << name;
        if (!recorder.Entry().Version.empty())
            out << "; the file it replaced is kept as " << versions << "/" << recorder.Entry().Version;
        out << " (" << recorder.Entry().Changes.size() << " keys changed)\n";
        return 0;
    } catch (const RunError& e) {
        return refuse("(" + std::to_string(e.Number) + ") " + e.Text);
    }
}

}  // namespace vd

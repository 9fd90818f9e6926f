// The files of a site as the administrator's commands find them: the
// program folder a command works on, and the folder that really holds
// vexweb.ini, found through the program folder's own link only.
#pragma once

#include "base/PlainFiles.h"

#include <string>
#include <sys/types.h>
#include <unistd.h>

namespace vd {

// The program folder a command works on, as an absolute path: the folder
// given (a site folder whose scripts/ holds vexweb.ini stands for that
// program folder), else the program's own folder when it holds vexweb.ini,
// else the current folder.
std::string CommandFolder(const std::string& given);

// Where vexweb.ini really is: the program folder's vexweb.ini, or the file
// that its symbolic link names. That link is the site's own and is read
// once; a link at the place it names is not followed.
struct SettingsFile {
    std::string Folder;  // the folder that holds it (the state folder of a production site)
    std::string Base;    // its name there
    std::string Path() const { return Folder + "/" + Base; }
};

// The way an administrator's command (--restore, --history) reaches the
// site's files. Every folder is opened one name at a time from "/" (or
// from the folder a relative link starts in), following no symbolic link,
// and everything after is opened relative to an open folder, so no path is
// looked up twice. Run as root, each folder is judged before anything in it
// is read: one owned by another user makes the command that user for good
// (so a link that user planted is followed only with that user's rights);
// one owned by root that its group or others may write is refused (a
// sticky one, such as /tmp, is passed through, but never worked in).
class SiteAccess {
public:
    // command: "--restore", for the advice a refusal gives.
    explicit SiteAccess(std::string command) : command_(std::move(command)) {}

    // The folder a path names (relative paths from the current folder),
    // judged as above; -1 with why set when it cannot be opened or is
    // refused.
    int OpenFolder(const std::string& path, std::string& why);

    // The folder that really holds vexweb.ini, open and judged: the program
    // folder, or the folder its vexweb.ini link leads to (read in the
    // program folder as the user it made the command). Sets place.Folder
    // and place.Base; -1 with why set when refused.
    int OpenSettingsFolder(const std::string& programFolder, SettingsFile& place, std::string& why);

private:
    int Walk(const std::string& path, int from, const std::string& shownFrom, std::string& why);
    bool Judge(int fd, const std::string& path, bool worksIn, std::string& why);
    bool BecomeOwner(uid_t uid, const std::string& path, std::string& why);

    std::string command_;
};

}  // namespace vd

// Stores the file locations form in vexweb.ini: the settings of [Vexdoc/Web]
// and the browser address of every drive in [Drives], all in one write.
#include "base/DebugLog.h"
#include "cgi/Escape.h"
#include "cgi/MessagePages.h"
#include "cgi/Output.h"
#include "cgi/Request.h"
#include "base/FailureLog.h"
#include "data/Databases.h"
#include "data/OpenTable.h"
#include "data/RecordAccess.h"
#include "data/tables/Catalogue.h"
#include "pages/ChangeList.h"
#include "pages/ChangeRecord.h"
#include "pages/FormVersion.h"
#include "pages/Pages.h"
#include "settings/IniFiles.h"
#include "settings/SettingsHistory.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsVersion.h"
#include "settings/WebSettings.h"

#include <sys/stat.h>
#include <optional>
#include <vector>

namespace vd {

namespace {

// A value that does not end with the ending gets it; an empty value becomes
// the ending alone.
std::string WithEnding(const std::string& value, char ending) {
    if (!value.empty() && value.back() == ending) return value;
    return value + ending;
}

// Server folders end with "/", browser addresses with "/" too.
std::string Folder(const std::string& value) { return WithEnding(value, '/'); }
std::string GuardedFolder(const std::string& value) { return value.empty() ? value : WithEnding(value, '/'); }
std::string Address(const std::string& value) { return WithEnding(value, '/'); }
// A checked box posts a value, whatever it is; an unchecked one posts nothing.
std::string Switch(const std::string& value) { return value.empty() ? "FALSE" : "TRUE"; }

// The file as the error log names it: a link with the file it leads to.
std::string WrittenFile(const std::string& file) {
    const std::string target = FollowFileLinks(file);
    return target == file ? file : file + " (" + target + ")";
}

// The drive addresses go into the edit; a drive whose name cannot be a key
// of vexweb.ini is left out and named in the notices.
void CollectDriveAddresses(RunContext& run, IniEdit& edit, std::vector<std::string>& notices) {
    DebugLog("opening Drives table");
    const clsDrives drives;
    OpenTable table;
    ReadWholeParamsTable(run.Data, drives.TableName, table);
    while (!table.record.Eof) {
        const std::string drive = table.record.Field(drives.Drive).Value.Text();
        const std::string address = GetField(drive);
        DebugLog("Request: " + drive + " Returned: " + address);
        if (auto problem = IniKeyProblem(drive)) {
            DebugLog("Drive " + drive + " not saved: " + *problem);
            notices.push_back("Drive \"" + drive + "\" was not saved: its name cannot be a key of vexweb.ini");
        } else if (!address.empty()) {  // a cleared input leaves the drive's old entry as it is
            edit.Set("Drives", drive, Address(address));
        }
        ODBCMoveNext(table.record);
    }
    table.Close();
}

bool IsFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Templates that the posted HTMLPath lacks: without them every later page,
// this form included, would be the bare fallback page.
std::string MissingTemplates(const std::string& htmlPath) {
    std::vector<std::string> missing;
    for (const char* name : {"tbltop.htm", "tblbot.htm"})
        if (!IsFile(htmlPath + name)) missing.push_back(name);
    if (missing.empty()) return {};
    return missing.size() == 1 ? missing[0] : missing[0] + " and " + missing[1];
}

// What the save writes for a posted value.
std::string Written(const SettingsKey& key, const std::string& posted) {
    switch (key.Rule) {
        case SettingRule::Folder: return Folder(posted);
        case SettingRule::GuardedFolder: return GuardedFolder(posted);
        case SettingRule::Address: return Address(posted);
        case SettingRule::Switch: return Switch(posted);
        case SettingRule::Plain: break;
    }
    return posted;
}

// Why the key's posted value would keep the next request from the form,
// or nothing: templates for every page, and the parameters database that
// tells a supervisor from anyone else.
std::optional<std::string> LockoutProblem(const SettingsKey& key, const std::string& posted) {
    const std::string folder = Written(key, posted);
    switch (key.Guard) {
        case SettingGuard::HoldsTemplates:
            if (const std::string missing = MissingTemplates(folder); !missing.empty()) return "holds no " + missing + ".";
            break;
        case SettingGuard::HoldsParamsDataSource:
            if (!IsFile(ParamsDataSource(folder)))
                return "holds no " + ParamsDataSource("") + ", the data source of the parameters database.";
            break;
        case SettingGuard::None:
            break;
    }
    return std::nullopt;
}

// One line per posted value that would lock the site out.
std::vector<std::string> LockoutRefusals() {
    std::vector<std::string> refusals;
    for (const SettingsKey& key : SettingsKeys()) {
        const std::string posted = GetField(key.Field);
        if (auto problem = LockoutProblem(key, posted))
            refusals.push_back(std::string(key.Label) + ": \"" + posted + "\" " + *problem);
    }
    return refusals;
}

// Every key of the form into the edit; a folder that does not exist is
// named in the notices (the guarded ones were checked already).
void CollectSettings(IniEdit& edit, std::vector<std::string>& notices) {
    for (const SettingsKey& key : SettingsKeys()) {
        if (key.Group == SettingGroup::NotOnForm) continue;  // kept as it is
        const std::string value = Written(key, GetField(key.Field));
        edit.Set(WebSection, key.Key, value);
        const bool folder = key.Rule == SettingRule::Folder || key.Rule == SettingRule::GuardedFolder;
        if (folder && key.Guard == SettingGuard::None && !value.empty() && !IsFolder(value))
            notices.push_back(std::string(key.Key) + " " + value + " does not exist");
    }
}

}  // namespace

void SaveWebSettings(RunContext& run) {
    // A value that would lock the site out brings the form back, as posted,
    // before anything is opened or written.
    if (const std::vector<std::string> refusals = LockoutRefusals(); !refusals.empty()) {
        for (const auto& refusal : refusals) DebugLog("Settings not saved: " + refusal);
        RedrawFileLocationsForm(run, refusals);
        EndRun();
    }
    {
        const std::string& file = run.Settings.File;
        // Everything is collected first and written in one replacement of
        // the file: a save that fails anywhere writes nothing.
        // The trail is opened first: a change it cannot record is not made.
        AuditTrail trail = OpenAuditTrail(run.SettingsFolder());
        IniEdit edit(file);
        std::vector<std::string> notices;
        CollectSettings(edit, notices);
        CollectDriveAddresses(run, edit, notices);
        AuditEntry entry;
        entry.Action = "settings saved";
        entry.Who = RequestWho(run);
        SettingsRecorder recorder(trail, entry);
        // A form that says which vexweb.ini it was drawn from is saved only
        // over that very file; a post without the version is saved as it is.
        VersionGuard guard(GetField(IniVersionField), recorder);
        IniCommitObserver* observer = Posted(IniVersionField) ? static_cast<IniCommitObserver*>(&guard) : &recorder;
        try {
            edit.Commit(observer);
        } catch (const RunError&) {
            if (guard.Stale()) SendStaleSettings(run, trail.Path());
            if (FailureNamed()) throw;  // the versions folder, say
            Doing doing("writing " + WrittenFile(file));
            throw;
        }

        SendHeader();
        SendTopOrGoOn();  // the page goes on without its top template
        for (const auto& notice : notices) SendLine("<br><center>" + HtmlText(notice) + "</center>");
        SendLine(
            "<br><br><center><font color=#990000><font size=+2>Settings have been saved to "
            "vexweb.ini</font></center>");
        SendLine(ChangesBlock(run, recorder.Entry().Changes));
    }
    EndRun();
}

}  // namespace vd

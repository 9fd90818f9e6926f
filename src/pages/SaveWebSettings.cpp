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
#include "pages/ChangeRecord.h"
#include "pages/FormVersion.h"
#include "pages/Pages.h"
#include "settings/IniFiles.h"
#include "settings/SettingsHistory.h"
#include "settings/SettingsVersion.h"
#include "settings/WebSettings.h"

#include <sys/stat.h>
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
std::string Plain(const std::string& value) { return value; }

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

// The posted values without which the next request could not reach this
// form, one line each: templates for every page, and the parameters
// database that tells a supervisor from anyone else.
std::vector<std::string> LockoutRefusals() {
    std::vector<std::string> refusals;
    const std::string htmlPath = GetField("HTMLPath");
    if (const std::string missing = MissingTemplates(Folder(htmlPath)); !missing.empty())
        refusals.push_back(std::string(HtmlPathLabel) + ": \"" + htmlPath + "\" holds no " + missing + ".");
    const std::string parameterPath = GetField("ParameterPath");
    if (!IsFile(ParamsDataSource(Folder(parameterPath))))
        refusals.push_back(std::string(ParameterPathLabel) + ": \"" + parameterPath + "\" holds no " +
                           ParamsDataSource("") + ", the data source of the parameters database.");
    return refusals;
}

struct Setting {
    const char* key;
    std::string (*rule)(const std::string&);
};

const Setting Settings[] = {
    {"HTMLPath", Folder},        {"ParameterPath", Folder},
    {"BasketPath", Folder},      {"BasketAlias", GuardedFolder},
    {"TempPath", Folder},        {"EXEPath", Folder},
    {"BillingDBPath", Folder},   {"ReportPath", GuardedFolder},
    {"WebPath", Address},        {"WebSecurePath", Address},
    {"WebScriptsPath", Address}, {"WebCDPath", Address},
    {"WebBasketPath", Address},  {"WebTempPath", Address},
    {"WebReportPath", Address},  {"Homepage", Plain},
    {"SMTPServer", Plain},       {"FromEmail", Plain},
    {"ReportsAllowed", Switch},  {"OCRAllowed", Switch},
    {"ReverseQuarters", Switch}, {"OpticalVEXRetry", Switch},
    {"Debug", Switch},
};

// Every setting into the edit; a folder that does not exist is named in
// the notices (the two that were checked already are not).
void CollectSettings(IniEdit& edit, std::vector<std::string>& notices) {
    for (const auto& setting : Settings) {
        const std::string value = setting.rule(GetField(setting.key));
        edit.Set(WebSection, setting.key, value);
        const std::string_view key = setting.key;
        const bool folder = setting.rule == Folder || setting.rule == GuardedFolder;
        if (folder && key != "HTMLPath" && key != "ParameterPath" && !value.empty() && !IsFolder(value))
            notices.push_back(std::string(setting.key) + " " + value + " does not exist");
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
        entry.Who = RequestWho();
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
    }
    EndRun();
}

}  // namespace vd

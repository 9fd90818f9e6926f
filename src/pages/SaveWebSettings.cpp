// Stores the file locations form in vexweb.ini: the settings of [Vexdoc/Web]
// in a fixed order, then the browser address of every drive in [Drives].
#include "cgi/DebugLog.h"
#include "cgi/MessagePages.h"
#include "cgi/Output.h"
#include "cgi/Program.h"
#include "cgi/Request.h"
#include "cgi/ServerLog.h"
#include "data/Connections.h"
#include "data/OpenTable.h"
#include "data/VDODBC.h"
#include "data/tables/Drives.h"
#include "pages/Pages.h"
#include "settings/IniFiles.h"
#include "settings/WebSettings.h"

#include <filesystem>

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
    std::error_code ec;
    const auto target = std::filesystem::canonical(file, ec);
    if (ec || target == std::filesystem::path(file)) return file;
    return file + " (" + target.string() + ")";
}

// A value that was not stored is a failure of the save.
void Store(const std::string& file, const std::string& section, const std::string& key, const std::string& value) {
    if (auto failure = TryWriteIniString(file, section, key, value)) {
        Doing doing("writing " + WrittenFile(file));
        throw *failure;
    }
}

void SaveDriveAddresses(const std::string& file) {
    DebugLog("opening Drives table");
    clsDrives drives;
    OpenTable table;
    ReadWholeParamsTable(drives.TableName, table);
    while (!table.record.Eof) {
        const std::string drive = table.record.Field(drives.Drive).Value.Text();
        const std::string address = GetField(drive);
        DebugLog("Request: " + drive + " Returned: " + address);
        // A cleared input leaves the drive's old entry as it is.
        if (!address.empty()) Store(file, "Drives", drive, Address(address));
        ODBCMoveNext(table.record);
    }
    table.Close();
}

}  // namespace

void SaveWebSettings() {
    try {
        const std::string file = WebIniPath();
        const struct {
            const char* key;
            std::string (*rule)(const std::string&);
        } settings[] = {
            {"HTMLPath", Folder},        {"ParameterPath", Folder},    {"BasketPath", Folder},
            {"BasketAlias", GuardedFolder}, {"TempPath", Folder},      {"EXEPath", Folder},
            {"BillingDBPath", Folder},   {"ReportPath", GuardedFolder}, {"WebPath", Address},
            {"WebSecurePath", Address},  {"WebScriptsPath", Address},  {"WebCDPath", Address},
            {"WebBasketPath", Address},  {"WebTempPath", Address},     {"WebReportPath", Address},
            {"Homepage", Plain},         {"SMTPServer", Plain},        {"FromEmail", Plain},
            {"ReportsAllowed", Switch},  {"OCRAllowed", Switch},       {"ReverseQuarters", Switch},
            {"OpticalVEXRetry", Switch}, {"Debug", Switch},
        };
        for (const auto& setting : settings)
            Store(file, WebSection, setting.key, setting.rule(GetField(setting.key)));

        SaveDriveAddresses(file);

        SendHeader();
        try {
            SendTop();
        } catch (const RunError&) {
            // The confirmation goes out without the top template.
        }
        SendLine("<br><br><center><font color=#990000><font size=+2>Settings have been saved to "
                 "vexweb.ini</font></center>");
    } catch (const RunError& e) {
        DebugLog("(" + std::to_string(e.Number) + ") " + e.Text);
        ReportRunError(e);
    }
    EndRun();
}

}  // namespace vd

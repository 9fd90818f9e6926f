// vdconfig --check: can the web server's user run this site? Every check
// looks at the files and databases the pages use, the way the pages use
// them, and writes nothing.
#include "app/SiteCheck.h"

#include "app/SiteFiles.h"

#include "base/TextUtil.h"
#include "data/Databases.h"
#include "data/ODBCAPI.h"
#include "data/tables/Catalogue.h"
#include "data/tables/RatePlan.h"
#include "settings/AuditTrail.h"
#include "settings/IniFiles.h"
#include "settings/SettingsHistory.h"
#include "settings/WebSettings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#ifndef VDCONFIG_VERSION
#define VDCONFIG_VERSION "unknown"
#endif

namespace vd {

namespace {

class Report {
public:
    void Line(bool ok, const std::string& check, const std::string& detail) {
        std::cout << (ok ? "OK   " : "FAIL ") << check << (detail.empty() ? "" : ": " + detail) << "\n";
        failed_ = failed_ || !ok;
    }
    // A finding that does not fail the check.
    void Warning(const std::string& check, const std::string& detail) {
        std::cout << "WARN " << check << ": " << detail << "\n";
    }
    bool Failed() const { return failed_; }

private:
    bool failed_ = false;
};

std::string Reason(int err) { return std::strerror(err); }

// "" when the file can be opened for reading, else why not.
std::string Unreadable(const std::string& path) {
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
        return "";
    }
    return path + ": " + Reason(errno);
}

// "" when new files can be made in the folder, else why not.
std::string FolderUnwritable(const std::string& folder) {
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0) return folder + ": " + Reason(errno);
    if (!S_ISDIR(st.st_mode)) return folder + ": not a folder";
    if (access(folder.c_str(), W_OK | X_OK) != 0) return folder + ": " + Reason(errno);
    return "";
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string RealPath(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    if (!real) return path;
    std::string out = real;
    std::free(real);
    return out;
}

// A database failure as a line of the report: the driver's SQLSTATE and
// message on one line.
std::string Diagnostic(const DbError& failure) {
    std::string text = failure.State.empty() ? failure.Message : failure.State + " " + failure.Message;
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

// The check's connection, opened as the pages open theirs: a failure
// becomes a line of the report instead of an error page.
struct Probe {
    OdbcConnection connection;

    // "" when connected, else the driver's SQLSTATE and message.
    std::string Connect(const std::string& connectString) {
        try {
            ODBCOpenDatabase(connection, connectString);
            return "";
        } catch (const DbError& e) {
            return Diagnostic(e);
        }
    }

    // The statement's result in the record, or the failure in *error.
    bool Run(const std::string& sql, TableInfo& record, std::string* error) {
        try {
            ODBCExecSQL(sql, connection, record);
            return true;
        } catch (const DbError& e) {
            *error = Diagnostic(e);
            return false;
        }
    }
};

// The columns of a catalogue table that the pages read by position: the
// first `read` of its ColumnNames.
struct TableColumns {
    std::string table;
    const char* const* names;
    size_t read;
};

template <class Entry>
TableColumns ReadColumns(size_t read) {
    return {Entry::TableName, Entry::ColumnNames.data(), read};
}

// "" when the first `count` columns carry the catalogue's names.
std::string WrongColumns(const TableInfo& found, const TableColumns& want, size_t count) {
    if (found.Fields.size() < count)
        return std::to_string(found.Fields.size()) + " columns, the pages read " + std::to_string(count);
    for (size_t i = 0; i < count; ++i)
        if (!EqualsNoCase(found.Fields[i].Name, want.names[i]))
            return "column " + std::to_string(i + 1) + " is " + found.Fields[i].Name + ", the pages read " +
                   want.names[i] + " there (the order of scripts/schema)";
    return "";
}

void CheckTable(Report& report, Probe* db, const TableColumns& want) {
    const std::string check = "table " + want.table;
    if (!db) return report.Line(false, check, "database not connected");
    std::string error;
    TableInfo found;
    if (!db->Run("SELECT * FROM " + want.table + " WHERE 1=0", found, &error)) return report.Line(false, check, error);
    const std::string wrong = WrongColumns(found, want, want.read);
    report.Line(wrong.empty(), check, wrong.empty() ? std::to_string(found.Fields.size()) + " columns" : wrong);
}

void CheckRateSchedule(Report& report, Probe* db) {
    const std::string check = "table Rate_Schedule";
    if (!db) return report.Line(false, check, "database not connected");
    std::string error;
    TableInfo found;
    if (!db->Run("SELECT * FROM Rate_Schedule WHERE 1=0", found, &error)) return report.Line(false, check, error);
    const size_t n = found.Fields.size();
    if (n != 25 && n != 21 && n != 18)
        return report.Line(false, check, std::to_string(n) + " columns; the pages read 25 (or 21 or 18)");
    const std::string wrong = WrongColumns(found, ReadColumns<clsRate_Schedule>(n), n);
    if (!wrong.empty()) return report.Line(false, check, wrong);
    report.Line(true, check,
                n == 25 ? "25 columns"
                        : std::to_string(n) + " columns: plans can be shown, saving a plan needs all 25");
}

void CheckSupervisor(Report& report, Probe* db) {
    const std::string check = "a supervisor";
    if (!db) return report.Line(false, check, "database not connected");
    std::string error;
    TableInfo rows;
    if (!db->Run("SELECT UserID FROM Users WHERE UserSuper = -1", rows, &error))
        return report.Line(false, check, error);
    std::vector<std::string> ids;
    for (ODBCMoveFirst(rows); !rows.Eof; ODBCMoveNext(rows)) ids.push_back(Trim(rows.Field(0).Value.Text()));
    if (ids.empty()) return report.Line(false, check, "no row of Users has UserSuper -1");
    std::string shown;
    for (size_t i = 0; i < ids.size() && i < 5; ++i) shown += (i ? ", " : "") + ids[i];
    if (ids.size() > 5) shown += ", ...";
    report.Line(true, check, shown);
}

}  // namespace

std::string VersionLine() { return std::string("vdconfig ") + VDCONFIG_VERSION; }

int CheckSite(const std::string& given) {
    const std::string programFolder = CommandFolder(given);
    if (geteuid() == 0)
        std::cerr << "vdconfig: running as root, which may write everywhere; run the check as the web server's "
                     "user (runuser -u www-data -- vdconfig --check FOLDER)\n";

    Report report;
    const std::string ini = SettingsFileIn(programFolder);
    std::cout << "Checking the site of " << programFolder << "\n";

    const std::string iniUnreadable = Unreadable(ini);
    report.Line(iniUnreadable.empty(), "vexweb.ini found", iniUnreadable.empty() ? ini : iniUnreadable);
    if (!iniUnreadable.empty()) {
        std::cout << "The other checks need vexweb.ini.\n";
        return 1;
    }

    // The settings as a run loads them.
    WebSettingsRecord s;
    try {
        s = LoadWebSettings(programFolder);
    } catch (const RunError& e) {
        report.Line(false, "vexweb.ini parsed", "(" + std::to_string(e.Number) + ") " + e.Text);
        return 1;
    }
    std::string parsed;
    if (!HasIniSection(ini, WebSection)) parsed = "no section [Vexdoc/Web]";
    const std::pair<const char*, const std::string*> folders[] = {
        {"HTMLPath", &s.HTMLPath}, {"ParameterPath", &s.ParameterPath}, {"TempPath", &s.TempPath}};
    for (const auto& [key, value] : folders) {
        if (!parsed.empty()) break;
        if (value->empty()) parsed = std::string(key) + " is empty";
        else if (value->back() != '/') parsed = std::string(key) + "=" + *value + " does not end with /";
    }
    if (parsed.empty() && s.WebScriptsPath.empty()) parsed = "WebScriptsPath is empty";
    report.Line(parsed.empty(), "vexweb.ini parsed", parsed);
    if (s.RequireSignIn)
        report.Line(true, "sign-in required", "RequireSignIn=TRUE: requests the web server did not sign in are refused");
    else
        report.Warning("sign-in required", "RequireSignIn is not TRUE in [Vexdoc/Web]: a request the web server did "
                                           "not sign in is answered as the user it names");

    // A save writes a temporary file in the folder that really holds the
    // file (the link's target folder) and renames it over the file.
    const std::string realIni = RealPath(ini);
    std::string replace = FolderUnwritable(FolderOf(realIni));
    if (replace.empty() && access(realIni.c_str(), R_OK) != 0) replace = realIni + ": " + Reason(errno);
    report.Line(replace.empty(), "vexweb.ini replaceable", replace.empty() ? "in " + FolderOf(realIni) : replace);

    // Files made beside vexweb.ini when first needed: writable when they
    // exist, else their folder is.
    auto writableBeside = [&](const std::string& check, const std::string& path) {
        std::string problem;
        if (access(path.c_str(), F_OK) == 0) {
            if (access(path.c_str(), R_OK | W_OK) != 0) problem = path + ": " + Reason(errno);
        } else {
            problem = FolderUnwritable(FolderOf(path));
        }
        report.Line(problem.empty(), check, problem.empty() ? path : problem);
    };
    const std::string settingsFolder = SettingsFolderOf(ini);
    writableBeside("new-plan lock writable", NewPlanLock::PathIn(settingsFolder));
    writableBeside("audit trail writable", settingsFolder + "/" + AuditFileName);
    writableBeside("kept versions writable", VersionFolder(settingsFolder));

    std::string missing;
    for (const char* name : {"tbltop.htm", "tblbot.htm", "errtop.htm", "errbot.htm"}) {
        const std::string problem = Unreadable(s.HTMLPath + name);
        if (!problem.empty()) missing += (missing.empty() ? "" : "; ") + problem;
    }
    report.Line(missing.empty(), "templates in HTMLPath", missing.empty() ? s.HTMLPath : missing);

    const std::string temp = FolderUnwritable(s.TempPath);
    report.Line(temp.empty(), "TempPath writable", temp.empty() ? s.TempPath : temp);

    const std::string paramsDsn = s.ParameterPath + "DSN/VDWParams32.DSN";
    const std::string billingDsn = programFolder + "/DSN/WVDAccounting.DSN";
    const std::string credentials = s.ParameterPath + "createdb.ini";
    for (const auto& [check, path] : std::vector<std::pair<std::string, std::string>>{
             {"vdglobal.ini readable", s.ParameterPath + "vdglobal.ini"},
             {"createdb.ini readable", credentials},
             {"parameters DSN readable", paramsDsn},
             {"billing DSN readable", billingDsn}}) {
        const std::string problem = Unreadable(path);
        report.Line(problem.empty(), check, problem.empty() ? path : problem);
    }

    // The connections as the pages make them: the DSN file and the
    // credentials of createdb.ini.
    std::string auth;
    try {
        auth = ";UID=" + UnscrambleKey(ReadIniString(credentials, "DEFAULT", "SQLKEY1")) +
               ";PWD=" + UnscrambleKey(ReadIniString(credentials, "DEFAULT", "SQLKEY2")) + ";";
    } catch (const RunError&) {
        auth = ";UID=;PWD=;";
        report.Line(false, "createdb.ini keys", "SQLKEY1 or SQLKEY2 is not in the form vdkeys writes");
    }
    Probe params, billing;
    const std::string paramsError = params.Connect("FILEDSN=" + paramsDsn + auth);
    report.Line(paramsError.empty(), "parameters database connects", paramsError);
    const std::string billingError = billing.Connect("FILEDSN=" + billingDsn + auth);
    report.Line(billingError.empty(), "billing database connects", billingError);

    Probe* p = paramsError.empty() ? &params : nullptr;
    // The columns the pages read, by position.
    for (const TableColumns& table : {ReadColumns<clsUsers>(clsUsers::UserSuper + 1),
                                      ReadColumns<clsApplications>(clsApplications::ApplicationName + 1),
                                      ReadColumns<clsDocumentTypes>(clsDocumentTypes::DatabaseDataSourceName + 1),
                                      ReadColumns<clsDrives>(clsDrives::Drive + 1)})
        CheckTable(report, p, table);
    CheckRateSchedule(report, billingError.empty() ? &billing : nullptr);
    CheckSupervisor(report, p);

    std::cout << (report.Failed() ? "Some checks failed.\n" : "All checks passed.\n");
    return report.Failed() ? 1 : 0;
}

}  // namespace vd

// vdconfig --check: can the web server's user run this site? Every check
// looks at the files and databases the pages use, the way the pages use
// them, and writes nothing.
#include "app/SiteCheck.h"

#include "app/SiteFiles.h"

#include "base/TextUtil.h"
#include "data/Databases.h"
#include "data/ODBCAPI.h"
#include "data/tables/Catalogue.h"
#include "data/tables/PlanTokens.h"
#include "data/tables/RatePlan.h"
#include "settings/AuditTrail.h"
#include "settings/IniFiles.h"
#include "settings/SettingsHistory.h"
#include "settings/WebSettings.h"

#include <algorithm>
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

// What a check found wrong, thrown by the check and written as its FAIL
// line. A finding is the command's answer, not a failure of the program:
// it is no exception of the run's family.
struct Finding {
    std::string What;
    bool OnlyWarns = false;  // a WARN line: the site works, with less
};

// A database failure as a line of the report: the driver's SQLSTATE and
// message on one line.
std::string Diagnostic(const DbError& failure) {
    std::string text = failure.State.empty() ? failure.Message : failure.State + " " + failure.Message;
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

// Whether a check that passes has a line of its own.
enum class Shown { Always, OnlyFailing };

class Report {
public:
    // Runs one check: what it returns is the detail of its OK line, what it
    // finds wrong (a Finding, or a database's failure) that of its FAIL
    // line. True when it passed.
    template <class CheckFn>
    bool Check(const std::string& check, CheckFn&& run, Shown shown = Shown::Always) {
        try {
            std::string detail = run();
            if (shown == Shown::Always) Line(true, check, detail);
            return true;
        } catch (const Finding& wrong) {
            if (wrong.OnlyWarns) {
                std::cout << "WARN " << check << ": " << wrong.What << "\n";
                return true;
            }
            Line(false, check, wrong.What);
        } catch (const DbError& failure) {
            Line(false, check, Diagnostic(failure));
        }
        return false;
    }
    bool Failed() const { return failed_; }

private:
    void Line(bool ok, const std::string& check, const std::string& detail) {
        std::cout << (ok ? "OK   " : "FAIL ") << check << (detail.empty() ? "" : ": " + detail) << "\n";
        failed_ = failed_ || !ok;
    }

    bool failed_ = false;
};

std::string Reason(int err) { return std::strerror(err); }

// The file can be opened for reading.
void RequireReadable(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw Finding{path + ": " + Reason(errno)};
    std::fclose(f);
}

// New files can be made in the folder.
void RequireWritableFolder(const std::string& folder) {
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0) throw Finding{folder + ": " + Reason(errno)};
    if (!S_ISDIR(st.st_mode)) throw Finding{folder + ": not a folder"};
    if (access(folder.c_str(), W_OK | X_OK) != 0) throw Finding{folder + ": " + Reason(errno)};
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

// The settings a run needs to draw a page: the section, the folders with
// their "/" at the end, the program's address.
void RequireSettingsParsed(const std::string& ini, const WebSettingsRecord& s) {
    if (!HasIniSection(ini, WebSection)) throw Finding{"no section [Vexdoc/Web]"};
    const std::pair<const char*, const std::string*> folders[] = {
        {"HTMLPath", &s.HTMLPath}, {"ParameterPath", &s.ParameterPath}, {"TempPath", &s.TempPath}};
    for (const auto& [key, value] : folders) {
        if (value->empty()) throw Finding{std::string(key) + " is empty"};
        if (value->back() != '/') throw Finding{std::string(key) + "=" + *value + " does not end with /"};
    }
    if (s.WebScriptsPath.empty()) throw Finding{"WebScriptsPath is empty"};
}

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

// The table's columns (no rows), read on the check's connection, opened as
// the pages open theirs; none when the database did not connect.
TableInfo ColumnsOf(OdbcConnection* db, const std::string& table) {
    if (!db) throw Finding{"database not connected"};
    TableInfo found;
    ODBCExecSQL("SELECT * FROM " + table + " WHERE 1=0", *db, found);
    return found;
}

// The first `count` columns carry the catalogue's names.
void RequireColumns(const TableInfo& found, const TableColumns& want, size_t count) {
    if (found.Fields.size() < count)
        throw Finding{std::to_string(found.Fields.size()) + " columns, the pages read " + std::to_string(count)};
    for (size_t i = 0; i < count; ++i)
        if (!EqualsNoCase(found.Fields[i].Name, want.names[i]))
            throw Finding{"column " + std::to_string(i + 1) + " is " + found.Fields[i].Name + ", the pages read " +
                          want.names[i] + " there (the order of scripts/schema)"};
}

// The table's columns as the pages read them; the detail of its OK line.
std::string TableFound(OdbcConnection* db, const TableColumns& want) {
    const TableInfo found = ColumnsOf(db, want.table);
    RequireColumns(found, want, want.read);
    return std::to_string(found.Fields.size()) + " columns";
}

void CheckTable(Report& report, OdbcConnection* db, const TableColumns& want) {
    report.Check("table " + want.table, [&] { return TableFound(db, want); });
}

void CheckRateSchedule(Report& report, OdbcConnection* db) {
    report.Check("table Rate_Schedule", [&] {
        const TableInfo found = ColumnsOf(db, "Rate_Schedule");
        const size_t n = found.Fields.size();
        const auto& layouts = clsRate_Schedule::Layouts;
        const std::string whole = std::to_string(clsRate_Schedule::FieldCount);
        if (std::find(layouts.begin(), layouts.end(), static_cast<int>(n)) == layouts.end())
            throw Finding{std::to_string(n) + " columns; the pages read " + whole + " (or " +
                          std::to_string(layouts[1]) + " or " + std::to_string(layouts[2]) + ")"};
        RequireColumns(found, ReadColumns<clsRate_Schedule>(n), n);
        return static_cast<int>(n) == clsRate_Schedule::FieldCount
                   ? whole + " columns"
                   : std::to_string(n) + " columns: plans can be shown, saving a plan needs all " + whole;
    });
}

// The program's own table of saved new-plan forms: its columns when it is
// there; a warning when it is missing, since each program folder then knows
// only the forms on its own trail.
void CheckPlanTokens(Report& report, OdbcConnection* db) {
    const TableColumns want = ReadColumns<clsPlanTokens>(clsPlanTokens::FieldCount);
    report.Check("table " + want.table, [&] {
        if (db && !PlanTokensKept(*db))
            throw Finding{"missing from the billing database: a new-plan form posted again through another "
                          "program folder on this database is saved again (schema/plan-tokens.sql makes it)",
                          true};
        return TableFound(db, want);
    });
}

void CheckSupervisor(Report& report, OdbcConnection* db) {
    report.Check("a supervisor", [&] {
        if (!db) throw Finding{"database not connected"};
        TableInfo rows;
        ODBCExecSQL("SELECT UserID FROM Users WHERE UserSuper = -1", *db, rows);
        std::vector<std::string> ids;
        for (ODBCMoveFirst(rows); !rows.Eof; ODBCMoveNext(rows)) ids.push_back(Trim(rows.Field(0).Value.Text()));
        if (ids.empty()) throw Finding{"no row of Users has UserSuper -1"};
        std::string shown;
        for (size_t i = 0; i < ids.size() && i < 5; ++i) shown += (i ? ", " : "") + ids[i];
        if (ids.size() > 5) shown += ", ...";
        return shown;
    });
}

// How a connection reaches its database and signs in, as its connection
// string says: a SQLite file; a server over its Unix socket without a
// password (the server signs the web server's user in: peer); or over TCP
// with the password of createdb.ini.
std::string SignInWay(const OdbcConnection& db, const std::string& connect) {
    const std::string resolved = ResolveFileDsn(connect);
    if (DbmsIs(db, "SQLite")) return "SQLite file " + ConnectionAttribute(resolved, "Database");
    const std::string dbms = Trim(db.DbmsName());
    std::string server = ConnectionAttribute(resolved, "Servername");
    if (server.empty()) server = ConnectionAttribute(resolved, "Server");
    const std::string port = ConnectionAttribute(resolved, "Port");
    const bool password = !ConnectionAttribute(resolved, "PWD").empty();
    if (server.empty() || server[0] == '/')
        return dbms + " over the Unix socket" + (server.empty() ? "" : " in " + server) +
               (password ? ", signing in with the password of createdb.ini" : ", peer sign-in (no password)");
    return dbms + " over TCP to " + server + (port.empty() ? "" : ":" + port) +
           (password ? ", signing in with the password of createdb.ini" : ", without a password");
}

// vexweb.ini found and read as a run reads it; false when the other checks
// cannot go on.
bool CheckSettingsFile(Report& report, const std::string& programFolder, const std::string& ini,
                       WebSettingsRecord& s) {
    if (!report.Check("vexweb.ini found", [&] {
            RequireReadable(ini);
            return ini;
        })) {
        std::cout << "The other checks need vexweb.ini.\n";
        return false;
    }
    bool loaded = false;
    report.Check("vexweb.ini parsed", [&] {
        try {
            s = LoadWebSettings(programFolder);  // the settings as a run loads them
        } catch (const RunError& e) {
            throw Finding{"(" + std::to_string(e.Number) + ") " + e.Text};
        }
        loaded = true;
        RequireSettingsParsed(ini, s);
        return std::string();
    });
    if (!loaded) return false;
    report.Check("sign-in required", [&] {
        if (!s.RequireSignIn)
            throw Finding{"RequireSignIn is not TRUE in [Vexdoc/Web]: a request the web server did not sign in is "
                          "answered as the user it names",
                          true};
        return std::string("RequireSignIn=TRUE: requests the web server did not sign in are refused");
    });
    return true;
}

// The files a save writes: vexweb.ini replaced in the folder that really
// holds it (the link's target folder), and the files made beside it when
// first needed, writable when they exist, else their folder is.
void CheckWritableFiles(Report& report, const std::string& ini) {
    const std::string realIni = RealPath(ini);
    report.Check("vexweb.ini replaceable", [&] {
        RequireWritableFolder(FolderOf(realIni));
        if (access(realIni.c_str(), R_OK) != 0) throw Finding{realIni + ": " + Reason(errno)};
        return "in " + FolderOf(realIni);
    });
    auto writableBeside = [&](const std::string& check, const std::string& path) {
        report.Check(check, [&] {
            if (access(path.c_str(), F_OK) != 0)
                RequireWritableFolder(FolderOf(path));
            else if (access(path.c_str(), R_OK | W_OK) != 0)
                throw Finding{path + ": " + Reason(errno)};
            return path;
        });
    };
    const std::string settingsFolder = SettingsFolderOf(ini);
    writableBeside("new-plan lock writable", NewPlanLock::PathIn(settingsFolder));
    writableBeside("audit trail writable", AuditTrailPath(settingsFolder));
    writableBeside("kept versions writable", VersionFolder(settingsFolder));
}

// The templates, the temporary folder and the files of the data sources.
void CheckSiteFiles(Report& report, const WebSettingsRecord& s, const std::string& programFolder) {
    report.Check("templates in HTMLPath", [&] {
        std::string missing;
        for (const char* name : {"tbltop.htm", "tblbot.htm", "errtop.htm", "errbot.htm"}) {
            try {
                RequireReadable(s.HTMLPath + name);
            } catch (const Finding& problem) {
                missing += (missing.empty() ? "" : "; ") + problem.What;
            }
        }
        if (!missing.empty()) throw Finding{missing};
        return s.HTMLPath;
    });
    report.Check("TempPath writable", [&] {
        RequireWritableFolder(s.TempPath);
        return s.TempPath;
    });
    for (const auto& file : std::vector<std::pair<std::string, std::string>>{
             {"vdglobal.ini readable", s.ParameterPath + "vdglobal.ini"},
             {"createdb.ini readable", s.ParameterPath + "createdb.ini"},
             {"parameters DSN readable", ParamsDataSource(s.ParameterPath)},
             {"billing DSN readable", BillingDataSource(programFolder)}})
        report.Check(file.first, [&] {
            RequireReadable(file.second);
            return file.second;
        });
}

// The connections as the pages make them (the data layer's, with the
// credentials of createdb.ini), the columns the pages read by position,
// and a supervisor.
void CheckDatabases(Report& report, Databases& databases) {
    report.Check("createdb.ini keys", [&] {
        try {
            ReadCredentials(databases);
        } catch (const RunError& e) {
            // The connections are tried without credentials. A file that
            // cannot be read is named by its own check.
            databases.SqlUser.clear();
            databases.SqlPassword.clear();
            databases.CredentialsRead = true;
            throw Finding{e.Number == Err::InvalidCall ? std::string("SQLKEY1 or SQLKEY2 is not in the form vdkeys writes")
                                                       : "(" + std::to_string(e.Number) + ") " + e.Text};
        }
        return std::string();
    }, Shown::OnlyFailing);
    OdbcConnection params, billing;
    OdbcConnection* p = report.Check("parameters database connects", [&] {
        OpenParamsDatabase(databases, params);
        return SignInWay(params, databases.ParamsConnect);
    }) ? &params : nullptr;
    OdbcConnection* b = report.Check("billing database connects", [&] {
        OpenWVDAccounting(databases, billing);
        if (p && SameDataSource(databases.AccountingConnect, databases.ParamsConnect))
            return std::string("the parameters database's connection (both data sources name one database)");
        return SignInWay(billing, databases.AccountingConnect);
    }) ? &billing : nullptr;
    for (const TableColumns& table : {ReadColumns<clsUsers>(clsUsers::UserSuper + 1),
                                      ReadColumns<clsApplications>(clsApplications::ApplicationName + 1),
                                      ReadColumns<clsDocumentTypes>(clsDocumentTypes::DatabaseDataSourceName + 1),
                                      ReadColumns<clsDrives>(clsDrives::Drive + 1)})
        CheckTable(report, p, table);
    CheckRateSchedule(report, b);
    CheckPlanTokens(report, b);
    CheckSupervisor(report, p);
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
    WebSettingsRecord s;
    if (!CheckSettingsFile(report, programFolder, ini, s)) return 1;
    CheckWritableFiles(report, ini);
    CheckSiteFiles(report, s, programFolder);
    Databases databases;
    databases.ParameterPath = s.ParameterPath;
    databases.ProgramFolder = programFolder;
    CheckDatabases(report, databases);

    std::cout << (report.Failed() ? "Some checks failed.\n" : "All checks passed.\n");
    return report.Failed() ? 1 : 0;
}

}  // namespace vd

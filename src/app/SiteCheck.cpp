// vdconfig --check: can the web server's user run this site? Every check
// looks at the files and databases the pages use, the way the pages use
// them, and writes nothing.
#include "app/SiteCheck.h"

#include "app/SiteFiles.h"

#include "base/Program.h"
#include "base/TextUtil.h"
#include "data/Databases.h"
#include "data/ODBCAPI.h"
#include "data/tables/RatePlan.h"
#include "settings/AuditTrail.h"
#include "settings/IniFiles.h"
#include "settings/SettingsHistory.h"
#include "settings/WebSettings.h"

#include <sql.h>
#include <sqlext.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
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

bool HasSection(const std::string& file, const std::string& section) {
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string t = Trim(line);
        if (t.size() >= 2 && t.front() == '[' && t.back() == ']' && EqualsNoCase(Trim(t.substr(1, t.size() - 2)), section))
            return true;
    }
    return false;
}

// One ODBC connection of the check's own, so that a failure becomes a line
// of the report instead of an error page.
class Probe {
public:
    ~Probe() {
        if (dbc_) {
            if (connected_) SQLDisconnect(dbc_);
            SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        }
        if (env_) SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }

    // "" when connected, else the driver's SQLSTATE and message.
    std::string Connect(const std::string& connectString) {
        if (SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_) != SQL_SUCCESS) return "no ODBC environment";
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        if (SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_) != SQL_SUCCESS) return "no ODBC connection handle";
        std::string resolved = ResolveFileDsn(connectString);
        const SQLRETURN rc = SQLDriverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR*>(resolved.data()), SQL_NTS,
                                              nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
        std::fill(resolved.begin(), resolved.end(), '\0');
        if (!SQL_SUCCEEDED(rc)) return Diagnostic(SQL_HANDLE_DBC, dbc_);
        connected_ = true;
        return "";
    }

    // The column names of a query's result, or the error in *error.
    std::vector<std::string> Columns(const std::string& sql, std::string* error) {
        std::vector<std::string> names;
        SQLHSTMT st = SQL_NULL_HSTMT;
        if (SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &st) != SQL_SUCCESS) {
            *error = Diagnostic(SQL_HANDLE_DBC, dbc_);
            return names;
        }
        if (!SQL_SUCCEEDED(SQLExecDirect(st, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS))) {
            *error = Diagnostic(SQL_HANDLE_STMT, st);
            SQLFreeHandle(SQL_HANDLE_STMT, st);
            return names;
        }
        SQLSMALLINT count = 0;
        SQLNumResultCols(st, &count);
        for (SQLSMALLINT i = 1; i <= count; ++i) {
            SQLCHAR name[256] = {};
            SQLSMALLINT length = 0, type = 0, digits = 0, nullable = 0;
            SQLULEN size = 0;
            SQLDescribeCol(st, static_cast<SQLUSMALLINT>(i), name, sizeof name, &length, &type, &size, &digits,
                           &nullable);
            names.emplace_back(reinterpret_cast<char*>(name));
        }
        SQLFreeHandle(SQL_HANDLE_STMT, st);
        return names;
    }

    // The first column of every row, as text.
    std::vector<std::string> Values(const std::string& sql, std::string* error) {
        std::vector<std::string> values;
        SQLHSTMT st = SQL_NULL_HSTMT;
        if (SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &st) != SQL_SUCCESS ||
            !SQL_SUCCEEDED(SQLExecDirect(st, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS))) {
            *error = st ? Diagnostic(SQL_HANDLE_STMT, st) : Diagnostic(SQL_HANDLE_DBC, dbc_);
            if (st) SQLFreeHandle(SQL_HANDLE_STMT, st);
            return values;
        }
        while (SQL_SUCCEEDED(SQLFetch(st))) {
            char buf[512] = {};
            SQLLEN ind = 0;
            SQLGetData(st, 1, SQL_C_CHAR, buf, sizeof buf, &ind);
            values.emplace_back(ind == SQL_NULL_DATA ? "" : buf);
        }
        SQLFreeHandle(SQL_HANDLE_STMT, st);
        return values;
    }

private:
    static std::string Diagnostic(SQLSMALLINT type, SQLHANDLE handle) {
        SQLCHAR state[8] = {}, message[1024] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length)))
            return "unknown ODBC error";
        std::string text = std::string(reinterpret_cast<char*>(state)) + " " + reinterpret_cast<char*>(message);
        for (char& c : text)
            if (c == '\n' || c == '\r') c = ' ';
        return text;
    }

    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool connected_ = false;
};

struct TableColumns {
    const char* table;
    std::vector<const char*> columns;  // in their binding order
};

// The columns the pages read, by position (scripts/schema/params.sql).
const TableColumns ParamsTables[] = {
    {"Users",
     {"UserID", "UserName", "UserPass", "UserScan", "UserIndex", "UserArchive", "UserSearch", "UserSetup",
      "UserSuper"}},
    {"Applications", {"ApplicationID", "ApplicationName"}},
    {"DocumentTypes",
     {"DocTypeAppl", "DocTypeId", "DocTypeDesc", "DocTypePath", "PrimJoinField", "JoinField", "DisplayAttach",
      "DatabaseType", "DatabaseName", "DatabaseUserID", "DatabasePassword", "DatabaseDataSourceName"}},
    {"Drives", {"Drive"}},
};

const TableColumns RateSchedule = {
    "Rate_Schedule",
    {"application", "DocType", "RateNum", "Flat_Fee", "Search_Fee", "NoHits_Fee", "DocInfo_Fee", "AllPages_Fee",
     "Page_Fee", "Hits_Fee", "Max_Searches", "Max_DocInfo", "Max_DocView", "Max_PageView", "Rate_Description",
     "Hide_level", "Report_Fee", "OCR_Fee", "Tax_Policy", "Billing_Policy", "Termination_Policy",
     "Max_Searches_Overcharge", "Max_DocInfo_Overcharge", "Max_DocView_Overcharge", "Max_PageView_Overcharge"}};

// "" when the first `count` columns carry the expected names.
std::string WrongColumns(const std::vector<std::string>& found, const TableColumns& want, size_t count) {
    if (found.size() < count)
        return std::to_string(found.size()) + " columns, the pages read " + std::to_string(count);
    for (size_t i = 0; i < count; ++i)
        if (!EqualsNoCase(found[i], want.columns[i]))
            return "column " + std::to_string(i + 1) + " is " + found[i] + ", the pages read " + want.columns[i] +
                   " there (the order of scripts/schema)";
    return "";
}

void CheckTable(Report& report, Probe* db, const TableColumns& want) {
    const std::string check = std::string("table ") + want.table;
    if (!db) return report.Line(false, check, "database not connected");
    std::string error;
    const auto found = db->Columns(std::string("SELECT * FROM ") + want.table + " WHERE 1=0", &error);
    if (!error.empty()) return report.Line(false, check, error);
    const std::string wrong = WrongColumns(found, want, want.columns.size());
    report.Line(wrong.empty(), check, wrong.empty() ? std::to_string(found.size()) + " columns" : wrong);
}

void CheckRateSchedule(Report& report, Probe* db) {
    const std::string check = "table Rate_Schedule";
    if (!db) return report.Line(false, check, "database not connected");
    std::string error;
    const auto found = db->Columns("SELECT * FROM Rate_Schedule WHERE 1=0", &error);
    if (!error.empty()) return report.Line(false, check, error);
    const size_t n = found.size();
    if (n != 25 && n != 21 && n != 18)
        return report.Line(false, check, std::to_string(n) + " columns; the pages read 25 (or 21 or 18)");
    const std::string wrong = WrongColumns(found, RateSchedule, n);
    if (!wrong.empty()) return report.Line(false, check, wrong);
    report.Line(true, check,
                n == 25 ? "25 columns"
                        : std::to_string(n) + " columns: plans can be shown, saving a plan needs all 25");
}

void CheckSupervisor(Report& report, Probe* db) {
    const std::string check = "a supervisor";
    if (!db) return report.Line(false, check, "database not connected");
    std::string error;
    const auto rows = db->Values("SELECT UserID FROM Users WHERE UserSuper = -1", &error);
    if (!error.empty()) return report.Line(false, check, error);
    if (rows.empty()) return report.Line(false, check, "no row of Users has UserSuper -1");
    std::string ids;
    for (size_t i = 0; i < rows.size() && i < 5; ++i) ids += (i ? ", " : "") + Trim(rows[i]);
    if (rows.size() > 5) ids += ", ...";
    report.Line(true, check, ids);
}

}  // namespace

std::string VersionLine() { return std::string("vdconfig ") + VDCONFIG_VERSION; }

int CheckSite(const std::string& programFolder) {
    UseProgramFolder(programFolder);
    if (geteuid() == 0)
        std::cerr << "vdconfig: running as root, which may write everywhere; run the check as the web server's "
                     "user (runuser -u www-data -- vdconfig --check FOLDER)\n";

    Report report;
    const std::string ini = WebIniPath();
    std::cout << "Checking the site of " << ProgramFolder() << "\n";

    const std::string iniUnreadable = Unreadable(ini);
    report.Line(iniUnreadable.empty(), "vexweb.ini found", iniUnreadable.empty() ? ini : iniUnreadable);
    if (!iniUnreadable.empty()) {
        std::cout << "The other checks need vexweb.ini.\n";
        return 1;
    }

    // The settings as a run loads them.
    WebSettingsRecord s;
    try {
        s = LoadWebSettings();
    } catch (const RunError& e) {
        report.Line(false, "vexweb.ini parsed", "(" + std::to_string(e.Number) + ") " + e.Text);
        return 1;
    }
    std::string parsed;
    if (!HasSection(ini, WebSection)) parsed = "no section [Vexdoc/Web]";
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
    writableBeside("new-plan lock writable", NewPlanLock::Path());
    writableBeside("audit trail writable", WebIniFolder() + "/" + AuditFileName);
    writableBeside("kept versions writable", VersionFolder());

    std::string missing;
    for (const char* name : {"tbltop.htm", "tblbot.htm", "errtop.htm", "errbot.htm"}) {
        const std::string problem = Unreadable(s.HTMLPath + name);
        if (!problem.empty()) missing += (missing.empty() ? "" : "; ") + problem;
    }
    report.Line(missing.empty(), "templates in HTMLPath", missing.empty() ? s.HTMLPath : missing);

    const std::string temp = FolderUnwritable(s.TempPath);
    report.Line(temp.empty(), "TempPath writable", temp.empty() ? s.TempPath : temp);

    const std::string paramsDsn = s.ParameterPath + "DSN/VDWParams32.DSN";
    const std::string billingDsn = ProgramFolder() + "/DSN/WVDAccounting.DSN";
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
    for (const auto& table : ParamsTables) CheckTable(report, p, table);
    CheckRateSchedule(report, billingError.empty() ? &billing : nullptr);
    CheckSupervisor(report, p);

    std::cout << (report.Failed() ? "Some checks failed.\n" : "All checks passed.\n");
    return report.Failed() ? 1 : 0;
}

}  // namespace vd

// The parameters, accounting and application databases: connection
// strings, stored credentials and opening tables by name.
#include "data/Databases.h"

#include "base/DebugLog.h"
#include "base/Numbers.h"
#include "base/RunError.h"
#include "base/TextUtil.h"
#include "data/OpenTable.h"
#include "data/RecordAccess.h"
#include "data/tables/Catalogue.h"
#include "settings/IniFiles.h"

#include <cmath>

namespace vd {

void ReadCredentials(Databases& d) {
    if (d.CredentialsRead) return;
    const std::string file = d.ParameterPath + "createdb.ini";
    d.SqlUser = UnscrambleKey(ReadIniString(file, "DEFAULT", "SQLKEY1"));
    d.SqlPassword = UnscrambleKey(ReadIniString(file, "DEFAULT", "SQLKEY2"));
    d.CredentialsRead = true;
}

namespace {

std::string Credentials(const Databases& d) { return ";UID=" + d.SqlUser + ";PWD=" + d.SqlPassword + ";"; }

}  // namespace

std::string MaskPassword(const std::string& connectString) {
    std::string out;
    size_t pos = 0;
    while (pos <= connectString.size()) {
        size_t semi = connectString.find(';', pos);
        const size_t end = semi == std::string::npos ? connectString.size() : semi;
        std::string piece = connectString.substr(pos, end - pos);
        const size_t eq = piece.find('=');
        if (eq != std::string::npos && EqualsNoCase(Trim(piece.substr(0, eq)), "PWD") && eq + 1 < piece.size())
            piece = piece.substr(0, eq + 1) + "****";
        out += piece;
        if (semi == std::string::npos) break;
        out += ';';
        pos = semi + 1;
    }
    return out;
}

std::string UnscrambleKey(const std::string& scrambled) {
    // Fillers out: a character that moves into the place of a removed
    // filler is not examined.
    std::string text = scrambled;
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i)
        if (i < text.size() && text[i] == ScrambleFiller) text.erase(i, 1);
    std::string plain;
    for (size_t start = 0; start < text.size(); start += 3) {
        const double position = static_cast<double>(start + 1);  // counting from 1
        const double code = std::nearbyint(Val(text.substr(start, 3)) - (position + 2) / ScrambleDivisor);
        if (code < 0 || code > 255) Raise(Err::InvalidCall);
        plain += static_cast<char>(static_cast<unsigned char>(code));
    }
    return plain;
}

std::string ParamsDataSource(const std::string& parameterPath) { return parameterPath + "DSN/VDWParams32.DSN"; }

std::string BillingDataSource(const std::string& programFolder) { return programFolder + "/DSN/WVDAccounting.DSN"; }

void OpenParamsDatabase(Databases& d, OdbcConnection& connection) {
    if (d.ParamsConnect.empty()) {
        ReadCredentials(d);
        d.ParamsConnect = "FILEDSN=" + ParamsDataSource(d.ParameterPath) + Credentials(d);
    }
    DebugLog("Opendatabase gParamsConnect=" + MaskPassword(d.ParamsConnect) + " ParameterPath=" + d.ParameterPath);
    try {
        ODBCOpenShared(connection, d.Params, d.ParamsConnect);
    } catch (const DbError&) {
        DebugLog("Open failed");
        throw;
    }
    DebugLog("Open succeeded");
}

void OpenWVDAccounting(Databases& d, OdbcConnection& connection) {
    if (d.AccountingConnect.empty()) {
        ReadCredentials(d);
        d.AccountingConnect = "FILEDSN=" + BillingDataSource(d.ProgramFolder) + Credentials(d);
    }
    DebugLog("OpenWVDAccounting WVDAccountingConnect=" + MaskPassword(d.AccountingConnect));
    ODBCOpenShared(connection, d.Accounting, d.AccountingConnect);
}

void InitParams(Databases& databases, OdbcConnection& connection, const std::string& table, TableInfo& record) {
    record.Name = table;
    try {
        if (!connection.IsOpen()) OpenParamsDatabase(databases, connection);
    } catch (const DbError&) {
        DebugLog("Initparams failed for table " + table);
        throw;
    }
    try {
        ODBCOpenTbl(connection, table, record, "");
    } catch (const DbError&) {
        DebugLog("Initparams(2) failed for table " + table);
        throw;
    }
    DebugLog("InitParams - setting tablename = " + table);
}

void InitWVDAccounting(Databases& databases, OdbcConnection& connection, const std::string& table, TableInfo& record,
                       const std::string& alias) {
    record.Name = alias.empty() ? table : alias;
    DebugLog("InitWVDAccounting ODBCInfo named " + record.Name);
    if (!connection.IsOpen()) OpenWVDAccounting(databases, connection);
    ODBCOpenTbl(connection, table, record, "");
}

}  // namespace vd

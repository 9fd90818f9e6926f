// The driver's diagnostics: read after a failed call, classified, and
// thrown as DbError.
#include "data/OdbcInternal.h"

#include "base/DebugLog.h"

#include <vector>

namespace vd {

namespace odbc {

Diagnostic ReadDiagnostic(SQLHENV env, SQLHDBC dbc, SQLHSTMT statement) {
    DebugLog("start of geterror");
    std::vector<char> state(1024, '\0'), message(1024, '\0');
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLError(env, dbc, statement, reinterpret_cast<SQLCHAR*>(state.data()), &native,
             reinterpret_cast<SQLCHAR*>(message.data()), 1023, &length);
    return {native, StripNull(std::string(state.data(), state.size())),
            StripNull(std::string(message.data(), message.size()))};
}

[[noreturn]] void Throw(const Diagnostic& d) {
    const bool shown =
        ClassifyOdbcError(d.native, d.state) == -1 && d.state != "08003" && d.state != "00000";
    if (shown) DebugLog("Error: " + std::to_string(d.native) + d.state + d.text);
    throw DbError(d.native, d.state, d.text, shown);
}

[[noreturn]] void Fail(SQLHENV env, SQLHDBC dbc, SQLHSTMT statement) {
    Throw(ReadDiagnostic(env, dbc, statement));
}

[[noreturn]] void NotConnected() {
    DebugLog("start of geterror");
    throw DbError(0, "08003", "", false);
}

}  // namespace odbc

std::string StripNull(const std::string& text) {
    size_t nul = text.find('\0');
    return nul == std::string::npos ? text : text.substr(0, nul);
}

int ClassifyOdbcError(long native, const std::string& sqlState) {
    if (std::to_string(native) + sqlState == "-1102S1000") return odbc::LockedRecord;
    if (sqlState == "08002") return 0;
    return -1;
}

}  // namespace vd

// Data sources: a connection string resolved through its file DSN, the
// connect of a link, and what the driver tells of its database system.
#include "data/OdbcInternal.h"

#include "base/TextUtil.h"
#include "settings/IniFiles.h"

#include <cstdlib>
#include <vector>

namespace vd {

namespace {

bool SameKey(const std::string& a, const std::string& b) { return EqualsNoCase(Trim(a), Trim(b)); }

// One "key=value" entry of a connection string, as written.
struct Attribute {
    std::string key;    // trimmed
    std::string value;  // braces removed
    std::string raw;    // the text between the separators
};

std::vector<Attribute> SplitAttributes(const std::string& text) {
    std::vector<Attribute> out;
    size_t i = 0;
    while (i < text.size()) {
        const size_t start = i;
        Attribute a;
        size_t eq = text.find('=', i);
        size_t semi = text.find(';', i);
        if (eq == std::string::npos || (semi != std::string::npos && semi < eq)) {
            size_t end = semi == std::string::npos ? text.size() : semi;
            a.raw = text.substr(start, end - start);
            a.key = Trim(a.raw);
            i = end + 1;
        } else {
            a.key = Trim(text.substr(i, eq - i));
            i = eq + 1;
            if (i < text.size() && text[i] == '{') {
                ++i;
                while (i < text.size()) {
                    if (text[i] == '}') {
                        if (i + 1 < text.size() && text[i + 1] == '}') {
                            a.value += '}';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    a.value += text[i++];
                }
                size_t end = text.find(';', i);
                if (end == std::string::npos) end = text.size();
                i = end;
            } else {
                size_t end = text.find(';', i);
                if (end == std::string::npos) end = text.size();
                a.value = text.substr(i, end - i);
                i = end;
            }
            a.raw = text.substr(start, i - start);
            ++i;
        }
        if (!Trim(a.raw).empty()) out.push_back(std::move(a));
    }
    return out;
}

std::string AttributeValue(const std::string& value) {
    if (value.find(';') == std::string::npos && (value.empty() || (value.front() != '{' && value.front() != ' ' &&
                                                                   value.back() != ' ')))
        return value;
    std::string out = "{";
    for (char c : value) {
        out += c;
        if (c == '}') out += '}';
    }
    return out + "}";
}

// The key names of the first [ODBC] section of a DSN file, in file order.
// An entry whose key begins with ";" or "#" is commented out: it is no
// attribute of the connection.
std::vector<std::string> DsnKeys(const std::string& file) {
    std::vector<std::string> keys = ReadIniKeys(file, "ODBC");
    std::erase_if(keys, [](const std::string& key) { return key.front() == ';' || key.front() == '#'; });
    return keys;
}

// The Timeout entry of a connection string (milliseconds), 0 without one
// or with one that is no whole number.
long TimeoutOf(const std::string& connectString) {
    long timeout = 0;
    for (const auto& a : SplitAttributes(connectString))
        if (SameKey(a.key, "Timeout")) {
            const std::string value = Trim(a.value);
            char* end = nullptr;
            const long n = std::strtol(value.c_str(), &end, 10);
            timeout = !value.empty() && *end == '\0' && n > 0 ? n : 0;
        }
    return timeout;
}

}  // namespace

namespace odbc {

// Nothing is reported when the driver cannot tell: the name only chooses
// how key names are written.
std::string DbmsName(SQLHDBC dbc) {
    std::vector<char> name(256, '\0');
    SQLSMALLINT length = 0;
    const SQLRETURN rc =
        SQLGetInfo(dbc, SQL_DBMS_NAME, name.data(), static_cast<SQLSMALLINT>(name.size() - 1), &length);
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) return "";
    return StripNull(std::string(name.data(), name.size()));
}

std::shared_ptr<OdbcLink> Connect(const std::string& connectString) {
    auto link = std::make_shared<OdbcLink>();
    link->key = connectString;
    if (SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &link->env.h) != SQL_SUCCESS)
        Fail(link->env.h, SQL_NULL_HDBC);
    SQLSetEnvAttr(link->env.h, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC2), 0);
    if (SQLAllocHandle(SQL_HANDLE_DBC, link->env.h, &link->dbc.h) != SQL_SUCCESS) Fail(link->env.h, link->dbc.h);
    std::string resolved = ResolveFileDsn(connectString);
    link->timeoutMs = TimeoutOf(resolved);
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc = SQLDriverConnect(link->dbc.h, nullptr, reinterpret_cast<SQLCHAR*>(resolved.data()), SQL_NTS,
                                          nullptr, 0, &outLength, SQL_DRIVER_NOPROMPT);
    std::fill(resolved.begin(), resolved.end(), '\0');
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) {
        // 08002: the connection is already there.
        const Diagnostic d = ReadDiagnostic(link->env.h, link->dbc.h, SQL_NULL_HSTMT);
        if (ClassifyOdbcError(d.native, d.state) != 0) Throw(d);
    }
    link->connected = true;
    return link;
}

}  // namespace odbc

std::string ResolveFileDsn(const std::string& connectString) {
    std::vector<Attribute> attributes = SplitAttributes(connectString);
    std::string file;
    bool hasFile = false;
    for (const auto& a : attributes)
        if (!hasFile && SameKey(a.key, "FILEDSN")) {
            file = a.value;
            hasFile = true;
        }
    if (!hasFile) return connectString;
    std::string out;
    for (const auto& key : DsnKeys(file)) {
        bool overridden = SameKey(key, "FILEDSN");
        for (const auto& a : attributes) overridden = overridden || SameKey(a.key, key);
        if (!overridden) out += key + "=" + AttributeValue(ReadIniString(file, "ODBC", key)) + ";";
    }
    for (const auto& a : attributes)
        if (!SameKey(a.key, "FILEDSN")) out += a.raw + ";";
    return out;
}

}  // namespace vd

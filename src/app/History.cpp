#include "app/History.h"

#include "app/SiteFiles.h"
#include "base/TextUtil.h"
#include "settings/AuditLookup.h"
#include "settings/AuditTrail.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <ostream>

namespace vd {

namespace {

// The little JSON the trail holds: objects, arrays, strings, numbers and
// null. Strings keep their UTF-8.
struct Json {
    enum Kind { Null, Text, Number, Bool, Array, Object } kind = Null;
    std::string text;  // a string, or a number or truth value as written
    std::vector<Json> items;
    std::vector<std::string> names;  // an object's member names, beside their values in items

    const Json* Get(std::string_view name) const {
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) return &items[i];
        return nullptr;
    }
    std::string Str(std::string_view name) const {
        const Json* v = Get(name);
        return v && (v->kind == Text || v->kind == Number) ? v->text : "";
    }
    // The same for the screen (see Visible).
    std::string Shows(std::string_view name) const;
};

class Parser {
public:
    explicit Parser(std::string_view s) : s_(s) {}
    bool Parse(Json& out) {
        if (!Value(out, 0)) return false;
        Blanks();
        return i_ == s_.size();
    }

private:
    void Blanks() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r' || s_[i_] == '\n')) ++i_;
    }
    bool Eat(char c) {
        Blanks();
        if (i_ < s_.size() && s_[i_] == c) return ++i_, true;
        return false;
    }
    static void Utf8(std::string& out, unsigned cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    bool String(std::string& out) {
        if (!Eat('"')) return false;
        while (i_ < s_.size() && s_[i_] != '"') {
            char c = s_[i_++];
            if (c != '\\') {
                out += c;
                continue;
            }
            if (i_ >= s_.size()) return false;
            c = s_[i_++];
            switch (c) {
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'u': {
                if (i_ + 4 > s_.size()) return false;
                unsigned cp = 0;
                for (int k = 0; k < 4; ++k) {
                    const char h = s_[i_++];
                    cp = cp * 16 + (h >= '0' && h <= '9' ? h - '0' : h >= 'a' && h <= 'f' ? h - 'a' + 10
                                    : h >= 'A' && h <= 'F' ? h - 'A' + 10 : 99);
                    if (cp > 0xFFFF) return false;
                }
                Utf8(out, cp);
                break;
            }
            default: out += c;
            }
        }
        return Eat('"');
    }
    bool Value(Json& v, int depth) {
        if (depth > 8) return false;
        Blanks();
        if (i_ >= s_.size()) return false;
        const char c = s_[i_];
        if (c == '"') return v.kind = Json::Text, String(v.text);
        if (c == '{') {
            ++i_;
            v.kind = Json::Object;
            if (Eat('}')) return true;
            do {
                std::string name;
                Json item;
                if (!String(name) || !Eat(':') || !Value(item, depth + 1)) return false;
                v.names.push_back(std::move(name));
                v.items.push_back(std::move(item));
            } while (Eat(','));
            return Eat('}');
        }
        if (c == '[') {
            ++i_;
            v.kind = Json::Array;
            if (Eat(']')) return true;
            do {
                Json item;
                if (!Value(item, depth + 1)) return false;
                v.items.push_back(std::move(item));
            } while (Eat(','));
            return Eat(']');
        }
        if (s_.substr(i_, 4) == "null") return i_ += 4, true;
        for (const std::string_view truth : {"true", "false"})
            if (s_.substr(i_, truth.size()) == truth) return v.kind = Json::Bool, v.text = truth, i_ += truth.size(), true;
        const size_t start = i_;
        while (i_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[i_])) || s_[i_] == '-' || s_[i_] == '.'))
            ++i_;
        if (i_ == start) return false;
        v.kind = Json::Number;
        v.text = std::string(s_.substr(start, i_ - start));
        return true;
    }
    std::string_view s_;
    size_t i_ = 0;
};

// Length of the UTF-8 sequence starting at i, or 0 when it is not one.
size_t Utf8Length(std::string_view s, size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 && c < 0xF0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
    return n;
}

// A text of the trail as it may reach a terminal: every byte a terminal may
// take as a control written as \xNN, so that no record draws a line or
// moves the cursor of its own: C0 and DEL, a C1 control character in UTF-8
// (U+0080 to U+009F, both its bytes), and a byte 0x80 to 0x9F that is no
// part of a UTF-8 character (an 8-bit C1 control).
std::string Visible(std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    auto escape = [&](unsigned char b) {
        out += "\\x";
        out += hex[b >> 4];
        out += hex[b & 15];
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t n = c >= 0x80 ? Utf8Length(text, i) : 1;
        if (c < 0x20 || c == 0x7F || (n == 0 && c <= 0x9F)) {
            escape(c);
        } else if (n == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            escape(c);
            escape(static_cast<unsigned char>(text[++i]));
        } else if (n > 1) {
            out.append(text.substr(i, n));
            i += n - 1;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string Shown(const Json* v) {
    if (!v || v->kind == Json::Null) return "(none)";
    return "\"" + Visible(v->text) + "\"";
}

std::string Json::Shows(std::string_view name) const { return Visible(Str(name)); }

bool Matches(const Json& r, const HistoryFilter& f) {
    const std::string day = r.Str("time").substr(0, 10);
    if (!f.Since.empty() && day < f.Since) return false;
    if (!f.Until.empty() && day > f.Until) return false;
    if (!f.User.empty() && !EqualsNoCase(r.Str("user"), f.User) && !EqualsNoCase(r.Str("remote_user"), f.User))
        return false;
    if (!f.Database.empty()) {
        const Json* key = r.Get("key");
        if (!key) return false;
        const std::string appl = key->Str("application"), db = key->Str("database");
        const size_t dash = f.Database.find('-');
        if (dash == std::string::npos ? !EqualsNoCase(appl, f.Database)
                                      : !(EqualsNoCase(appl, f.Database.substr(0, dash)) &&
                                          EqualsNoCase(db, f.Database.substr(dash + 1))))
            return false;
    }
    return true;
}

void Show(const Json& r, std::ostream& out) {
    out << r.Shows("time") << "  " << r.Shows("action");
    if (const Json* key = r.Get("key")) {
        out << "  " << key->Shows("application") << "-" << key->Shows("database");
        if (key->Get("plan")) out << " plan " << key->Shows("plan");
    }
    if (!r.Str("restored").empty()) out << "  put back " << r.Shows("restored");
    if (!r.Str("version").empty()) out << "  (replaced file kept as " << r.Shows("version") << ")";
    out << "  by " << (r.Str("user").empty() ? "(no user)" : r.Shows("user"));
    if (!r.Str("remote_user").empty()) out << " (" << r.Shows("remote_user") << ")";
    if (!r.Str("remote_addr").empty()) out << " from " << r.Shows("remote_addr");
    out << "\n";
    if (!r.Str("failed").empty()) out << "    FAILED: " << r.Shows("failed") << "\n";
    if (const Json* pending = r.Get("pending"); pending && pending->kind == Json::Bool && pending->text == "true")
        out << "    NOT CONFIRMED: the change may not have been made (its run ended before it was committed, or "
               "it is under way)\n";
    const Json* changes = r.Get("changes");
    if (!changes || changes->items.empty()) out << "    (no value changed)\n";
    else
        for (const Json& c : changes->items) {
            out << "    ";
            if (!c.Str("section").empty()) out << "[" << c.Shows("section") << "] ";
            out << c.Shows("field") << ": " << Shown(c.Get("old")) << " -> " << Shown(c.Get("new")) << "\n";
        }
}

// A day of the calendar as YYYY-MM-DD.
bool IsDate(const std::string& d) {
    if (d.size() != 10 || d[4] != '-' || d[7] != '-') return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!std::isdigit(static_cast<unsigned char>(d[i]))) return false;
    const int year = std::stoi(d.substr(0, 4)), month = std::stoi(d.substr(5, 2)), day = std::stoi(d.substr(8, 2));
    static constexpr int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || day > days[month - 1]) return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month != 2 || day < 29 || leap;
}

}  // namespace

void ListHistory(const std::vector<std::string>& lines, const HistoryFilter& filter, std::ostream& out) {
    // A pending record is shown only while nothing after it says what became
    // of it: its confirmation or its failed copy stands for it.
    std::string all;
    std::vector<size_t> ends;
    for (const std::string& line : lines) ends.push_back((all += line + "\n").size());
    for (size_t k = lines.size(); k-- > 0;) {
        const std::string& line = lines[k];
        if (line.empty()) continue;
        if (IsPending(line) && SettlementOf(line, std::string_view(all).substr(ends[k])) != Settlement::Unconfirmed)
            continue;
        Json record;
        if (!Parser(line).Parse(record) || record.kind != Json::Object) {
            out << "(not a record) " << Visible(line) << "\n";
            continue;
        }
        if (Matches(record, filter)) Show(record, out);
    }
}

int HistoryCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    HistoryFilter filter;
    std::string file, folder;
    const char* usage =
        "usage: vdconfig --history [--since YYYY-MM-DD] [--until YYYY-MM-DD] [--user ID] [--database APPL[-DT]] "
        "[--file TRAIL] [FOLDER]\n";
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (i + 1 == args.size() && folder.empty() && !a.empty() && a[0] != '-') {
            folder = a;
            break;
        }
        if (i + 1 >= args.size()) return err << usage, 2;
        const std::string& v = args[++i];
        if (a == "--since" || a == "--until") {
            if (!IsDate(v)) return err << "vdconfig: " << a << " " << v << " is not a date (YYYY-MM-DD)\n", 2;
            (a == "--since" ? filter.Since : filter.Until) = v;
        } else if (a == "--user") {
            filter.User = v;
        } else if (a == "--database") {
            filter.Database = v;
        } else if (a == "--file") {
            file = v;
        } else {
            return err << usage, 2;
        }
    }
    // Run by root, as the owner of the folders on the way to the trail; not
    // through a symbolic link in its place, and only a regular file.
    SiteAccess access("--history");
    std::string why, name = AuditFileName;
    OpenFd trailFolder(-1);
    if (file.empty()) {
        SettingsFile place;
        trailFolder.fd = access.OpenSettingsFolder(CommandFolder(folder), place, why);
        file = place.Folder + "/" + AuditFileName;
    } else {
        const size_t slash = file.rfind('/');
        name = slash == file.npos ? file : file.substr(slash + 1);
        trailFolder.fd = access.OpenFolder(slash == file.npos ? "." : slash == 0 ? "/" : file.substr(0, slash), why);
    }
    if (trailFolder.fd < 0) {
        err << "vdconfig: " << why << "; no audit trail read\n";
        return 1;
    }
    OpenFd trail(OpenPlainFile(trailFolder.fd, name, why));
    std::string text;
    if (trail.fd >= 0 && !ReadWhole(trail.fd, text)) why = std::strerror(errno);
    if (trail.fd < 0 || !why.empty()) {
        if (why == std::strerror(ENOENT)) why += " (nothing has been changed yet)";
        err << "vdconfig: no audit trail read at " << file << ": " << why << "\n";
        return 1;
    }
    std::vector<std::string> lines;
    for (std::string_view rest = text; !rest.empty();) lines.emplace_back(TakeToken(rest, "\n"));
    ListHistory(lines, filter, out);
    return 0;
}

}  // namespace vd

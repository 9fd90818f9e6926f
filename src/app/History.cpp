#include "app/History.h"

#include "base/Program.h"
#include "base/TextUtil.h"
#include "settings/AuditTrail.h"
#include "settings/IniFiles.h"
#include "settings/SettingsHistory.h"

#include <fstream>
#include <map>
#include <memory>
#include <ostream>
#include <pwd.h>
#include <sstream>
#include <unistd.h>

namespace vd {

namespace {

// The little JSON the trail holds: objects, arrays, strings, numbers and
// null. Strings keep their UTF-8.
struct Json {
    enum Kind { Null, Text, Number, Array, Object } kind = Null;
    std::string text;  // a string, or a number as written
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

std::string Shown(const Json* v) {
    if (!v || v->kind == Json::Null) return "(none)";
    std::string out = "\"";
    for (char c : v->text) {
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out + "\"";
}

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
    out << r.Str("time") << "  " << r.Str("action");
    if (const Json* key = r.Get("key")) {
        out << "  " << key->Str("application") << "-" << key->Str("database");
        if (key->Get("plan")) out << " plan " << key->Str("plan");
    }
    if (!r.Str("restored").empty()) out << "  put back " << r.Str("restored");
    if (!r.Str("version").empty()) out << "  (replaced file kept as " << r.Str("version") << ")";
    out << "  by " << (r.Str("user").empty() ? "(no user)" : r.Str("user"));
    if (!r.Str("remote_user").empty()) out << " (" << r.Str("remote_user") << ")";
    if (!r.Str("remote_addr").empty()) out << " from " << r.Str("remote_addr");
    out << "\n";
    if (!r.Str("failed").empty()) out << "    FAILED: " << r.Str("failed") << "\n";
    const Json* changes = r.Get("changes");
    if (!changes || changes->items.empty()) out << "    (no value changed)\n";
    else
        for (const Json& c : changes->items) {
            out << "    ";
            if (!c.Str("section").empty()) out << "[" << c.Str("section") << "] ";
            out << c.Str("field") << ": " << Shown(c.Get("old")) << " -> " << Shown(c.Get("new")) << "\n";
        }
}

bool IsDate(const std::string& d) {
    if (d.size() != 10 || d[4] != '-' || d[7] != '-') return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!std::isdigit(static_cast<unsigned char>(d[i]))) return false;
    return true;
}

}  // namespace

void ListHistory(const std::vector<std::string>& lines, const HistoryFilter& filter, std::ostream& out) {
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        if (it->empty()) continue;
        Json record;
        if (!Parser(*it).Parse(record) || record.kind != Json::Object) {
            out << "(not a record) " << *it << "\n";
            continue;
        }
        if (Matches(record, filter)) Show(record, out);
    }
}

int HistoryCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    HistoryFilter filter;
    std::string file = WebIniFolder() + "/" + AuditFileName;
    const char* usage =
        "usage: vdconfig --history [--since YYYY-MM-DD] [--until YYYY-MM-DD] [--user ID] [--database APPL[-DT]] "
        "[--file TRAIL]\n";
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (i + 1 >= args.size()) return err << usage, 2;
        const std::string& v = args[++i];
        if (a == "--since" || a == "--until") {
            if (!IsDate(v)) return err << "vdconfig: " << a << " takes a date as YYYY-MM-DD\n", 2;
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
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        err << "vdconfig: no audit trail at " << file << " (nothing has been changed yet, or it cannot be read)\n";
        return 1;
    }
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ListHistory(lines, filter, out);
    return 0;
}

namespace {

// Who runs the command: the user behind sudo, else the login of the process.
std::string AdministratorName() {
    if (const char* sudo = std::getenv("SUDO_USER"); sudo && *sudo) return sudo;
    if (const passwd* pw = getpwuid(getuid())) return pw->pw_name;
    return std::to_string(getuid());
}

}  // namespace

int RestoreCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
        err << "usage: vdconfig --restore VERSION   (a name that vdconfig --history or ls " << VersionFolder()
            << " shows)\n";
        return 2;
    }
    const std::string& version = args[0];
    const std::string path = version.find('/') == std::string::npos ? VersionFolder() + "/" + version : version;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        err << "vdconfig: no kept version " << path << "\n";
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    try {
        AuditTrail trail(WebIniFolder());
        AuditEntry entry;
        entry.Action = "version restored";
        entry.Who.User = AdministratorName();
        entry.Restored = path.substr(path.rfind('/') + 1);
        SettingsRecorder recorder(trail, entry);
        IniEdit edit(WebIniPath());
        edit.ReplaceAll(text.str());
        if (auto failure = edit.Commit(&recorder)) {
            err << "vdconfig: " << WebIniPath() << " not restored: (" << failure->Number << ") " << failure->Text
                << "\n";
            return 1;
        }
        out << "vdconfig: " << WebIniPath() << " is now " << path;
        if (!recorder.Entry().Version.empty())
            out << "; the file it replaced is kept as " << VersionFolder() << "/" << recorder.Entry().Version;
        out << " (" << recorder.Entry().Changes.size() << " keys changed)\n";
        return 0;
    } catch (const RunError& e) {
        err << "vdconfig: " << WebIniPath() << " not restored: (" << e.Number << ") " << e.Text << "\n";
        return 1;
    }
}

}  // namespace vd

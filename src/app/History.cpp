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

std::string Shown(const AuditJson* v) {
    if (!v || v->kind == AuditJson::Null) return "(none)";
    return "\"" + Visible(v->text) + "\"";
}

// A member of the record for the screen.
std::string Shows(const AuditJson& r, std::string_view name) { return Visible(r.Str(name)); }

void Show(const AuditJson& r, std::ostream& out) {
    out << Shows(r, "time") << "  " << Shows(r, "action");
    if (const AuditJson* key = r.Get("key")) {
        out << "  " << Shows(*key, "application") << "-" << Shows(*key, "database");
        if (key->Get("plan")) out << " plan " << Shows(*key, "plan");
    }
    if (!r.Str("restored").empty()) out << "  put back " << Shows(r, "restored");
    if (!r.Str("version").empty()) out << "  (replaced file kept as " << Shows(r, "version") << ")";
    out << "  by " << (r.Str("user").empty() ? "(no user)" : Shows(r, "user"));
    if (!r.Str("remote_user").empty()) out << " (" << Shows(r, "remote_user") << ")";
    if (!r.Str("remote_addr").empty()) out << " from " << Shows(r, "remote_addr");
    out << "\n";
    if (!r.Str("failed").empty()) out << "    FAILED: " << Shows(r, "failed") << "\n";
    if (r.IsTrue("pending"))
        out << "    NOT CONFIRMED: the change may not have been made (its run ended before it was committed, or "
               "it is under way)\n";
    const AuditJson* changes = r.Get("changes");
    if (!changes || changes->items.empty()) out << "    (no value changed)\n";
    else
        for (const AuditJson& c : changes->items) {
            out << "    ";
            if (!c.Str("section").empty()) out << "[" << Shows(c, "section") << "] ";
            out << Shows(c, "field") << ": " << Shown(c.Get("old")) << " -> " << Shown(c.Get("new")) << "\n";
        }
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
        AuditJson record;
        if (!ParseAuditRecord(line, record)) {
            out << "(not a record) " << Visible(line) << "\n";
            continue;
        }
        if (MatchesFilter(record, filter)) Show(record, out);
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
            if (!IsCalendarDay(v)) return err << "vdconfig: " << a << " " << v << " is not a date (YYYY-MM-DD)\n", 2;
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
        file = AuditTrailPath(place.Folder);
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

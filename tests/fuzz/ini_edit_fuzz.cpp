// The INI edit and commit round trip: a file taken from the input gets a few
// changes (names picked from the file itself or made up). A refused name
// writes nothing; otherwise every value reads back (with CR, LF and NUL
// removed, blanks and one pair of quotes stripped, cut to 2039 characters),
// every other line of the file stays as it was, in order, and committing the
// same changes again changes no byte.
#include "FuzzSupport.h"
#include "base/ProcessState.h"
#include "base/RunError.h"
#include "settings/IniFiles.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>

namespace {

using vdfuzz::Lower;

struct Change {
    std::string section, key, value;
};

std::string Expected(const std::string& value) {
    std::string clean;
    for (char c : value)
        if (c != '\r' && c != '\n' && c != '\0') clean += c;
    return std::string(vdfuzz::Unquote(vdfuzz::Trim(clean)).substr(0, 2039));
}

// The lines an edit must leave alone: not blank, no entry of a changed key,
// no header of a changed section; each with its line end.
std::vector<std::string_view> Untouched(std::string_view text, const std::vector<Change>& changes) {
    std::vector<std::string_view> kept;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        size_t next = nl == text.npos ? text.size() : nl + 1;
        std::string_view line = text.substr(pos, next - pos), bare = text.substr(pos, (nl == text.npos ? text.size() : nl) - pos);
        if (pos == 0 && bare.substr(0, 3) == "\xEF\xBB\xBF") bare.remove_prefix(3);
        pos = next;
        std::string_view name, key, value;
        bool touched = vdfuzz::Trim(bare).empty();
        if (!touched && vdfuzz::HeaderName(bare, name)) {
            for (const auto& c : changes) touched = touched || Lower(c.section) == Lower(name);
        } else if (!touched && vdfuzz::Entry(bare, key, value)) {
            for (const auto& c : changes) touched = touched || Lower(c.key) == Lower(key);
        }
        if (!touched) kept.push_back(line);
    }
    return kept;
}

std::string Pick(FuzzedDataProvider& in, const std::vector<std::string>& names) {
    if (!names.empty() && in.ConsumeBool()) return names[in.ConsumeIntegralInRange<size_t>(0, names.size() - 1)];
    return in.ConsumeRandomLengthString(24);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string file = vdfuzz::ScratchFile("edit.ini");
    FuzzedDataProvider in(data, size);
    const std::string before = in.ConsumeRandomLengthString(4096);
    const vdfuzz::Model model(before);
    std::vector<Change> changes;
    const int count = in.ConsumeIntegralInRange(0, 6);
    for (int i = 0; i < count; ++i) {
        Change c;
        c.section = Pick(in, model.sectionNames);
        c.key = Pick(in, model.keyNames);
        c.value = in.ConsumeRandomLengthString(64);
        changes.push_back(std::move(c));
    }
    vdfuzz::WriteWhole(file, before);
    vd::ProcessState::Reset();

    auto commit = [&] {
        vd::IniEdit edit(file);
        bool refused = false;
        for (const auto& c : changes) {
            try {
                edit.Set(c.section, c.key, c.value);
            } catch (const vd::RunError&) {
                refused = true;
            }
        }
        bool failed = false;
        try {
            edit.Commit();
        } catch (const vd::RunError&) {
            failed = true;
        }
        if (refused != failed) __builtin_trap();
        return refused;
    };
    if (commit()) {
        if (vdfuzz::ReadWhole(file) != before) __builtin_trap();
        return 0;
    }
    const std::string after = vdfuzz::ReadWhole(file);
    // The last change of a section and key is what it holds.
    for (size_t i = 0; i < changes.size(); ++i) {
        bool later = false;
        for (size_t j = i + 1; j < changes.size(); ++j)
            later = later || (Lower(changes[j].section) == Lower(changes[i].section) &&
                              Lower(changes[j].key) == Lower(changes[i].key));
        if (!later && vd::ReadIniString(file, changes[i].section, changes[i].key) != Expected(changes[i].value))
            __builtin_trap();
    }
    // Every other line as it was; only the file's last line may gain a line end.
    auto was = Untouched(before, changes), now = Untouched(after, changes);
    if (was.size() != now.size()) __builtin_trap();
    for (size_t i = 0; i < was.size(); ++i) {
        std::string_view a = was[i], b = now[i];
        if (a != b && !(i + 1 == was.size() && a.back() != '\n' && b.substr(0, a.size()) == a)) __builtin_trap();
    }
    if (commit() || vdfuzz::ReadWhole(file) != after) __builtin_trap();
    return 0;
}

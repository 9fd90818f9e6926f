// The INI reader against the plain line-by-line reading of the same rules:
// every section and key the text names (and a few it does not), asked in an
// order taken from the input, reads the same value and the same key list.
#include "FuzzSupport.h"
#include "base/ProcessState.h"
#include "settings/IniFiles.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string file = vdfuzz::ScratchFile("read.ini");
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    vdfuzz::WriteWhole(file, text);
    vd::ProcessState::Reset();
    const vdfuzz::Model model(text);

    std::vector<std::string> sections = model.sectionNames, keys = model.keyNames;
    sections.insert(sections.end(), {"", "missing", "Vexdoc/Web"});
    keys.insert(keys.end(), {"", "missing"});
    size_t asked = 0;
    for (size_t i = 0; i < sections.size() && asked < 400; ++i) {
        // From the back now and then, so later sections are found before earlier ones.
        const std::string& section = sections[(i % 3 == 1) ? sections.size() - 1 - i / 3 : i];
        for (size_t k = 0; k < keys.size() && k < 20; ++k, ++asked) {
            std::string key = keys[(k * 7 + i) % keys.size()];
            if (k % 2) key = vdfuzz::Lower(key);
            if (vd::ReadIniString(file, section, key) != model.Get(section, key)) __builtin_trap();
        }
        std::vector<std::string> expected;
        auto it = model.order.find(vdfuzz::Lower(section));
        if (it != model.order.end()) expected = it->second;
        if (vd::ReadIniKeys(file, section) != expected) __builtin_trap();
    }
    return 0;
}

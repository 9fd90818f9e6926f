// The new text of a file after an edit, made in one pass over the old text.
#pragma once

#include "settings/IniText.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vd::ini {

struct PendingKey {
    const std::string* key;
    const std::string* value;
    bool done = false;
    std::optional<std::string> old;  // the value the file held
};


// The new text of a file as pieces: ranges of the old text and pieces of new
// text, written out with writev, so that nothing of the old text is copied.
class Rewriter {
public:
    explicit Rewriter(std::string_view old) : old_(old), style_(LineStyle(old)) {}

    std::string_view Old() const { return old_; }
    bool Changed() const { return changed_; }

    // The old text up to end goes out unchanged.
    void KeepTo(size_t end);
    // The old text up to end is left out.
    void SkipTo(size_t end) { kept_ = end; }
    void Add(std::string_view text);

    // The first entry of each key replaced in place (the stored spelling of
    // the key stays); the keys not found go after the section's last
    // non-blank line, or right after the header.
    void EditSection(const Header& h, size_t end, std::vector<PendingKey>& keys);

    // A section that the file does not have goes at its end, after a blank line.
    void AddSection(const std::string& name, const std::vector<PendingKey>& keys);

    // Writes the whole text; false with errno set on failure.
    bool WriteTo(int fd);

private:
    struct Piece {
        bool added;
        size_t offset, size;
    };

    void Push(bool added, size_t offset, size_t size);

    // The text of the last line so far, without its line end; ended tells
    // whether it has one.
    std::string LastLine(bool& ended) const;

    std::string_view old_;
    std::string_view style_;
    size_t kept_ = 0;
    std::string added_;
    std::vector<Piece> pieces_;
    std::string line_;
    bool changed_ = false;
};

}  // namespace vd::ini

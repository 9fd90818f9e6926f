// INI files: vexweb.ini, vdglobal.ini, createdb.ini and the DSN files. This
// module is the only reader and writer of all of them.
//
// The rules, the same for every file:
// - Lines end with LF or CR LF; a UTF-8 byte order mark at the start is
//   skipped. Blanks are spaces and tabs.
// - A line whose first non-blank character is "[" is a section header; the
//   name runs to the first "]" (or the line's end), blanks around it dropped.
// - Inside a section, a line with "=" is an entry: the key is the text before
//   the first "=", the value the text after it, both without the blanks
//   around them; one pair of enclosing quotes (" or ') is stripped from the
//   value. Every other line (comments, blank lines, text before the first
//   header) is no entry and is kept as it stands by every write.
// - Names are matched without regard to case. The first section of a name
//   wins (a repeated section's entries are not read), and within it the
//   first entry of a key. Anything missing reads as "".
// - A file that is there but cannot be read (no permission, a folder in its
//   place) is a failure (70 Permission denied, 75 Path/File access error)
//   naming the file ("reading FILE"); a missing file reads as empty.
//
// Reads: each file is read once and kept; sections are found by scanning
// line starts only as far as the asked-for one, and only that section's
// lines are looked at. The file is read again when it changed on disk
// (identity, size or modification time) or this process wrote it.
//
// Writes: an IniEdit collects changes and applies them all at once, under a
// lock on the folder that holds the file, as one replacement (temporary
// file, synced, renamed over the file). A written file keeps every line the
// edit does not change byte for byte, its line ends, its mode and (where
// permitted) its owner. When the path is a symbolic link the link's target
// is replaced, in the target's folder, and the link stays.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/RunError.h"

namespace vd {

namespace ini {
class Rewriter;
}

constexpr size_t IniReadBuffer = 2040;  // a value reads as at most 2039 characters

// The stored value with blanks and one pair of enclosing quotes stripped,
// cut to bufferSize - 1 characters; "" when file, section or key is missing.
std::string ReadIniString(const std::string& file, const std::string& section,
                          const std::string& key, size_t bufferSize = IniReadBuffer);

// The keys of the section in file order, each in its first spelling; empty
// when the file or the section is missing.
std::vector<std::string> ReadIniKeys(const std::string& file, const std::string& section);

// Whether the file has a section of that name (read by the rules above).
bool HasIniSection(const std::string& file, const std::string& section);

// Lets go of the file's text held for the reads above (the next read loads
// it again): for a page that has read what it needs and goes on to hold
// much else.
void ForgetIniText(const std::string& file);

// Why a section name or key could not be read back once written ("a key
// cannot hold \"=\"", ...), or nothing when it can be written.
std::optional<std::string> IniSectionProblem(std::string_view section);
std::optional<std::string> IniKeyProblem(std::string_view key);

// One key that a commit writes: its value as the file held it (nothing when
// the key was missing) and as it is written (nothing when it goes).
struct IniKeyChange {
    std::string Section, Key;
    std::optional<std::string> Old, New;
};

// What a commit is about to do, shown to its observer under the lock.
struct IniReplacement {
    int FolderFd = -1;     // the folder that holds the file (locked)
    std::string Folder;    // its path
    std::string Base;      // the file's name in it
    bool Exists = false;   // the file exists, so a commit replaces it
    bool Changes = false;  // false when the file stays as it is
    std::vector<IniKeyChange> Keys;  // every key written, changed or not; for ReplaceAll, the keys that differ
    std::string_view Text;           // the file's bytes as they are now ("" when it does not exist)
};

// Sees a commit at the moment it would replace the file: after the new text
// is written and synced, before the rename, under the lock. A failure it
// throws stops the commit with nothing replaced.
class IniCommitObserver {
public:
    virtual ~IniCommitObserver() = default;
    virtual void BeforeReplace(const IniReplacement& replacement) = 0;
    // The rename failed after BeforeReplace agreed.
    virtual void ReplaceFailed(const IniReplacement& replacement, const RunError& failure) = 0;
    // The rename is done: the file holds the new text. Throws nothing.
    virtual void AfterReplace(const IniReplacement&) noexcept {}
};

// Changes to one INI file, written together by Commit.
//
//     IniEdit edit(path);
//     edit.Set("Vexdoc/Web", "Debug", "TRUE");
//     edit.Commit();
//
// Set refuses a section or key that could not be read back (see
// IniSectionProblem, IniKeyProblem): it throws failure 5 with the reason,
// and a later Commit throws the same failure and writes nothing. Carriage
// returns, line feeds and NULs are removed from values, so a value is always
// one line. A key set twice keeps the last value. Commit creates the section
// and the file when missing; a key found in the section is replaced in
// place, keeping its stored spelling, and a new key goes after the section's
// last non-blank line. Nothing is written when the file would not change.
// ReplaceAll makes the whole text the file's new content instead (a kept
// version put back).
class IniEdit {
public:
    explicit IniEdit(std::string file);

    void Set(std::string_view section, std::string_view key, std::string_view value);
    void ReplaceAll(std::string text);

    // Writes every change in one replacement of the file. Throws the
    // failure (70 Permission denied, 75 Path/File access error, 76 Path not
    // found, ...) with nothing written; returns when the file holds every
    // change. The observer, when given, sees the replacement first.
    void Commit(IniCommitObserver* observer = nullptr);
    // The same for the file base in an open folder (folder: its path, for
    // the observer and the failure lines): nothing is looked up by path, so
    // no link on the way to it is followed.
    void CommitIn(int folderFd, const std::string& folder, const std::string& base,
                  IniCommitObserver* observer = nullptr);

private:
    void EditInto(ini::Rewriter& rewrite, std::vector<IniKeyChange>& keys) const;
    // The commit in the folder at (AT_FDCWD: the path folder).
    void CommitAt(int at, const std::string& folder, const std::string& base, IniCommitObserver* observer);

    struct KeyChange {
        std::string key, value;
    };
    struct SectionChange {
        std::string name;
        std::vector<KeyChange> keys;
    };
    std::string file_;
    std::vector<SectionChange> sections_;
    std::optional<std::string> whole_;
    std::optional<RunError> refused_;
};

// The bytes of the file as the reads of this run see it (read now when it
// was not read yet or changed on disk); "" when it does not exist. Valid
// until the next read of the file.
std::string_view IniFileText(const std::string& file);

// Every entry of an INI text as the reader reads it (the first section of a
// name, the first key in it), in file order.
std::vector<IniKeyChange> IniEntries(std::string_view text);

// The keys whose values differ between two INI texts, as a ReplaceAll of
// the first by the second shows them: changed and added keys in the order
// of the second, then removed ones.
std::vector<IniKeyChange> IniTextChanges(std::string_view before, std::string_view after);

// The switch key of a database's section (appl + "VDW" + docType) in the
// settings file: true exactly when its value is "TRUE" in any case.
bool ReadDocTypeFlag(const std::string& file, const std::string& appl, const std::string& docType,
                     const std::string& key);

// The file a path names once symbolic links of the file itself are followed
// (the path unchanged when it is no link or names nothing yet).
std::string FollowFileLinks(const std::string& path);

// The folder that really holds a settings file: the folder of its link
// target when the file is a symbolic link, else its own folder. Files that
// belong beside the settings (the new-plan lock, the audit trail, the kept
// versions) live there.
std::string SettingsFolderOf(const std::string& file);

}  // namespace vd

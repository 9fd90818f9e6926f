// The commit of an edit of an INI file: under a lock on its folder, the
// file read again, changed in one pass, written to a temporary file, synced
// and renamed over the old one.
#include "settings/IniFiles.h"

#include "base/FailureLog.h"
#include "base/PlainFiles.h"
#include "base/TextUtil.h"
#include "settings/IniRewriter.h"
#include "settings/IniText.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <functional>
#include <unistd.h>
#include <utility>

namespace vd {

using namespace ini;

IniEdit::IniEdit(std::string file) : file_(std::move(file)) {}

void IniEdit::Set(std::string_view section, std::string_view key, std::string_view value) {
    auto problem = IniSectionProblem(section);
    if (!problem) problem = IniKeyProblem(key);
    if (problem) {
        RunError refusal(Err::InvalidCall, "Cannot write [" + Clean(section) + "] " + Clean(key) + " to " +
                                               BaseOf(file_) + ": " + *problem);
        if (!refused_) refused_ = refusal;
        throw refusal;
    }
    SectionChange* target = nullptr;
    for (auto& s : sections_)
        if (EqualsNoCase(s.name, section)) { target = &s; break; }
    if (!target) target = &sections_.emplace_back(SectionChange{std::string(section), {}});
    for (auto& k : target->keys)
        if (EqualsNoCase(k.key, key)) {
            k.value = Clean(value);
            return;
        }
    target->keys.push_back({std::string(key), Clean(value)});
}

void IniEdit::ReplaceAll(std::string text) { whole_ = std::move(text); }

namespace {

// The keys whose values differ between two lists of entries (IniEntries):
// changed and added ones in the order of the new list, then removed ones.
std::vector<IniKeyChange> EntryChanges(const std::vector<IniKeyChange>& before,
                                       const std::vector<IniKeyChange>& after) {
    auto find = [](const std::vector<IniKeyChange>& list, const IniKeyChange& e) -> const IniKeyChange* {
        for (const auto& x : list)
            if (EqualsNoCase(x.Section, e.Section) && EqualsNoCase(x.Key, e.Key)) return &x;
        return nullptr;
    };
    std::vector<IniKeyChange> changes;
    for (const auto& a : after) {
        const IniKeyChange* b = find(before, a);
        if (!b || b->New != a.New) changes.push_back({a.Section, a.Key, b ? b->New : std::nullopt, a.New});
    }
    for (const auto& b : before)
        if (!find(after, b)) changes.push_back({b.Section, b.Key, b.New, std::nullopt});
    return changes;
}

bool WriteWhole(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = write(fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        text.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace

std::vector<IniKeyChange> IniTextChanges(std::string_view before, std::string_view after) {
    return EntryChanges(IniEntries(before), IniEntries(after));
}

namespace {

// The folder of the file, open (in the folder at, AT_FDCWD for a path) and
// locked. The lock is taken on the folder, whose identity does not change
// when a new file is renamed over the old one; on an open of its own, which
// lets go when it closes.
OpenFd LockedFolder(int at, const std::string& folder) {
    OpenFd dir(openat(at, folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd < 0) throw FileError(errno, true);
    while (flock(dir.fd, LOCK_EX) != 0)
        if (errno != EINTR) throw RunError(Err::PathFileAccess);
    return dir;
}

// The file as it is under the lock (fd -1 when it does not exist), its state
// in st: a regular file that its owner, group or others may write.
OpenFd OpenCurrent(int dir, const std::string& base, struct stat& st) {
    OpenFd current(openat(dir, base.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    if (current.fd < 0) {
        if (errno != ENOENT) throw FileError(errno);
        return current;
    }
    if (fstat(current.fd, &st) != 0 || !S_ISREG(st.st_mode)) throw RunError(Err::PathFileAccess);
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) throw RunError(Err::PermissionDenied);
    return current;
}

// The new text in the temporary file, with the old file's mode and owner
// (old is null for a new file), synced; nothing left behind on failure.
void WriteTemporary(int dir, const std::string& temp, const struct stat* old, const std::function<bool(int)>& write) {
    OpenFd out(openat(dir, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, old ? 0600 : 0644));
    if (out.fd < 0) throw FileError(errno);
    bool ok = true;
    if (old) {
        ok = fchmod(out.fd, old->st_mode & 07777) == 0;
        if (fchown(out.fd, old->st_uid, old->st_gid) != 0) { /* another owner needs privileges; keep ours */ }
    }
    ok = ok && write(out.fd) && fsync(out.fd) == 0;
    if (!ok) {
        const int err = errno;
        unlinkat(dir, temp.c_str(), 0);
        throw FileError(err);
    }
}

// The temporary file renamed over the old one once the observer agrees.
void Replace(int dir, const std::string& temp, const IniReplacement& replacement, IniCommitObserver* observer) {
    if (observer) {
        try {
            observer->BeforeReplace(replacement);
        } catch (...) {
            unlinkat(dir, temp.c_str(), 0);  // nothing replaced, no temporary left
            throw;
        }
    }
    if (renameat(dir, temp.c_str(), dir, replacement.Base.c_str()) != 0) {
        RunError failure = FileError(errno);
        unlinkat(dir, temp.c_str(), 0);
        if (observer) observer->ReplaceFailed(replacement, failure);
        throw failure;
    }
    fsync(dir);  // the next read of this run reads the new file
    if (observer) observer->AfterReplace(replacement);
}

}  // namespace

// Every change in one pass over the old text; each key written, with the
// value the file held, goes to keys.
void IniEdit::EditInto(Rewriter& rewrite, std::vector<IniKeyChange>& keys) const {
    const std::string_view old = rewrite.Old();
    std::vector<std::vector<PendingKey>> changes(sections_.size());
    for (size_t i = 0; i < sections_.size(); ++i)
        for (const auto& k : sections_[i].keys) changes[i].push_back({&k.key, &k.value, false, std::nullopt});
    std::vector<bool> found(sections_.size());
    size_t pending = sections_.size();
    const size_t begin = TextBegin(old);
    Header h;
    bool have = NextHeader(old, begin, begin, h);
    while (have && pending > 0) {
        Header next;
        const bool haveNext = NextHeader(old, begin, h.body, next);
        for (size_t i = 0; i < sections_.size(); ++i) {
            if (found[i] || !EqualsNoCase(sections_[i].name, h.name)) continue;
            found[i] = true;
            --pending;
            rewrite.EditSection(h, haveNext ? next.line : old.size(), changes[i]);
            break;
        }
        h = next;
        have = haveNext;
    }
    for (size_t i = 0; i < sections_.size(); ++i)
        if (!found[i]) rewrite.AddSection(sections_[i].name, changes[i]);
    for (size_t i = 0; i < sections_.size(); ++i)
        for (const auto& k : changes[i]) keys.push_back({sections_[i].name, *k.key, k.old, *k.value});
}

void IniEdit::Commit(IniCommitObserver* observer) {
    if (refused_) throw *refused_;
    if (sections_.empty() && !whole_) return;
    // The file itself may be a link: the target is what gets replaced, in
    // its own folder, so the link stays a link.
    const std::string target = ResolveLinks(file_);
    if (target.empty()) throw FileError(errno);
    CommitAt(AT_FDCWD, FolderOf(target), BaseOf(target), observer);
}

void IniEdit::CommitIn(int folderFd, const std::string& folder, const std::string& base,
                       IniCommitObserver* observer) {
    if (refused_) throw *refused_;
    if (sections_.empty() && !whole_) return;
    CommitAt(folderFd, folder, base, observer);
}

void IniEdit::CommitAt(int at, const std::string& folder, const std::string& base, IniCommitObserver* observer) {
    // Lock, read, change, write the temporary file, sync, rename, unlock.
    const OpenFd dir = LockedFolder(at, at == AT_FDCWD ? folder : ".");

    // One temporary name per file, used only under the lock: a copy left by
    // a writer that was killed is removed here, by the next writer.
    const std::string temp = "." + base + ".vdtmp";
    if (unlinkat(dir.fd, temp.c_str(), 0) != 0 && errno != ENOENT) throw FileError(errno);
    struct stat st{};
    const OpenFd current = OpenCurrent(dir.fd, base, st);
    const bool exists = current.fd >= 0;

    // Read again under the lock, whatever this run read before: the edit
    // applies to the file as it is now. The text read before goes first, so
    // that a large file is held once.
    ForgetIniText(file_);
    FileText content;
    if (exists && !ReadAll(current.fd, static_cast<size_t>(st.st_size), content)) throw RunError(Err::PathFileAccess);

    Rewriter rewrite(content.View());
    IniReplacement replacement{dir.fd, folder, base, exists, false, {}, content.View()};
    if (whole_) {
        replacement.Changes = !exists || replacement.Text != *whole_;
        replacement.Keys = EntryChanges(IniEntries(replacement.Text), IniEntries(*whole_));
    } else {
        EditInto(rewrite, replacement.Keys);
        replacement.Changes = !exists || rewrite.Changed();
    }
    if (!replacement.Changes) {
        if (observer) observer->BeforeReplace(replacement);
        return;
    }
    WriteTemporary(dir.fd, temp, exists ? &st : nullptr,
                   [&](int fd) { return whole_ ? WriteWhole(fd, *whole_) : rewrite.WriteTo(fd); });
    Replace(dir.fd, temp, replacement, observer);
}

}  // namespace vd

// The version of vexweb.ini that a settings form was drawn from, and the
// check of a save against the file as it is under the save's lock.
#pragma once

#include <string>

#include "settings/IniFiles.h"

namespace vd {

// The digest of the file's bytes as this run reads them.
std::string IniFileVersion(const std::string& file);

// Watches a commit for another observer: when the file under the lock is
// no longer the version the form was drawn from, the commit is stopped
// with nothing written and Stale() tells so; otherwise the other observer
// sees the commit.
class VersionGuard : public IniCommitObserver {
public:
    VersionGuard(std::string drawnFrom, IniCommitObserver& next) : drawnFrom_(std::move(drawnFrom)), next_(next) {}
    void BeforeReplace(const IniReplacement& replacement) override;
    void ReplaceFailed(const IniReplacement& replacement, const RunError& failure) override;
    void AfterReplace(const IniReplacement& replacement) noexcept override { next_.AfterReplace(replacement); }
    bool Stale() const { return stale_; }

private:
    std::string drawnFrom_;
    IniCommitObserver& next_;
    bool stale_ = false;
};

}  // namespace vd

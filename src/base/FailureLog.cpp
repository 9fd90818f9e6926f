#include "base/FailureLog.h"

#include "base/ProcessState.h"
#include "base/TextUtil.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <vector>

namespace vd {

namespace {

constexpr size_t MaxLine = 4000;  // a long statement is cut, the line stays readable

// The scope a failure left. depth is the number of failures in flight
// while it unwinds (std::uncaught_exceptions): 1, or 2 for one thrown while
// another unwinds (a rollback that fails on the way out). A failure thrown
// while another is handled has the depth of that one, and goes above it.
struct Failure {
    int depth = 0;
    unsigned long serial = 0;  // of the scope that named it
    std::string what;
};

struct FailureState {
    std::vector<std::string> scopes;  // the open Doing scopes, the innermost last
    std::vector<Failure> failed;      // the failures not forgotten, the newest last
    unsigned long serials = 0;        // scopes opened so far
    RequestLabel label = nullptr;
};

FailureState& State() { return ProcessState::Of<FailureState>(); }
std::vector<std::string>& Open() { return State().scopes; }
std::vector<Failure>& Failed() { return State().failed; }
RequestLabel& Label() { return State().label; }

// The depth of a failure that a handler running now would be handling.
int HandledDepth() { return std::uncaught_exceptions() + 1; }

// The failure being handled (the newest of its depth), or nullptr.
Failure* Handled() {
    auto& failed = Failed();
    for (auto f = failed.rbegin(); f != failed.rend(); ++f)
        if (f->depth == HandledDepth()) return &*f;
    return nullptr;
}

// Failures deeper than that were handled: they name nothing any more.
void ForgetDeeperThan(int depth) {
    auto& failed = Failed();
    while (!failed.empty() && failed.back().depth > depth) failed.pop_back();
}

// What stays named: the failures in flight, and the one being handled
// while its handler runs.
void ForgetHandled() {
    ForgetDeeperThan(std::current_exception() ? HandledDepth() : std::uncaught_exceptions());
}

std::string OneLine(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
    return text;
}

}  // namespace

void SetRequestLabel(RequestLabel label) { Label() = label; }

Doing::Doing(std::string what) : unwinding_(std::uncaught_exceptions()), serial_(++State().serials) {
    ForgetHandled();
    Open().push_back(std::move(what));
}

Doing::~Doing() {
    const int depth = std::uncaught_exceptions();
    if (depth <= unwinding_) {
        ForgetHandled();
    } else if (!Open().empty()) {  // empty only when the state was reset under the scope
        ForgetDeeperThan(depth);
        auto& failed = Failed();
        // A scope opened inside this one named the failure already.
        const bool named = !failed.empty() && failed.back().depth == depth && failed.back().serial > serial_;
        if (!named) failed.push_back({depth, serial_, Open().back()});
    }
    if (!Open().empty()) Open().pop_back();
}

std::string CurrentActivity() {
    if (const Failure* failed = Handled()) return failed->what;
    return Open().empty() ? std::string() : Open().back();
}

bool FailureNamed() { return Handled() != nullptr; }

std::string FailureLine(const std::string& number, const std::string& text) {
    std::string line = "vdconfig: error (" + Trim(number) + ") " + text;
    const std::string what = CurrentActivity();
    if (!what.empty()) line += "; " + what;
    if (Label()) line += Label()();
    line = OneLine(std::move(line));
    if (line.size() > MaxLine) line = line.substr(0, MaxLine) + "...";
    return line + "\n";
}

void LogFailure(const std::string& number, const std::string& text) {
    const std::string line = FailureLine(number, text);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    ForgetDeeperThan(HandledDepth());
    if (!Failed().empty() && Failed().back().depth == HandledDepth()) Failed().pop_back();
}

void LogRefusal(const std::string& why) {
    const std::string line = "vdconfig: refused: " + ShowControlBytes(why) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace vd

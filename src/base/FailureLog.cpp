#include "base/FailureLog.h"

#include "base/ProcessState.h"
#include "base/TextUtil.h"

#include <cstdio>
#include <exception>
#include <vector>

namespace vd {

namespace {

constexpr size_t MaxLine = 4000;  // a long statement is cut, the line stays readable

struct FailureState {
    std::vector<std::string> scopes;  // the open Doing scopes, the innermost last
    std::string failed;               // the scope a failure left
    RequestLabel label = nullptr;
};

FailureState& State() { return ProcessState::Of<FailureState>(); }
std::vector<std::string>& Open() { return State().scopes; }
std::string& Failed() { return State().failed; }
RequestLabel& Label() { return State().label; }

std::string OneLine(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
    return text;
}

}  // namespace

void SetRequestLabel(RequestLabel label) { Label() = label; }

Doing::Doing(std::string what) : unwinding_(std::uncaught_exceptions()) {
    Failed().clear();  // a failure that was handled names nothing any more
    Open().push_back(std::move(what));
}

Doing::~Doing() {
    if (std::uncaught_exceptions() > unwinding_ && Failed().empty()) Failed() = Open().back();
    if (!Open().empty()) Open().pop_back();  // empty only when the state was reset under the scope
}

std::string CurrentActivity() {
    if (!Failed().empty()) return Failed();
    return Open().empty() ? std::string() : Open().back();
}

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
    Failed().clear();
}

void LogRefusal(const std::string& why) {
    const std::string line = "vdconfig: refused: " + ShowControlBytes(why) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace vd

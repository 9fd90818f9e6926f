#include "base/FailureLog.h"

#include "base/TextUtil.h"

#include <cstdio>
#include <exception>
#include <vector>

namespace vd {

namespace {

constexpr size_t MaxLine = 4000;  // a long statement is cut, the line stays readable

std::vector<std::string>& Open() {
    static std::vector<std::string> scopes;
    return scopes;
}

std::string& Failed() {
    static std::string failed;
    return failed;
}

RequestLabel& Label() {
    static RequestLabel label = nullptr;
    return label;
}

std::string OneLine(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
    return text;
}

}  // namespace

void SetRequestLabel(RequestLabel label) { Label() = label; }

void ResetFailureLog() {
    Open().clear();
    Failed().clear();
    Label() = nullptr;
}

Doing::Doing(std::string what) : unwinding_(std::uncaught_exceptions()) {
    Failed().clear();  // a failure that was handled names nothing any more
    Open().push_back(std::move(what));
}

Doing::~Doing() {
    if (std::uncaught_exceptions() > unwinding_ && Failed().empty()) Failed() = Open().back();
    Open().pop_back();
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

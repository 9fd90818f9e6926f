// Run-time failures and the end of a run.
//
// A failure carries a number and a text (5 "Invalid procedure call or
// argument", 6 "Overflow", ...). A routine with a failure handler of its own
// catches RunError; everything else reaches Main, which sends the error page.
// EndOfRun unwinds the whole run from wherever a page decides to end it; only
// Main catches it, so handlers must never catch (...) .
#pragma once

#include <stdexcept>
#include <string>

namespace vd {

namespace Err {
constexpr int InvalidCall = 5;       // "Invalid procedure call or argument"
constexpr int Overflow = 6;          // "Overflow"
constexpr int OutOfMemory = 7;       // "Out of memory"
constexpr int Subscript = 9;         // "Subscript out of range"
constexpr int TypeMismatch = 13;     // "Type mismatch"
constexpr int FileNotFound = 53;     // "File not found"
constexpr int PermissionDenied = 70; // "Permission denied"
constexpr int PathFileAccess = 75;   // "Path/File access error"
constexpr int PathNotFound = 76;     // "Path not found"
constexpr int ServerVariables = 10000;
}  // namespace Err

// The standard text of a failure number ("" for numbers without one).
std::string ErrorText(int number);

struct RunError : std::runtime_error {
    RunError(int number, const std::string& text);
    explicit RunError(int number);  // with the standard text
    int Number;
    std::string Text;
};

[[noreturn]] void Raise(int number);
[[noreturn]] void Raise(int number, const std::string& text);

// Maps an errno value of a failed file operation to the failure numbers
// above (ENOENT on the file -> 53, on the folder -> 76, EACCES -> 70, ...).
RunError FileError(int errnum, bool folderMissing = false);

// Thrown to end the run at once (after a page that ends the program).
struct EndOfRun {
    int Status = 0;  // the process's exit status
};
[[noreturn]] void EndRun(int status = 0);

}  // namespace vd

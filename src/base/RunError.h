// The one family of failures, and the end of a run.
//
// A failure is a RunError: a number and a text (5 "Invalid procedure call
// or argument", 6 "Overflow", ...). A database failure is a DbError, a kind
// of RunError that also carries the driver's native number and SQLSTATE. A
// routine with a failure handler of its own catches them; everything else
// reaches Main, which draws the error page once.
// RunFinished is not a failure: it unwinds the whole run from wherever a
// page has finished its answer (early or not); only Main catches it, so
// handlers must never catch (...) .
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
constexpr int Internal = 51;         // "Internal error": a failure of the C++ library
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

// A database failure: the database (or its driver) refused what was asked.
struct DbError : RunError {
    // A failure as the driver reported it: its native number, SQLSTATE and
    // message. Shown is false for the states that are never put on a page
    // (08002, 08003, 00000): Main ends the run without a page.
    DbError(long native, std::string state, std::string message, bool shown = true);
    // A failure of the data layer's own with the sentence that explains it
    // (the error page shows no number).
    explicit DbError(std::string sentence);

    long Native = 0;
    std::string State;
    std::string Message;
    bool Shown = true;
    // What the error page puts between the parentheses: the native number
    // with a blank before one that is not negative, or "" for a failure of
    // the data layer's own.
    std::string NumberText;
};

// Thrown to end the run at once when its answer is complete: not a failure
// (no std::exception), so no failure handler catches it.
struct RunFinished {
    int Status = 0;  // the process's exit status
};
[[noreturn]] void EndRun(int status = 0);

}  // namespace vd

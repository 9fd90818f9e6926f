// The web server's error log: every error page also leaves one line on
// standard error, which the web server writes to its log. The line names
// the failure and what the run was doing when it failed (the file it was
// opening or writing, the statement it was running).
#pragma once

#include <string>

namespace vd {

// What names the request at the end of a failure line ("; ConfigOption=
// SAVEINI User=admin", or "" for none). Main hands in the request intake's
// (cgi/Request.h); until then, and after a reset of the process state,
// lines name no request.
using RequestLabel = std::string (*)();
void SetRequestLabel(RequestLabel label);

// Names what the run is doing for as long as it lives ("writing
// /srv/vexdoc/scripts/vexweb.ini", "running SELECT ..."). Scopes nest; the
// innermost names the work. The text must not hold a password: callers
// mask connection strings.
//
// A scope left by a failure keeps its text for the line of that failure;
// the innermost scope it leaves names it. Each failure keeps its own: what
// runs while it unwinds or while it is handled (a rollback, with scopes and
// perhaps a failure of its own) does not take its name away. A failure is
// forgotten once its line is written (LogFailure), or when a scope opens
// after its handler has ended.
class Doing {
public:
    explicit Doing(std::string what);
    ~Doing();
    Doing(const Doing&) = delete;
    Doing& operator=(const Doing&) = delete;

private:
    int unwinding_;         // failures in flight when the scope opened
    unsigned long serial_;  // scopes opened later are inside this one
};

// What the run was doing: the scope the failure being handled left, else
// the innermost open one, else "".
std::string CurrentActivity();

// Whether a scope named the failure being handled, so that a handler adds
// a scope of its own only when none did.
bool FailureNamed();

// The line for a failure: "vdconfig: error (70) Permission denied; writing
// FILE" and the request label ("; ConfigOption=SAVEINI User=admin"). Line breaks and other control
// characters become blanks, so that the line stays one line.
std::string FailureLine(const std::string& number, const std::string& text);

// Writes FailureLine on standard error and forgets the failure's scope.
void LogFailure(const std::string& number, const std::string& text);

// Writes "vdconfig: refused: WHY" on standard error, control bytes shown
// as \xNN: a request that the refusal page answers.
void LogRefusal(const std::string& why);

}  // namespace vd

// The program's entry: settings, log, request, user, one page.
#pragma once

#include <functional>
#include <string>

namespace vd {

using SupervisorTest = std::function<bool(const std::string& userId)>;

// Answers one CGI request and returns the process's exit status. The
// supervisor test is IsUserSupervisor; tests may hand in their own.
int Main();
int Main(const SupervisorTest& isSupervisor);

// Starts a fresh run in this process (tests run several requests).
void ResetRun();

}  // namespace vd

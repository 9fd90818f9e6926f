// The program's entry: settings, log, request, user, one page.
#pragma once

#include <functional>
#include <string>

namespace vd {

using SupervisorTest = std::function<bool(const std::string& userId)>;

// Answers one CGI request for the program in programFolder (which holds
// vexweb.ini and the billing data source, and becomes the working folder)
// and returns the process's exit status. The run's context lives inside:
// every run starts from a new one. The supervisor test is
// IsUserSupervisor; tests may hand in their own (an empty one is
// IsUserSupervisor).
int Main(const std::string& programFolder, const SupervisorTest& isSupervisor = nullptr);

// Forgets what the program keeps outside the run's context (the process
// state: the request, the response, the debug log, the failure log's
// scopes, the INI files read, the grid numbering): tests run several
// requests in one process.
void ResetRun();

}  // namespace vd

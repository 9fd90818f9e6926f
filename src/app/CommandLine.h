// The program's command line outside a web server: the administrator's
// commands --version, --check, --history, --restore and --help.
#pragma once

namespace vd {

// Answers the command when the program was not started by a web server;
// returns its exit status, or -1 for anything else (the run goes on as a
// CGI run).
int RunCommandLine(int argc, char** argv);

}  // namespace vd

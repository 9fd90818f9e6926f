// Runs Main inside the test process, for requests that need a supervisor
// without a database (the supervisor test is handed in).
#pragma once

#include <functional>
#include <map>
#include <string>

namespace vdtest {

struct InProcessResult {
    std::string out;
    int status = 0;
};

// Sets the environment (cleared first), points the program folder at the
// site root, feeds the body on standard input and captures standard output.
InProcessResult RunMain(const std::string& siteRoot, const std::map<std::string, std::string>& env,
                        const std::string& body = "",
                        const std::function<bool(const std::string&)>& isSupervisor = {});

// Captures what a piece of code writes with Send.
std::string CaptureOutput(const std::function<void()>& action);

}  // namespace vdtest

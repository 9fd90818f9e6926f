// Runs the built program as a CGI process in a temporary site.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace vdtest {

struct CgiResult {
    std::string out;
    std::string err;
    int status = -1;
    long peakKiB = 0;  // the program's peak resident memory
};

// A temporary site: a folder holding a copy of the program as vdconfig.exe,
// a vexweb.ini and the templates folder "html/". Removed on destruction.
class Site {
public:
    Site();
    ~Site();
    Site(const Site&) = delete;
    Site& operator=(const Site&) = delete;

    const std::string& Root() const { return root_; }
    std::string Path(const std::string& relative) const { return root_ + "/" + relative; }
    std::string HtmlPath() const { return root_ + "/html/"; }
    std::string Exe() const { return root_ + "/vdconfig.exe"; }

    void Write(const std::string& relative, const std::string& content) const;
    std::string Read(const std::string& relative) const;
    bool Exists(const std::string& relative) const;

    // Writes a vexweb.ini whose [Vexdoc/Web] holds these lines (after the
    // defaults WebPath, WebScriptsPath, HTMLPath and TempPath of the site).
    void WriteIni(const std::string& extraWebLines = "", const std::string& otherSections = "") const;
    // The plain templates used by the byte-exact tests.
    void WriteTemplates() const;

    // Runs the program with a clean environment: REQUEST_METHOD (POST when
    // a body is given, GET otherwise), CONTENT_LENGTH, QUERY_STRING and the
    // extra variables.
    CgiResult Run(const std::string& query = "", const std::string& body = "",
                  const std::map<std::string, std::string>& env = {}) const;
    // Starts a POST of the body as Run does, output discarded, and kills the
    // program with SIGKILL after the delay unless it ended before. True when
    // it was killed.
    bool RunKilledAfter(const std::string& body, int microseconds) const;
    // Runs with exactly this environment.
    CgiResult RunEnv(const std::map<std::string, std::string>& env, const std::string& body = "") const;

private:
    std::string root_;
};

// The standard top and bottom templates used by Site::WriteTemplates.
extern const char* const TopTemplate;
extern const char* const BottomTemplate;
extern const char* const ErrTopTemplate;
extern const char* const ErrBottomTemplate;

// Runs a program (args[0], a path) with exactly this environment from "/".
CgiResult RunProgram(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
                     const std::string& body = "");

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);

}  // namespace vdtest

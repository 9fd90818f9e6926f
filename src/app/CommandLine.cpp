#include "app/CommandLine.h"

#include "app/History.h"
#include "app/Restore.h"
#include "app/SiteCheck.h"

#include <cstdlib>
#include <iostream>
#include <string>

namespace vd {

namespace {

constexpr const char* Usage =
    "usage: vdconfig                          answers one request (run by a web server, as a CGI program)\n"
    "       vdconfig --version\n"
    "       vdconfig --check [FOLDER]         can the web server's user run this site? (run it as that user)\n"
    "       vdconfig --history [--since YYYY-MM-DD] [--until YYYY-MM-DD] [--user ID] [--database APPL[-DT]]\n"
    "                          [--file TRAIL] [FOLDER]\n"
    "                                         the audit trail, newest first\n"
    "       vdconfig --restore VERSION [FOLDER]\n"
    "                                         puts a kept version of vexweb.ini back (run as root or as the\n"
    "                                         owner of the folder that holds vexweb.ini)\n"
    "FOLDER is the site's program folder (SITE/scripts) or the site folder; without it, the folder of the\n"
    "program when it holds vexweb.ini, else the current folder.\n";

}  // namespace

int RunCommandLine(int argc, char** argv) {
    const char* method = std::getenv("REQUEST_METHOD");
    if (argc < 2 || (method && *method)) return -1;  // a web server's run: arguments are not options
    const std::string option = argv[1];
    if (option == "--version" && argc == 2) {
        std::cout << VersionLine() << "\n";
        return 0;
    }
    if ((option == "--help" || option == "-h") && argc == 2) {
        std::cout << Usage;
        return 0;
    }
    if (option == "--check" && argc <= 3) return CheckSite(argc == 3 ? argv[2] : "");
    if (option == "--history") return HistoryCommand({argv + 2, argv + argc}, std::cout, std::cerr);
    if (option == "--restore") return RestoreCommand({argv + 2, argv + argc}, std::cout, std::cerr);
    return -1;
}

}  // namespace vd

#include "app/CommandLine.h"
#include "app/Main.h"

int main(int argc, char** argv) {
    // Outside a web server, the administrator's commands; everything else is a run.
    const int status = vd::RunCommandLine(argc, argv);
    return status >= 0 ? status : vd::Main();
}

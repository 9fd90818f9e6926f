#include "app/CommandLine.h"
#include "app/Main.h"
#include "base/Program.h"
#include "cgi/Output.h"

int main(int argc, char** argv) {
    // Outside a web server, the administrator's commands; everything else is a run.
    const int status = vd::RunCommandLine(argc, argv);
    if (status >= 0) return status;
    vd::BufferOutput();
    return vd::Main(vd::ExecutableFolder());
}

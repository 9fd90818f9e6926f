#include "app/History.h"
#include "app/Main.h"

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // Commands for the administrator exist only outside a web server: a
    // server may pass words of the query string as arguments.
    const bool underServer = std::getenv("GATEWAY_INTERFACE") || std::getenv("REQUEST_METHOD");
    if (argc > 1 && !underServer) {
        const std::string command = argv[1];
        const std::vector<std::string> args(argv + 2, argv + argc);
        if (command == "--history") return vd::HistoryCommand(args, std::cout, std::cerr);
    }
    return vd::Main();
}

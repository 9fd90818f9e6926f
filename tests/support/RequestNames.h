// The request's field names in the order of their first arrival, each once
// and written as it first arrived: the order Request.Bak lists them in.
#pragma once

#include "cgi/Request.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace vdtest {

// The names of the fields that hold a value, as BackupRequest writes them
// (into a folder of its own, so that no other test's Request.Bak is met).
inline std::vector<std::string> RequestFieldNames() {
    namespace fs = std::filesystem;
    char dir[] = "/tmp/vdnames.XXXXXX";
    if (!mkdtemp(dir)) std::abort();
    const fs::path back = fs::current_path();
    fs::current_path(dir);
    vd::BackupRequest();
    std::vector<std::string> names;
    std::ifstream in("Request.Bak", std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        const std::string name = vd::UrlDecode(line.substr(0, line.find('=')));
        if (names.empty() || names.back() != name) names.push_back(name);
    }
    in.close();
    fs::current_path(back);
    fs::remove_all(dir);
    return names;
}

}  // namespace vdtest

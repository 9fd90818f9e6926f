// vdkeys: writes the database credentials of createdb.ini.
//
//   vdkeys <createdb.ini> <user name> [<password>]
//
// Stores SQLKEY1 (the user name) and SQLKEY2 (the password) in section
// [DEFAULT] of the file, scrambled in the form the program unscrambles.
// Without a password argument the password is the first line of standard
// input, which keeps it out of the process list. Other lines of the file
// stay as they are; a missing file is created (its folder must exist).
#include "data/Connections.h"
#include "settings/IniFiles.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>

namespace {

constexpr size_t MaxKeyLength = 1000;  // every group stays within three digits

// One group of three digits per character: the code plus the group's
// offset, so that UnscrambleKey's subtraction and rounding give the code
// back; a filler goes between every two groups.
std::string ScrambleKey(const std::string& plain) {
    std::string out;
    for (size_t k = 0; k < plain.size(); ++k) {
        const double offset = static_cast<double>(3 * k + 3) / vd::ScrambleDivisor;
        const long value = static_cast<unsigned char>(plain[k]) + std::lround(offset);
        char group[24];
        std::snprintf(group, sizeof group, "%03ld", value);
        if (k > 0) out += vd::ScrambleFiller;
        out += group;
    }
    return out;
}

int Usage() {
    std::cerr << "usage: vdkeys <createdb.ini> <user name> [<password>]\n"
                 "       without <password>, the first line of standard input is the password\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) return Usage();
    const std::string file = argv[1];
    const std::string user = argv[2];
    std::string password;
    if (argc == 4) {
        password = argv[3];
    } else if (!std::getline(std::cin, password) && !std::cin.eof()) {
        std::cerr << "vdkeys: cannot read the password from standard input\n";
        return 1;
    }
    if (!password.empty() && password.back() == '\r') password.pop_back();
    for (const std::string* value : {&user, static_cast<const std::string*>(&password)}) {
        if (value->size() > MaxKeyLength) {
            std::cerr << "vdkeys: a user name or password may have at most " << MaxKeyLength << " characters\n";
            return 2;
        }
        if (value->find_first_of("\r\n") != std::string::npos) {
            std::cerr << "vdkeys: line breaks cannot be stored\n";
            return 2;
        }
    }
    // Both keys in one write: the file never holds the new user with the old password.
    vd::IniEdit edit(file);
    auto failure = edit.Set("DEFAULT", "SQLKEY1", ScrambleKey(user));
    if (!failure) failure = edit.Set("DEFAULT", "SQLKEY2", ScrambleKey(password));
    if (!failure) failure = edit.Commit();
    if (failure) {
        std::cerr << "vdkeys: " << file << ": " << failure->Text << " (" << failure->Number << ")\n";
        return 1;
    }
    return 0;
}

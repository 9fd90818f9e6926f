// vdkeys: writes the database credentials of createdb.ini.
//
//   vdkeys <createdb.ini> <user name> [<password>]
//
// Stores SQLKEY1 (the user name) and SQLKEY2 (the password) in section
// [DEFAULT] of the file, scrambled in the form the program unscrambles.
// Without a password argument the password comes from standard input, which
// keeps it out of the process list: on a terminal it is asked for twice
// without echo, from a pipe or file it is the first line. Other lines of the
// file stay as they are; a missing file is created (its folder must exist).
#include "data/Databases.h"
#include "settings/IniFiles.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

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

// Echo off on the terminal while it lives.
class NoEcho {
public:
    NoEcho() {
        if (tcgetattr(STDIN_FILENO, &saved_) != 0) return;
        termios quiet = saved_;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        active_ = tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0;
    }
    ~NoEcho() {
        if (active_) tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
    }
    NoEcho(const NoEcho&) = delete;
    NoEcho& operator=(const NoEcho&) = delete;

private:
    termios saved_{};
    bool active_ = false;
};

// One line typed without echo after the prompt; false at the end of input.
bool AskHidden(const std::string& prompt, std::string& answer) {
    NoEcho quiet;  // before the prompt: nothing typed after it is echoed
    std::cerr << prompt << std::flush;
    return static_cast<bool>(std::getline(std::cin, answer));
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
    const bool prompted = argc == 3 && isatty(STDIN_FILENO);
    if (argc == 4) {
        password = argv[3];
    } else if (prompted) {
        std::string again;
        if (!AskHidden("Password of database user " + user + ": ", password) ||
            !AskHidden("The same password again: ", again)) {
            std::cerr << "vdkeys: no password given; nothing written\n";
            return 1;
        }
        if (password != again) {
            std::cerr << "vdkeys: the two passwords differ; nothing written\n";
            return 1;
        }
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
    try {
        vd::IniEdit edit(file);
        edit.Set("DEFAULT", "SQLKEY1", ScrambleKey(user));
        edit.Set("DEFAULT", "SQLKEY2", ScrambleKey(password));
        edit.Commit();
    } catch (const vd::RunError& failure) {
        std::cerr << "vdkeys: " << file << ": " << failure.Text << " (" << failure.Number << ")\n";
        return 1;
    }
    std::cout << "vdkeys: wrote SQLKEY1 (user " << user << ") and SQLKEY2 ("
              << (password.empty() ? "an empty password" : "the password")
              << "), scrambled, to section [DEFAULT] of " << file << "\n";
    return 0;
}

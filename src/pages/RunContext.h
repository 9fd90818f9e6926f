// Everything one run knows about its request: the settings loaded from
// vexweb.ini, the user and the supervisor test's verdict, the key of the
// plan or database at hand, and how the run reaches its databases. Main
// owns the one context of a run and hands it to the page it dispatches to;
// a new context is a fresh run.
#pragma once

#include <cstdint>
#include <string>

#include "data/Databases.h"
#include "settings/IniFiles.h"
#include "settings/WebSettings.h"

namespace vd {

constexpr std::int16_t NewPlan = 32767;  // the plan number of a plan not stored yet

// The current plan or database: an application code, a document type code
// and (for a plan) its number.
struct PlanKey {
    std::string Appl;
    std::string DocType;
    std::int16_t RateNum = 0;
};

struct RunContext {
    WebSettingsRecord Settings;  // vexweb.ini, with the user's ParameterPath
    std::string User;            // the run's user: the signed-in name, or the request field "User" (cgi/SignIn.h)
    bool IsSupervisor = false;   // the Users table's verdict on User
    PlanKey Plan;
    Databases Data;  // connection strings, credentials, the parameters connection

    // The folder that really holds the settings file: beside it live the
    // audit trail, the kept versions and the new-plan lock.
    std::string SettingsFolder() const { return SettingsFolderOf(Settings.File); }

    // The address every form of the configurator posts to.
    std::string FormAction() const { return Settings.WebScriptsPath + "vdconfig.exe"; }
};

}  // namespace vd

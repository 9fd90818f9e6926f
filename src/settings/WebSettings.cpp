#include "settings/WebSettings.h"

#include "base/DebugLog.h"
#include "base/TextUtil.h"
#include "settings/IniFiles.h"
#include "settings/SettingsKeys.h"

namespace vd {

bool IsTrueText(const std::string& text) { return UCase(text) == "TRUE"; }

std::string SettingsFileIn(const std::string& programFolder) { return programFolder + "/vexweb.ini"; }

WebSettingsRecord LoadWebSettings(const std::string& programFolder) {
    WebSettingsRecord s;
    s.File = SettingsFileIn(programFolder);
    auto load = [&s](const SettingsKey& key) {
        if (key.On) s.*key.On = IsTrueText(ReadIniString(s.File, WebSection, key.Key));
        if (key.Text) s.*key.Text = ReadIniString(s.File, WebSection, key.Key);
    };
    for (const SettingsKey& key : SettingsKeys())
        if (!key.PerUser && !key.WithReports) load(key);
    // The keys that depend on others: the report folders on their switch,
    // ParameterPath on the user, defaults on what was read.
    for (const SettingsKey& key : SettingsKeys()) {
        if (key.WithReports && s.ReportsAllowed) load(key);
        if (key.PerUser) LoadParameterPath(s, "");
        if (!key.Text || !(s.*key.Text).empty()) continue;
        if (key.WhenEmpty) s.*key.Text = key.WhenEmpty;
        if (key.EmptyFrom) s.*key.Text = s.*key.EmptyFrom;
    }
    s.DateFormat = ReadIniString(s.ParameterPath + "vdglobal.ini", "Config", "Date Format");
    return s;
}

void LoadParameterPath(WebSettingsRecord& settings, const std::string& user) {
    const std::string& file = settings.File;
    if (!user.empty()) {
        DebugLog("Reading " + file + " - ParameterPath_" + user);
        settings.ParameterPath = ReadIniString(file, WebSection, "ParameterPath_" + user);
    }
    DebugLog("ParameterPath for user " + settings.ParameterPath);
    if (settings.ParameterPath.empty())
        settings.ParameterPath = ReadIniString(file, WebSection, "ParameterPath");
}

}  // namespace vd

#include "settings/WebSettings.h"

#include "base/DebugLog.h"
#include "base/TextUtil.h"
#include "settings/IniFiles.h"

namespace vd {

bool IsTrueText(const std::string& text) { return UCase(text) == "TRUE"; }

std::string SettingsFileIn(const std::string& programFolder) { return programFolder + "/vexweb.ini"; }

WebSettingsRecord LoadWebSettings(const std::string& programFolder) {
    WebSettingsRecord s;
    s.File = SettingsFileIn(programFolder);
    const std::string& file = s.File;
    auto read = [&](const char* key) { return ReadIniString(file, WebSection, key); };
    s.WebPath = read("WebPath");
    s.HomePage = read("HomePage");
    if (s.HomePage.empty()) s.HomePage = "default.htm";
    s.WebScriptsPath = read("WebScriptsPath");
    s.WebSecurePath = read("WebSecurePath");
    if (s.WebSecurePath.empty()) s.WebSecurePath = s.WebScriptsPath;
    s.HTMLPath = read("HTMLPath");
    LoadParameterPath(s, "");
    s.WebCDPath = read("WebCDPath");
    s.BasketPath = read("BasketPath");
    s.BasketAlias = read("BasketAlias");
    s.WebBasketPath = read("WebBasketPath");
    s.TempPath = read("TempPath");
    s.WebTempPath = read("WebTempPath");
    s.EXEPath = read("EXEPath");
    s.FromEmail = read("FromEmail");
    s.BillingDBPath = read("BillingDBPath");
    s.DebugEnabled = IsTrueText(read("Debug"));
    s.ReportsAllowed = IsTrueText(read("ReportsAllowed"));
    if (s.ReportsAllowed) {
        s.ReportPath = read("ReportPath");
        s.WebReportPath = read("WebReportPath");
    }
    s.OCRAllowed = IsTrueText(read("OCRAllowed"));
    s.PDFAllowed = IsTrueText(read("PDFAllowed"));
    s.ReverseQuarters = IsTrueText(read("ReverseQuarters"));
    s.OpticalVexRetry = IsTrueText(read("OpticalVexRetry"));
    s.SuppressEmail = IsTrueText(read("SuppressEmail"));
    s.RequireSignIn = IsTrueText(read("RequireSignIn"));
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

// The installation settings of vexweb.ini, loaded at the start of every run.
#pragma once

#include <string>

namespace vd {

struct WebSettingsRecord {
    std::string File;            // the file read: the program folder's vexweb.ini
    std::string WebPath;         // browser address of the product's pages ("/" at the end)
    std::string HomePage;        // "default.htm" when missing
    std::string WebScriptsPath;  // browser address of this program
    std::string WebSecurePath;   // WebScriptsPath when missing
    std::string HTMLPath;        // server folder of the page templates
    std::string ParameterPath;   // server folder of vdglobal.ini, createdb.ini and DSN/
    std::string WebCDPath;
    std::string BasketPath;
    std::string BasketAlias;
    std::string WebBasketPath;
    std::string TempPath;        // server folder of the debug log
    std::string WebTempPath;
    std::string EXEPath;
    std::string FromEmail;
    std::string BillingDBPath;
    bool DebugEnabled = false;
    bool ReportsAllowed = false;
    std::string ReportPath;      // read only when ReportsAllowed
    std::string WebReportPath;   // read only when ReportsAllowed
    bool OCRAllowed = false;
    bool PDFAllowed = false;
    bool ReverseQuarters = false;
    bool OpticalVexRetry = false;
    bool SuppressEmail = false;
    bool RequireSignIn = false;  // a request the web server did not sign in is refused
    std::string DateFormat;      // [Config] "Date Format" of vdglobal.ini
};


constexpr const char* WebSection = "Vexdoc/Web";

// The settings file of a program folder: programFolder + "/vexweb.ini".
std::string SettingsFileIn(const std::string& programFolder);

// The settings of the program folder's vexweb.ini.
WebSettingsRecord LoadWebSettings(const std::string& programFolder);

// Resolves ParameterPath for the user from settings.File: the user's own
// "ParameterPath_" key when it holds a value, else the general
// "ParameterPath".
void LoadParameterPath(WebSettingsRecord& settings, const std::string& user);

// "TRUE" in any case is true; everything else is false.
bool IsTrueText(const std::string& text);

}  // namespace vd

#include "settings/SettingsKeys.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace vd {

namespace {

using R = WebSettingsRecord;
using enum SettingRule;
using enum SettingGroup;

constexpr SettingsKey TextKey(const char* key, const char* label, SettingGroup group, int row, SettingRule rule,
                    std::string R::*member) {
    return {key, key, label, group, row, rule, member};
}

constexpr SettingsKey SwitchKey(const char* key, const char* field, const char* label, int row, bool R::*member) {
    return {key, field, label, row ? Switches : NotOnForm, row, Switch, nullptr, member};
}

const std::array<SettingsKey, 26>& Table() {
    static const std::array<SettingsKey, 26> keys = [] {
        std::array<SettingsKey, 26> k{{
            TextKey("HTMLPath", "Folder where dynamic web pages are created", Folders, 1, Folder, &R::HTMLPath),
            TextKey("ParameterPath", "Folder where Vexdoc is located", Folders, 2, Folder, &R::ParameterPath),
            TextKey("BasketPath", "Folder where baskets are located", Folders, 3, Folder, &R::BasketPath),
            TextKey("BasketAlias", "Alias folder where baskets are located", Folders, 4, GuardedFolder,
                    &R::BasketAlias),
            TextKey("TempPath", "Folder where temporary files are created", Folders, 5, Folder, &R::TempPath),
            TextKey("EXEPath", "Folder where Webvexdoc executables exist", Folders, 6, Folder, &R::EXEPath),
            TextKey("BillingDBPath", "Folder where billing database exists", Folders, 7, Folder,
                    &R::BillingDBPath),
            TextKey("ReportPath", "Folder where reports are located", Folders, 8, GuardedFolder, &R::ReportPath),
            TextKey("WebPath", "Internet Address to the Webvexdoc server", Addresses, 9, Address, &R::WebPath),
            TextKey("WebSecurePath", "Secure Internet Address to the Webvexdoc server", Addresses, 10, Address,
                    &R::WebSecurePath),
            TextKey("WebScriptsPath", "Internet Address to where Webvexdoc executables exist", Addresses, 11,
                    Address, &R::WebScriptsPath),
            TextKey("WebCDPath", "Internet Address where archived files are located", Addresses, 12, Address,
                    &R::WebCDPath),
            TextKey("WebBasketPath", "Internet Address where baskets are located", Addresses, 13, Address,
                    &R::WebBasketPath),
            TextKey("WebTempPath", "Internet Address where temporary files are created", Addresses, 14, Address,
                    &R::WebTempPath),
            TextKey("WebReportPath", "Internet Address where reports are located", Addresses, 15, Address,
                    &R::WebReportPath),
            TextKey("Homepage", "Default homepage for Webvexdoc", Other, 16, Plain, &R::HomePage),
            TextKey("SMTPServer", "IP Address or Host name of SMTP (Outbound) Server", Other, 17, Plain, nullptr),
            TextKey("FromEmail", "Return address to use on outbound SMTP mail", Other, 18, Plain, &R::FromEmail),
            SwitchKey("ReportsAllowed", "ReportsAllowed", "Enable Crystal Reporting", 19, &R::ReportsAllowed),
            SwitchKey("OCRAllowed", "OCRAllowed", "Enable OCR of images", 20, &R::OCRAllowed),
            SwitchKey("ReverseQuarters", "ReverseQuarters", "Enable Reverse Quarters for Township-Range-Section", 22,
                      &R::ReverseQuarters),
            // The form's box and the saved key differ in letter case only: one key.
            SwitchKey("OpticalVEXRetry", "OpticalVexRetry", "Enable retry on opening Optical.vex file", 21,
                      &R::OpticalVexRetry),
            SwitchKey("Debug", "Debug", "Enable logging of detail debug statements", 23, &R::DebugEnabled),
            SwitchKey("PDFAllowed", "PDFAllowed", "", 0, &R::PDFAllowed),
            SwitchKey("SuppressEmail", "SuppressEmail", "", 0, &R::SuppressEmail),
            // Not on the form; a save keeps it as it is.
            SwitchKey("RequireSignIn", "RequireSignIn", "", 0, &R::RequireSignIn),
        }};
        k[0].Guard = SettingGuard::HoldsTemplates;
        k[1].Guard = SettingGuard::HoldsParamsDataSource;
        k[1].PerUser = true;
        k[7].WithReports = k[14].WithReports = true;
        k[9].EmptyFrom = &R::WebScriptsPath;
        k[15].WhenEmpty = "default.htm";
        // The two mail settings are shown with a 255-character buffer: 254 characters show.
        k[16].FormBuffer = k[17].FormBuffer = 255;
        return k;
    }();
    return keys;
}

}  // namespace

std::span<const SettingsKey> SettingsKeys() { return Table(); }

std::span<const SettingsKey* const> SettingsFormRows() {
    static const auto rows = [] {
        std::array<const SettingsKey*, 23> r{};
        size_t n = 0;
        for (const SettingsKey& key : Table())
            if (key.Group != NotOnForm) r.at(n++) = &key;
        std::sort(r.begin(), r.end(), [](const SettingsKey* a, const SettingsKey* b) { return a->FormRow < b->FormRow; });
        return r;
    }();
    return rows;
}

const SettingsKey& SettingsKeyOf(std::string_view key) {
    for (const SettingsKey& row : Table())
        if (row.Key == key) return row;
    throw std::logic_error("no settings key " + std::string(key));
}

}  // namespace vd

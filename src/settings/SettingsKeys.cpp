#include "settings/SettingsKeys.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <type_traits>
#include <vector>

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

// A row with one more of its properties set.
template <class T>
constexpr SettingsKey With(SettingsKey key, T SettingsKey::*property, std::type_identity_t<T> value) {
    key.*property = value;
    return key;
}

// The two mail settings are shown with a 255-character buffer: 254
// characters show.
constexpr std::size_t MailBuffer = 255;

const auto& Table() {
    static const auto keys = std::to_array<SettingsKey>({
        With(TextKey("HTMLPath", "Folder where dynamic web pages are created", Folders, 1, Folder, &R::HTMLPath),
             &SettingsKey::Guard, SettingGuard::HoldsTemplates),
        With(With(TextKey("ParameterPath", "Folder where Vexdoc is located", Folders, 2, Folder, &R::ParameterPath),
                  &SettingsKey::Guard, SettingGuard::HoldsParamsDataSource),
             &SettingsKey::PerUser, true),
        TextKey("BasketPath", "Folder where baskets are located", Folders, 3, Folder, &R::BasketPath),
        TextKey("BasketAlias", "Alias folder where baskets are located", Folders, 4, GuardedFolder, &R::BasketAlias),
        TextKey("TempPath", "Folder where temporary files are created", Folders, 5, Folder, &R::TempPath),
        TextKey("EXEPath", "Folder where Webvexdoc executables exist", Folders, 6, Folder, &R::EXEPath),
        TextKey("BillingDBPath", "Folder where billing database exists", Folders, 7, Folder, &R::BillingDBPath),
        With(TextKey("ReportPath", "Folder where reports are located", Folders, 8, GuardedFolder, &R::ReportPath),
             &SettingsKey::WithReports, true),
        TextKey("WebPath", "Internet Address to the Webvexdoc server", Addresses, 9, Address, &R::WebPath),
        With(TextKey("WebSecurePath", "Secure Internet Address to the Webvexdoc server", Addresses, 10, Address,
                     &R::WebSecurePath),
             &SettingsKey::EmptyFrom, &R::WebScriptsPath),
        TextKey("WebScriptsPath", "Internet Address to where Webvexdoc executables exist", Addresses, 11, Address,
                &R::WebScriptsPath),
        TextKey("WebCDPath", "Internet Address where archived files are located", Addresses, 12, Address,
                &R::WebCDPath),
        TextKey("WebBasketPath", "Internet Address where baskets are located", Addresses, 13, Address,
                &R::WebBasketPath),
        TextKey("WebTempPath", "Internet Address where temporary files are created", Addresses, 14, Address,
                &R::WebTempPath),
        With(TextKey("WebReportPath", "Internet Address where reports are located", Addresses, 15, Address,
                     &R::WebReportPath),
             &SettingsKey::WithReports, true),
        With(TextKey("Homepage", "Default homepage for Webvexdoc", Other, 16, Plain, &R::HomePage),
             &SettingsKey::WhenEmpty, "default.htm"),
        With(TextKey("SMTPServer", "IP Address or Host name of SMTP (Outbound) Server", Other, 17, Plain, nullptr),
             &SettingsKey::FormBuffer, MailBuffer),
        With(TextKey("FromEmail", "Return address to use on outbound SMTP mail", Other, 18, Plain, &R::FromEmail),
             &SettingsKey::FormBuffer, MailBuffer),
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
    });
    return keys;
}

}  // namespace

std::span<const SettingsKey> SettingsKeys() { return Table(); }

std::span<const SettingsKey* const> SettingsFormRows() {
    static const auto rows = [] {
        std::vector<const SettingsKey*> r;
        for (const SettingsKey& key : Table())
            if (key.Group != NotOnForm) r.push_back(&key);
        std::sort(r.begin(), r.end(),
                  [](const SettingsKey* a, const SettingsKey* b) { return a->FormRow < b->FormRow; });
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

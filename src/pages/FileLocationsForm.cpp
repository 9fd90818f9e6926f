// The form that edits vexweb.ini: server folders, browser addresses, mail
// settings, feature switches and the browser address of every archive drive.
// It posts back with ConfigOption "SAVEINI" (SaveWebSettings).
#include "base/DebugLog.h"
#include "cgi/Escape.h"
#include "cgi/MessagePages.h"
#include "cgi/Output.h"
#include "cgi/Request.h"
#include "data/Databases.h"
#include "data/OpenTable.h"
#include "data/RecordAccess.h"
#include "data/tables/Catalogue.h"
#include "pages/FormVersion.h"
#include "pages/Pages.h"
#include "settings/IniFiles.h"
#include "settings/SettingsVersion.h"
#include "settings/WebSettings.h"

#include <initializer_list>

namespace vd {

namespace {

void SendSeparator() { SendLine("</TR><TR VALIGN=TOP>"); }

void SendSectionHeader(const Html& title) {
    SendLine("<TD HEIGHT=35 ALIGN=Left NOWRAP><FONT COLOR=#990000><FONT SIZE=+1>&nbsp;" + title + "&nbsp;</TD></FONT>");
}

// Each label is tied to its input by the input's id: the field's name, or
// "drive-N" for the Nth drive row (a drive's name may hold anything).
void SendLabel(const Html& label, const std::string& id) {
    SendLine("<TD HEIGHT=30 ALIGN=Right NOWRAP>&nbsp;<label for=" + HtmlBare(id) + ">" + label + "</label>&nbsp;</TD>");
}

void SendTextInput(const std::string& name, const std::string& value, const std::string& id) {
    SendLine("<TD WIDTH=100%><INPUT TYPE=Text NAME=" + HtmlBare(name) + " ID=" + HtmlBare(id) +
             " SIZE=75 MAXLENGTH=255 VALUE=" + HtmlQuoted(value) + ">");
}

void SendTextRow(const char* label, const std::string& name, const std::string& value) {
    SendLabel(HtmlText(label), name);
    SendTextInput(name, value, name);
}

void SendCheckboxRow(const char* label, const char* name, bool on) {
    SendLabel(HtmlText(label), name);
    SendLine("<TD WIDTH=100%><INPUT TYPE=checkbox " + (on ? Html("checked") : Html()) + " NAME=" + HtmlBare(name) +
             " ID=" + HtmlBare(name) + ">");
}

// What the form shows: the settings as loaded, or, for a save that was
// refused, every value as it was posted.
struct Shown {
    bool posted = false;
    std::string Text(const char* name, const std::string& loaded) const { return posted ? GetField(name) : loaded; }
    bool Switch(const char* name, bool loaded) const { return posted ? !GetField(name).empty() : loaded; }
    // A drive whose input was not posted (a name the browser cut) shows its entry.
    std::string Drive(const std::string& drive, const std::string& entry) const {
        return posted && Posted(drive.c_str()) ? GetField(drive) : entry;
    }
};

// One row per record of the Drives table, with its entry of [Drives].
void SendDriveRows(RunContext& run, const std::string& iniFile, const Shown& shown) {
    const clsDrives drives;
    OpenTable table;
    ReadWholeParamsTable(run.Data, drives.TableName, table);
    for (int row = 1; !table.record.Eof; ++row) {
        const std::string drive = table.record.Field(drives.Drive).Value.Text();
        DebugLog("Reading " + drive + " tag in vexweb.ini");
        const std::string address = shown.Drive(drive, ReadIniString(iniFile, "Drives", drive));
        const std::string id = "drive-" + std::to_string(row);
        SendSeparator();
        SendLabel(HtmlText(drive), id);
        SendTextInput(drive, address, id);
        ODBCMoveNext(table.record);
    }
    table.Close();
}

struct TextRow {
    const char* label;
    const char* name;
    const std::string& value;
};

void SendTextRows(std::initializer_list<TextRow> rows, const Shown& shown) {
    for (const auto& row : rows) {
        SendTextRow(row.label, row.name, shown.Text(row.name, row.value));
        SendSeparator();
    }
}

void SendFolderRows(const WebSettingsRecord& s, const Shown& shown) {
    SendSectionHeader("Server Side Folder Settings");
    SendSeparator();
    SendTextRows(
        {
            {HtmlPathLabel, "HTMLPath", s.HTMLPath},
            {ParameterPathLabel, "ParameterPath", s.ParameterPath},
            {"Folder where baskets are located", "BasketPath", s.BasketPath},
            {"Alias folder where baskets are located", "BasketAlias", s.BasketAlias},
            {"Folder where temporary files are created", "TempPath", s.TempPath},
            {"Folder where Webvexdoc executables exist", "EXEPath", s.EXEPath},
            {"Folder where billing database exists", "BillingDBPath", s.BillingDBPath},
            {"Folder where reports are located", "ReportPath", s.ReportPath},
        },
        shown);
}

void SendAddressRows(const WebSettingsRecord& s, const Shown& shown) {
    SendSectionHeader("Browser Side Folder Settings");
    SendSeparator();
    SendTextRows(
        {
            {"Internet Address to the Webvexdoc server", "WebPath", s.WebPath},
            {"Secure Internet Address to the Webvexdoc server", "WebSecurePath", s.WebSecurePath},
            {"Internet Address to where Webvexdoc executables exist", "WebScriptsPath", s.WebScriptsPath},
            {"Internet Address where archived files are located", "WebCDPath", s.WebCDPath},
            {"Internet Address where baskets are located", "WebBasketPath", s.WebBasketPath},
        },
        shown);
    // The last two address rows close their cells instead of separating.
    SendTextRow("Internet Address where temporary files are created", "WebTempPath",
                shown.Text("WebTempPath", s.WebTempPath));
    SendLine("</TD></TR>");
    SendTextRow("Internet Address where reports are located", "WebReportPath",
                shown.Text("WebReportPath", s.WebReportPath));
    SendLine("</TD></TR>");
    SendLine("<TR VALIGN=TOP>");
}

void SendOtherRows(const WebSettingsRecord& s, const Shown& shown) {
    // The two mail settings are read with a 255-character buffer: 254 characters show.
    constexpr size_t MailReadBuffer = 255;
    const std::string smtpServer = ReadIniString(s.File, WebSection, "SMTPServer", MailReadBuffer);
    const std::string fromEmail = ReadIniString(s.File, WebSection, "FromEmail", MailReadBuffer);
    SendSectionHeader("Other Settings");
    SendSeparator();
    SendTextRows(
        {
            {"Default homepage for Webvexdoc", "Homepage", s.HomePage},
            {"IP Address or Host name of SMTP (Outbound) Server", "SMTPServer", smtpServer},
            {"Return address to use on outbound SMTP mail", "FromEmail", fromEmail},
        },
        shown);
    const struct {
        const char* label;
        const char* name;
        bool on;
    } switches[] = {
        {"Enable Crystal Reporting", "ReportsAllowed", s.ReportsAllowed},
        {"Enable OCR of images", "OCRAllowed", s.OCRAllowed},
        {"Enable retry on opening Optical.vex file", "OpticalVexRetry", s.OpticalVexRetry},
        {"Enable Reverse Quarters for Township-Range-Section", "ReverseQuarters", s.ReverseQuarters},
        {"Enable logging of detail debug statements", "Debug", s.DebugEnabled},
    };
    for (const auto& row : switches) {
        if (std::string_view(row.name) == "Debug")
            DebugLog(std::string("debug=") + (s.DebugEnabled ? "True" : "False"));
        SendCheckboxRow(row.label, row.name, shown.Switch(row.name, row.on));
        SendSeparator();
    }
}

// The form; with refusals, the lines above it and the values as posted,
// with the version the refused form was drawn from (none when it had none).
void SendSettingsForm(RunContext& run, const Html& heading, const std::string& action, const std::string& method,
                      const std::vector<std::string>* refusals) {
    const std::string& file = run.Settings.File;
    // The version first: a file changed while the form is drawn makes its
    // save stale rather than unnoticed.
    const Shown shown{refusals != nullptr};
    const std::string version = shown.posted ? GetField(IniVersionField) : IniFileVersion(file);
    const auto& s = run.Settings;

    SendFormOpening(run, heading, action, method, refusals);
    SendLine(R"(<TABLE BORDER=0 CELLSPACING=0 CELLPADDING=0 WIDTH="100%" >)");
    SendLine("<TR VALIGN=TOP>");
    SendFolderRows(s, shown);
    SendAddressRows(s, shown);
    SendOtherRows(s, shown);
    SendSectionHeader("Browser Side Drive Settings");
    SendDriveRows(run, file, shown);

    SendLine("</TR></TABLE><P>");
    SendLine(SubmitButton("DataAction", "SAVE"));
    SendLine(HiddenInput("ConfigOption", "SAVEINI"));
    if (!shown.posted || Posted(IniVersionField)) SendLine(HiddenInput(IniVersionField, version));
    SendFormClosing();
}

}  // namespace

void ShowFileLocationsForm(RunContext& run, const Html& heading, const std::string& action, const std::string& method) {
    SendSettingsForm(run, heading, action, method, nullptr);
}

void RedrawFileLocationsForm(RunContext& run, const std::vector<std::string>& refusals) {
    SendSettingsForm(run, SettingsFormHeading, run.FormAction(), "POST", &refusals);
}

}  // namespace vd

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
#include "settings/SettingsKeys.h"
#include "settings/SettingsVersion.h"
#include "settings/WebSettings.h"

#include <string_view>
#include <vector>

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

// What the key's input shows: its record value, or the file's value read
// with the form's own buffer.
std::string LoadedText(const WebSettingsRecord& s, const SettingsKey& key) {
    if (key.FormBuffer) return ReadIniString(s.File, WebSection, key.Key, key.FormBuffer);
    return key.Text ? s.*key.Text : std::string();
}

// The rows of one group of the form, each followed by a separator; the last
// two address rows close their cells instead.
void SendGroupRows(const WebSettingsRecord& s, SettingGroup group, const Shown& shown) {
    std::vector<const SettingsKey*> rows;
    for (const SettingsKey* key : SettingsFormRows())
        if (key->Group == group) rows.push_back(key);
    for (size_t i = 0; i < rows.size(); ++i) {
        const SettingsKey& key = *rows[i];
        if (group == SettingGroup::Switches) {
            if (std::string_view(key.Field) == "Debug")
                DebugLog(std::string("debug=") + (s.DebugEnabled ? "True" : "False"));
            SendCheckboxRow(key.Label, key.Field, shown.Switch(key.Field, s.*key.On));
        } else {
            SendTextRow(key.Label, key.Field, shown.Text(key.Field, LoadedText(s, key)));
        }
        if (group == SettingGroup::Addresses && i + 2 >= rows.size())
            SendLine("</TD></TR>");
        else
            SendSeparator();
    }
    if (group == SettingGroup::Addresses) SendLine("<TR VALIGN=TOP>");
}

void SendGroup(const WebSettingsRecord& s, const Html& title, SettingGroup group, const Shown& shown) {
    SendSectionHeader(title);
    SendSeparator();
    SendGroupRows(s, group, shown);
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
    SendGroup(s, "Server Side Folder Settings", SettingGroup::Folders, shown);
    SendGroup(s, "Browser Side Folder Settings", SettingGroup::Addresses, shown);
    SendGroup(s, "Other Settings", SettingGroup::Other, shown);
    SendGroupRows(s, SettingGroup::Switches, shown);  // the boxes follow under the same header
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

// The keys of [Vexdoc/Web], one row each: how the settings record loads a
// key, where and under which label the settings form shows it, and how its
// save writes what was posted. The record, the form and the save all follow
// this table; a key added here is loaded, shown and saved.
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "settings/WebSettings.h"

namespace vd {

// How the save writes a posted value.
enum class SettingRule {
    Folder,         // a server folder: "/" appended when missing; empty becomes "/"
    GuardedFolder,  // the same, but an empty value stays empty
    Address,        // a browser address: "/" appended when missing; empty becomes "/"
    Plain,          // as typed
    Switch,         // "TRUE" when the box posted anything, else "FALSE"
};

// Where the form shows the key; NotOnForm keys are only loaded.
enum class SettingGroup { NotOnForm, Folders, Addresses, Other, Switches };

// What the save checks before it writes anything: a value without which
// the next request could not reach the form again.
enum class SettingGuard {
    None,
    HoldsTemplates,        // the folder holds tbltop.htm and tblbot.htm
    HoldsParamsDataSource  // the folder holds the parameters database's data source
};

struct SettingsKey {
    const char* Key;    // the key as the save writes it (keys are read without regard to case)
    const char* Field;  // the form's input
    const char* Label;  // its label on the form
    SettingGroup Group;
    int FormRow;  // its place on the form, from 1
    SettingRule Rule;
    std::string WebSettingsRecord::*Text = nullptr;  // the record's member of a text key
    bool WebSettingsRecord::*On = nullptr;           // the record's member of a switch
    SettingGuard Guard = SettingGuard::None;
    bool WithReports = false;  // loaded only when ReportsAllowed is on
    bool PerUser = false;      // the user's own "<Key>_<user>" key comes first
    const char* WhenEmpty = nullptr;                      // the record's value for a missing key
    std::string WebSettingsRecord::*EmptyFrom = nullptr;  // ... or another member's
    std::size_t FormBuffer = 0;  // the form reads the file itself with this buffer (0: the record)
};

// Every key, in the order the save writes them.
std::span<const SettingsKey> SettingsKeys();

// The keys of the form, in the form's order.
std::span<const SettingsKey* const> SettingsFormRows();

// The row of a key; a key the table does not hold is a program fault.
const SettingsKey& SettingsKeyOf(std::string_view key);

}  // namespace vd

// The pages and actions that Main dispatches to.
#pragma once

#include <string>
#include <vector>

#include "cgi/Html.h"
#include "pages/RunContext.h"

namespace vd {

// The heading is markup of the program; the action is the form's address,
// escaped by the page, and the method its method.

// Main menu: three buttons, one per area of the configurator.
void ShowMainMenu(RunContext& run, const Html& heading, const std::string& action, const std::string& method);

// The opening that the main menu shares with the file locations form:
// header, top template (its failures ignored), the lines of a refused save
// when there are any, the FORM line, the heading and the help link.
void SendFormOpening(RunContext& run, const Html& heading, const std::string& action, const std::string& method,
                     const std::vector<std::string>* refusals = nullptr);
// Their closing: the end of the form and of the page.
void SendFormClosing();

// Settings of vexweb.ini: the form and its save.
constexpr char SettingsFormHeading[] = "vexweb.ini settings";
void ShowFileLocationsForm(RunContext& run, const Html& heading, const std::string& action, const std::string& method);
// The form again after a refused save: every value as posted, the form's
// version as posted, one line per refused field above it.
void RedrawFileLocationsForm(RunContext& run, const std::vector<std::string>& refusals);
void SaveWebSettings(RunContext& run);

// Billing rate plans.
constexpr char SupervisorPlanHeading[] = "Enter the applicable fees for this rate plan";
void MakeHTMLBillingPlan(RunContext& run, const Html& heading, const std::string& action, const std::string& method);
void MakeHTMLRatePlan(RunContext& run, const Html& heading, const std::string& action, const std::string& method);
// The plan form again after a refused save: every value as posted, what
// the form was drawn from as posted, one line per refused field above it.
struct PostedPlan;
void RedrawRatePlanForm(RunContext& run, const PostedPlan& posted);
void SaveRatePlan(RunContext& run);
void DeleteRatePlan(RunContext& run);

// The history of changes (the audit trail, newest first) and what it
// puts back: a kept vexweb.ini, a deleted plan; each asks first.
void ShowHistory(RunContext& run);
void RestoreSettingsVersion(RunContext& run);
void RestoreDeletedPlan(RunContext& run);

// Database settings.
void ShowDatabaseSelection(RunContext& run);
void ShowApplicationConfiguration(RunContext& run);

}  // namespace vd

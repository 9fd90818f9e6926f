// The pages and actions that Main dispatches to.
#pragma once

#include <string>

namespace vd {

// Main menu: three buttons, one per area of the configurator.
void ShowMainMenu(const std::string& heading, const std::string& action, const std::string& method);

// The opening that the main menu shares with the file locations form:
// header, top template (its failures ignored), the FORM line, the heading
// and the help link.
void SendFormOpening(const std::string& heading, const std::string& action, const std::string& method);

// Settings of vexweb.ini: the form and its save.
void ShowFileLocationsForm(const std::string& heading, const std::string& action, const std::string& method);
void SaveWebSettings();

// Billing rate plans.
void MakeHTMLBillingPlan(const std::string& heading, const std::string& action, const std::string& method);
void MakeHTMLRatePlan(const std::string& heading, const std::string& action, const std::string& method);
void SaveRatePlan();
void DeleteRatePlan();

// Database settings.
void ShowDatabaseSelection();
void ShowApplicationConfiguration(const std::string& appl, const std::string& docType);

}  // namespace vd

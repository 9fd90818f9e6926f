// The read-only report of one database's options in vexweb.ini: the search
// and hit list switches of its own section, and the starter/fallout
// settings, criteria sets and fallout reports of its "_Starter" section.
#include "base/TextUtil.h"
#include "cgi/Escape.h"
#include "cgi/Output.h"
#include "pages/Pages.h"
#include "settings/IniFiles.h"

#include <string>

namespace vd {

namespace {

struct Option {
    const char* Key;
    const char* Description;
};

const Option DatabaseOptions[] = {
    {"ShowCheck", "TRUE places a check boxes for selecting docs on Hit List Screen"},
    {"ShowCombine", "TRUE places the combine/view button on Hit List Screen"},
    {"HeaderRepeat", "If set, then hit list headers are repeated every n rows"},
    {"DocInfoInNewWindow",
     "If set, then if the User is allowed to index and ProhibitIndex=FALSE, the Document Information is shown in a "
     "new browser window"},
    {"ProhibitUpdate", "If TRUE, then database updates are prohibited for all users"},
    {"ProhibitIndex", "If TRUE, then database indexing are prohibited for all users"},
    {"ShowReferences",
     "If TRUE, then References Lookups are enabled with a View References checkbox appearing at top of Search "
     "Criteria page"},
    {"ReferenceBoxChecked", "If TRUE, then the View References box on Search Criteria page is checked by default"},
    {"AllowHitListAppend",
     "If TRUE, then users are allowed to run a second search and append results to an existing hit list"},
    {"AllowMultiTextSearch",
     "If TRUE, then Multi-Entry Text fields are expanded to allow the search of multiple values"},
    {"ShowSmartNames",
     "If TRUE, then the SmartNames feature is enabled and a SmartNames button appears on the Search Criteria page"},
    {"AllowMultiTownshipSearch",
     "If TRUE, then the Township-Range Search Criteria Box is expanded to allow the searching of multiple values"},
    {"AllowMultiSubdivisionSearch",
     "If TRUE, then the Subdivision Search Criteria Box is expanded to allow the searching of multiple values"},
};

const Option StarterOptions[] = {
    {"OrderNumberField", "Defines the database field which contains the Order Number"},
    {"OrderDescriptionField", "Defines the database field which contains the Order Description"},
    {"StatusField", "Defines the database field containing the status of the Order (i.e. Open or Closed)"},
    {"StarterOpenValue", "Defines the value of the Order Status field for open orders"},
    {"StarterCloseValue", "Defines the value of the Order Status field for closed orders"},
    {"FallOutDateField",
     "Defines the database field which contains the last date of a date down or fallout search for this order"},
    {"OrderOpenDateField", "Defines the database field which contains the date the Order was opened"},
    {"OrderCloseDateField", "Defines the database field which contains the date the Order was closed"},
    {"LastFalloutReportDate", "Contains the last date the Fallout Report was processed"},
    {"SaveResultsBoxChecked", "If TRUE, then the Save Results box is checked by default"},
    {"SaveStarterBoxChecked", "If TRUE, then the Save Starter box is checked by default"},
    {"DocPrefix", "Defines the document prefix letter to use when creating a starter document"},
    {"BasketName", "Defines the Basket Name to use when creating a starter document"},
};

// The six values of a criteria set, stored under these prefixes followed by
// the set number.
const Option CriteriaKeys[] = {
    {"CriteriaSet", "Describes the name of the Fallout/Starter Criteria Set"},
    {"CriteriaField", "Defines the database field to search for the Criteria Set"},
    {"DefaultSearch",
     "Defines the type of search to perform for the Criteria Set. Options are BEGIN, EXACT, CONTAINS, SOUNDEX, "
     "TITLESUBDIVISION, TITLETOWNSHIP"},
    {"SpecialClauseField", "Tells the system to limits the search based on contents of this field"},
    {"SpecialClauseValue", "Defines the value of the SpecialClauseField to limit the search to"},
    {"SpecialClauseType", "Defines the type of search for the SpecialClauseField"},
};

constexpr int MaxNumbered = 99;  // criteria sets and fallout reports are numbered 1 to 99

constexpr char OptionTableHeader[] =
    "<TABLE Border=1><TR><TD><B>Option</B></TD><TD><B>Value</B></TD><TD><B>Description</B></TD></TR></B>";

void SendOptionRows(const std::string& ini, const std::string& section, const Option (&options)[13]) {
    for (const Option& option : options) {
        SendLine("<TR>");
        SendLine("<TD><FONT COLOR=#990000>" + HtmlText(option.Key) + "</FONT></TD>");
        SendLine("<TD>" + HtmlText(ReadIniString(ini, section, option.Key)) + "</TD>");
        SendLine("<TD>" + HtmlText(option.Description) + "</TD></TR>");
    }
}

}  // namespace

void ShowApplicationConfiguration(RunContext& run) {
    const std::string& appl = run.Plan.Appl;
    const std::string& docType = run.Plan.DocType;
    const std::string& ini = run.Settings.File;
    const std::string section = appl + "VDW" + docType;
    const std::string starter = section + "_Starter";
    const Html forDatabase = "Application " + HtmlText(appl) + "  Database " + HtmlText(docType) + "</FONT>";

    SendHeader();
    SendTop();
    SendLine("<FONT SIZE=+1>Configuration Settings for " + forDatabase);
    SendLine(OptionTableHeader);
    SendOptionRows(ini, section, DatabaseOptions);
    SendLine("</TABLE>");

    if (UCase(ReadIniString(ini, starter, "SystemEnabled")) == "FALSE") {
        SendLine("<P>Starter/Fallout System not configured");
    } else {
        SendLine("<P><FONT SIZE=+1>Starter/Fallout Settings for " + forDatabase);
        SendLine(OptionTableHeader);
        SendOptionRows(ini, starter, StarterOptions);
        SendLine("</TABLE>");

        SendLine("<P><FONT SIZE=+1>Starter/Fallout Criteria Sets for " + forDatabase);
        SendLine("<TABLE Border=1><TR><TD><B>Set #</B>");
        for (const Option& key : CriteriaKeys) Send("<TD><B>" + HtmlText(key.Key) + "</B></TD>");
        Send("</TR>");
        // The first number without a CriteriaSet value ends the list.
        for (int n = 1; n <= MaxNumbered; ++n) {
            const std::string number = std::to_string(n);
            if (ReadIniString(ini, starter, CriteriaKeys[0].Key + number).empty()) break;
            SendLine("<TR><TD><FONT COLOR=#990000>" + HtmlNumber(n) + "</FONT></TD>");
            for (const Option& key : CriteriaKeys)
                SendLine("<TD>" + HtmlText(ReadIniString(ini, starter, key.Key + number)) + "</TD>");
            SendLine("</TR>");
        }
        SendLine("</TABLE>");
        for (const Option& key : CriteriaKeys)
            SendLine("<br>* " + HtmlText(key.Key) + " = " + HtmlText(key.Description));

        SendLine("<P><FONT SIZE=+1>Starter/Fallout Reports for " + forDatabase);
        SendLine("<TABLE Border=1><TR><TD><B>Fallout Report</B></TD><TD><B>Fallout Report Description</B></TD></TR>");
        // A report row starts directly with its first cell.
        for (int n = 1; n <= MaxNumbered; ++n) {
            const std::string number = std::to_string(n);
            const std::string report = ReadIniString(ini, starter, "FalloutReport" + number);
            if (report.empty()) break;
            SendLine("<TD>" + HtmlText(report) + "</TD>");
            SendLine("<TD>" + HtmlText(ReadIniString(ini, starter, "FalloutReportDescription" + number)) +
                     "</TD></TR>");
        }
        SendLine("</TABLE>");
    }
    // The page closes itself; the bottom template is not sent.
    SendLine("</body></html>");
}

}  // namespace vd

// The rules of Rate_Schedule rows that the rate plan pages share: the
// description of every field of a plan, the plan key, the table versions of
// 18 and 21 columns, the plans of every database, the queue of new plans
// and the length limit of policies.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "data/ODBCAPI.h"
#include "data/TableInfo.h"

namespace vd {

// What a field of a plan holds: how its column is read, how the form shows
// it and how the save stores what was posted.
enum class PlanKind {
    Money,   // a number, shown as "#.00"
    Count,   // a whole number (smallint)
    Text,    // the plan's name
    Flag,    // a YES/NO choice of supervisors, stored as -1 or 0
    Policy,  // a text below the fee table, cut to its column's size when saved
};

// When a field takes part. A field of a setting is read, shown and saved
// only with that setting (the save stores 0 without it). A field of the
// newer columns is read only from a table that has them; the form shows it
// anyway (zero or empty) and the save writes it, which an older table
// refuses.
enum class PlanWhen {
    Always,
    WithReports,      // the setting ReportsAllowed
    WithOcr,          // the setting OCRAllowed
    WithPolicies,     // the columns Tax_Policy to Termination_Policy
    WithOvercharges,  // the columns Max_Searches_Overcharge to Max_PageView_Overcharge
};

// One field of a plan besides its key.
struct PlanField {
    const char* Label;     // its label on the form and the review (text)
    const char* FormName;  // its form field; the save reads it without regard to case
    std::int16_t Column;   // its position in Rate_Schedule
    PlanKind Kind;
    PlanWhen When;
};

// Every field besides the key, in the order of the form.
std::span<const PlanField> PlanFields();

// The same fields in column order, the order in which a row is read and
// written.
std::span<const PlanField* const> PlanFieldsByColumn();

// Whether the field takes part under these settings (the column conditions
// are left to ReadPlanValues).
bool PlanFieldUsed(const PlanField& field, bool reportsAllowed, bool ocrAllowed);

// The value of one field: the number of a Money, Count or Flag field (a
// flag is 1 or 0), the text of a Text or Policy field.
struct PlanValue {
    double Number = 0;
    std::string Text;
    bool Typed = false;  // Text is what a form posted, shown as it was typed
};

// The values of a plan, one per entry of PlanFields(); a new plan is all
// zeros and empty texts.
using PlanValues = std::vector<PlanValue>;
PlanValues EmptyPlan();

// The found row's values, read in column order; what the settings or the
// table version leave out stays zero or empty. The columns convert as
// FieldValue's do (no number is failure 13, a count outside smallint 6).
PlanValues ReadPlanValues(const TableInfo& record, bool reportsAllowed, bool ocrAllowed);

// The value of the field among the values.
const PlanValue& ValueOf(const PlanValues& values, const PlanField& field);

// Positions 0, 1 and 2 of a Rate_Schedule record := the plan key.
void SetPlanKey(TableInfo& record, const std::string& appl, const std::string& docType,
                std::int16_t rateNum);

// Reads the plans of every database in one statement (the hidden ones only
// when withHidden), ordered by application, document type and plan number,
// one row at a time: row() runs with each as the values of plans. Only the
// columns a list of plans shows are read, in the order of PlanListColumn.
enum PlanListColumn { ListAppl, ListDocType, ListRateNum, ListDescription };
void SelectAllPlans(TableInfo& plans, OdbcConnection& connection, bool withHidden, const std::function<void()>& row);

// Reads the plan of this key into the record; true when it exists.
bool SeekPlan(TableInfo& record, OdbcConnection& connection, const std::string& appl,
              const std::string& docType, std::int16_t rateNum);

// Lets the new plans of one program folder queue before they reach the
// database: an exclusive advisory lock on the file RatePlans.lock in the
// folder that really holds vexweb.ini (SettingsFolderOf, settings/IniFiles.h),
// held while the object lives. The numbering itself is serialised by the
// database (PlanNumbering.h), which also holds for program folders on other
// hosts. A lock file that cannot be opened is a failure (70, 75, 76).
class NewPlanLock {
public:
    explicit NewPlanLock(const std::string& settingsFolder);
    ~NewPlanLock();
    NewPlanLock(const NewPlanLock&) = delete;
    NewPlanLock& operator=(const NewPlanLock&) = delete;

    static std::string PathIn(const std::string& settingsFolder);

private:
    int fd_ = -1;
};

// A policy longer than its column's declared size (a size of 0 means no
// limit) is cut to size bytes, never inside a UTF-8 character, and
// stripped of blanks at both ends; cut tells whether that happened.
std::string LimitPolicy(const std::string& text, int size, bool& cut);

}  // namespace vd

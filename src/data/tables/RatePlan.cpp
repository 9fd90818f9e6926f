#include "data/tables/RatePlan.h"

#include "base/DebugLog.h"
#include "base/RunError.h"
#include "base/TextUtil.h"
#include "data/RecordAccess.h"
#include "data/tables/Catalogue.h"
#include "settings/IniFiles.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vd {

namespace {

using enum PlanKind;
using enum PlanWhen;

const std::array<PlanField, 22>& Fields() {
    static const std::array<PlanField, 22> fields = [] {
        const clsRate_Schedule rs;
        return std::array<PlanField, 22>{{
            {"Billing Plan", "Rate_Description", rs.Rate_Description, Text, Always},
            {"Monthly fee to use this database", "Flat_Fee", rs.Flat_Fee, Money, Always},
            {"Fee charged for each search performed", "Search_Fee", rs.Search_Fee, Money, Always},
            {"Fee charged on search where no matching document were found", "NoHits_Fee", rs.NoHits_Fee, Money,
             Always},
            {"Fee charged to view database information for a document", "DocInfo_Fee", rs.DocInfo_Fee, Money,
             Always},
            {"Fee charged to view all image pages for a document", "AllPages_Fee", rs.AllPages_Fee, Money, Always},
            {"Maximum number of searches allowed per month", "Max_Searches", rs.Max_Searches, Count, Always},
            {"Price per search after search maximum reached", "Max_Searches_Overcharge", rs.Max_Searches_Overcharge,
             Money, WithOvercharges},
            {"Maximum number of document data views allowed per month", "Max_Docinfo", rs.Max_DocInfo, Count,
             Always},
            {"Price per document data view after document data view maximum reached", "Max_Docinfo_Overcharge",
             rs.Max_DocInfo_Overcharge, Money, WithOvercharges},
            {"Maximum number of document image views (or e-mails) allowed per month", "Max_DocView",
             rs.Max_DocView, Count, Always},
            {"Price per document image view (or email) after image view maximum reached", "Max_DocView_Overcharge",
             rs.Max_DocView_Overcharge, Money, WithOvercharges},
            {"Maximum number of single page views allowed per month", "Max_PageView", rs.Max_PageView, Count,
             Always},
            {"Price persingle page view after single page view maximum reached", "Max_pageView_Overcharge",
             rs.Max_PageView_Overcharge, Money, WithOvercharges},
            {"Fee charge to view individual pages for a document", "Page_Fee", rs.Page_Fee, Money, Always},
            {"Fee charged for each document found for a search", "Hits_Fee", rs.Hits_Fee, Money, Always},
            {"Fee charged to print a hit list report", "Report_Fee", rs.Report_Fee, Money, WithReports},
            {"Per page fee charged to OCR a page", "Ocr_Fee", rs.OCR_Fee, Money, WithOcr},
            {"Hide this rate plan from the general public", "Hidelevel", rs.Hide_level, Flag, Always},
            {"Tax Policy", "Tax_Policy", rs.Tax_Policy, Policy, WithPolicies},
            {"Billing Policy", "Billing_Policy", rs.Billing_Policy, Policy, WithPolicies},
            {"Termination Policy", "Termination_Policy", rs.Termination_Policy, Policy, WithPolicies},
        }};
    }();
    return fields;
}

// Older tables end after OCR_Fee (18 columns) or after the three policies
// (21 columns).
bool HasColumns(const TableInfo& record, PlanWhen when) {
    const clsRate_Schedule rs;
    if (when == WithPolicies) return record.FieldCount > rs.Tax_Policy;
    if (when == WithOvercharges) return record.FieldCount > rs.Max_Searches_Overcharge;
    return true;
}

size_t IndexOf(const PlanField& field) { return static_cast<size_t>(&field - Fields().data()); }

}  // namespace

std::span<const PlanField> PlanFields() { return Fields(); }

std::span<const PlanField* const> PlanFieldsByColumn() {
    static const std::array<const PlanField*, 22> byColumn = [] {
        std::array<const PlanField*, 22> fields{};
        for (size_t i = 0; i < fields.size(); ++i) fields[i] = &Fields()[i];
        std::sort(fields.begin(), fields.end(),
                  [](const PlanField* a, const PlanField* b) { return a->Column < b->Column; });
        return fields;
    }();
    return byColumn;
}

bool PlanFieldUsed(const PlanField& field, bool reportsAllowed, bool ocrAllowed) {
    if (field.When == WithReports) return reportsAllowed;
    if (field.When == WithOcr) return ocrAllowed;
    return true;
}

PlanValues EmptyPlan() { return PlanValues(Fields().size()); }

PlanValues ReadPlanValues(const TableInfo& record, bool reportsAllowed, bool ocrAllowed) {
    PlanValues values = EmptyPlan();
    for (const PlanField* field : PlanFieldsByColumn()) {
        if (!PlanFieldUsed(*field, reportsAllowed, ocrAllowed) || !HasColumns(record, field->When)) continue;
        const FieldValue& column = record.Field(field->Column).Value;
        PlanValue& value = values[IndexOf(*field)];
        switch (field->Kind) {
        case Money: value.Number = column.ToDouble(); break;
        case Count: value.Number = column.ToInt16(); break;
        case Flag: value.Number = column.ToBool() ? 1 : 0; break;
        case Text:
        case Policy: value.Text = column.Text(); break;
        }
    }
    return values;
}

const PlanValue& ValueOf(const PlanValues& values, const PlanField& field) { return values[IndexOf(field)]; }

void SelectAllPlans(TableInfo& plans, OdbcConnection& connection, bool withHidden, const std::function<void()>& row) {
    const clsRate_Schedule rs;
    const std::string& number = plans.Field(rs.RateNum).Name;
    std::string sql = "select application, DocType, " + number + ", Rate_Description from Rate_Schedule";
    if (!withHidden) sql += " where Hide_level = 0";
    sql += " order by application, DocType, " + number;
    if (DebugLogging()) DebugLog("MakeHTMLBillingPlan: SQL=" + sql);
    ODBCForEachRow(sql, connection, plans, row);
    if (DebugLogging()) DebugLog(std::to_string(plans.RecordCount) + " found");
}

void SetPlanKey(TableInfo& record, const std::string& appl, const std::string& docType, std::int16_t rateNum) {
    const clsRate_Schedule rs;
    record.Field(rs.application).Value = appl;
    record.Field(rs.DocType).Value = docType;
    record.Field(rs.RateNum).Value = rateNum;
}

bool SeekPlan(TableInfo& record, OdbcConnection& connection, const std::string& appl, const std::string& docType,
              std::int16_t rateNum) {
    const clsRate_Schedule rs;
    SetPlanKey(record, appl, docType, rateNum);
    SeekRec(rs.TableName, rs.KeyList, record, connection);
    return !record.NoMatch;
}

std::string NewPlanLock::PathIn(const std::string& settingsFolder) { return settingsFolder + "/RatePlans.lock"; }

NewPlanLock::NewPlanLock(const std::string& settingsFolder) {
    const std::string path = PathIn(settingsFolder);
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        const int err = errno;
        throw FileError(err, err == ENOENT);
    }
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        const int err = errno;
        ::close(fd_);
        fd_ = -1;
        throw FileError(err);
    }
}

NewPlanLock::~NewPlanLock() {
    if (fd_ >= 0) ::close(fd_);  // closing the file releases the lock
}

std::string LimitPolicy(const std::string& text, int size, bool& cut) {
    cut = size > 0 && text.size() > static_cast<size_t>(size);
    if (!cut) return text;
    // A UTF-8 character that the cut would split goes whole: half of one is
    // no text at all, and a database that checks its encoding refuses it.
    size_t end = static_cast<size_t>(size);
    auto continuation = [&](size_t i) { return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80; };
    size_t lead = end;
    while (lead > 0 && end - lead < 3 && continuation(lead)) --lead;
    if (lead < end && continuation(end) && (static_cast<unsigned char>(text[lead]) & 0xC0) == 0xC0) end = lead;
    return Trim(text.substr(0, end));
}

}  // namespace vd

// Stores the plan that a supervisor posted from the rate plan form.
#include "base/DebugLog.h"
#include "base/Numbers.h"
#include "base/RunError.h"
#include "base/TextUtil.h"
#include "cgi/Escape.h"
#include "cgi/MessagePages.h"
#include "cgi/Output.h"
#include "cgi/Request.h"
#include "cgi/ServerLog.h"
#include "data/Connections.h"
#include "data/OpenTable.h"
#include "data/Transaction.h"
#include "data/VDODBC.h"
#include "data/tables/Catalogue.h"
#include "data/tables/RatePlan.h"
#include "pages/ChangeRecord.h"
#include "pages/Pages.h"
#include "pages/RatePlanText.h"
#include "pages/RunValues.h"
#include "settings/IniFiles.h"
#include "settings/WebSettings.h"

#include <optional>
#include <vector>

namespace vd {

namespace {

double Number(const char* field) { return Val(GetField(field)); }
std::int16_t Integer(const char* field) { return CInt(Val(GetField(field))); }

}  // namespace

void SaveRatePlan() {
    const clsRate_Schedule rs;
    OdbcConnection connection;
    TableInfo record;
    TableCloser closing(record, connection);
    std::optional<NewPlanLock> lock;
    std::vector<std::string> notices;
    {
        // The trail is opened first: a change it cannot record is not made.
        AuditTrail trail = OpenAuditTrail();
        DebugLog("Opening Rate_Schedule");
        try {
            InitWVDAccounting(connection, rs.TableName, record);
        } catch (const DbError&) {
            DebugLog("Rate plan not saved: Rate_Schedule could not be opened");
            throw;
        }
        // The row and its record take effect together, or neither does.
        OdbcTransaction transaction(connection);
        transaction.Begin();
        Appl = GetField("Appl");
        DocType = GetField("DocType");
        RateNum = Integer("RateNum");

        const bool isNew = RateNum == NewPlan;
        if (!isNew) {
            DebugLog("updating Appl " + Appl + " Doctype " + DocType + " Rate_Level " + std::to_string(RateNum));
            SetPlanKey(record, Appl, DocType, RateNum);
        } else {
            // Numbering and inserting are one step for all processes, so two
            // new plans of one database never get the same number.
            {
                Doing doing("locking " + NewPlanLock::Path());
                lock.emplace();
            }
            RateNum = NumberNewPlan(record, connection, Appl, DocType);
            DebugLog("adding Appl " + Appl + " Doctype " + DocType + " Rate_Level " + std::to_string(RateNum));
        }

        const std::optional<TableInfo> before =
            isNew ? std::nullopt : StoredPlan(record, connection, Appl, DocType, RateNum, "PlanBefore");

        auto money = [&](std::int16_t position, double& target, const char* field) {
            target = Number(field);
            record.Field(position).Value = target;
        };
        auto count = [&](std::int16_t position, std::int16_t& target, const char* field) {
            target = Integer(field);
            record.Field(position).Value = target;
        };
        money(rs.Flat_Fee, RatePlan.Flat_Fee, "Flat_Fee");
        money(rs.Search_Fee, RatePlan.Search_Fee, "Search_Fee");
        money(rs.NoHits_Fee, RatePlan.NoHits_Fee, "NoHits_Fee");
        money(rs.DocInfo_Fee, RatePlan.DocInfo_Fee, "DocInfo_Fee");
        money(rs.AllPages_Fee, RatePlan.AllPages_Fee, "AllPages_Fee");
        money(rs.Page_Fee, RatePlan.Page_Fee, "Page_Fee");
        money(rs.Hits_Fee, RatePlan.Hits_Fee, "Hits_Fee");
        if (WebSettings.ReportsAllowed) money(rs.Report_Fee, RatePlan.Report_Fee, "Report_Fee");
        else record.Field(rs.Report_Fee).Value = 0;
        if (WebSettings.OCRAllowed) RatePlan.OCR_Fee = Number("OCR_Fee");
        record.Field(rs.OCR_Fee).Value = RatePlan.OCR_Fee;
        count(rs.Max_Searches, RatePlan.Max_Searches, "Max_Searches");
        count(rs.Max_DocInfo, RatePlan.Max_DocInfo, "Max_DocInfo");
        count(rs.Max_DocView, RatePlan.Max_DocView, "Max_DocView");
        count(rs.Max_PageView, RatePlan.Max_PageView, "Max_PageView");
        money(rs.Max_Searches_Overcharge, RatePlan.Max_Searches_Overcharge, "Max_Searches_Overcharge");
        money(rs.Max_DocInfo_Overcharge, RatePlan.Max_DocInfo_Overcharge, "Max_DocInfo_Overcharge");
        money(rs.Max_DocView_Overcharge, RatePlan.Max_DocView_Overcharge, "Max_DocView_Overcharge");
        money(rs.Max_PageView_Overcharge, RatePlan.Max_PageView_Overcharge, "Max_PageView_Overcharge");
        RatePlan.Rate_Description = GetField("Rate_Description");
        record.Field(rs.Rate_Description).Value = RatePlan.Rate_Description;
        record.Field(rs.Hide_level).Value = UCase(GetField("HideLevel")) == "YES" ? -1 : 0;

        const struct {
            std::int16_t Position;
            const char* Field;
            const char* Label;
        } policies[] = {{rs.Tax_Policy, "Tax_Policy", "Tax Policy"},
                        {rs.Billing_Policy, "Billing_Policy", "Billing Policy"},
                        {rs.Termination_Policy, "Termination_Policy", "Termination Policy"}};
        for (const auto& p : policies) {
            std::string text = GetField(p.Field);
            FieldEntry& column = record.Field(p.Position);
            if (text.empty()) continue;  // stored as null: a cleared policy is removed
            bool cut = false;
            text = LimitPolicy(text, column.Size, cut);
            if (cut)
                notices.push_back(std::string(p.Label) + " is limited to " + std::to_string(column.Size) +
                                  " characters.");
            column.Value = text;
        }

        try {
            if (isNew) ODBCAddNew(connection, rs.TableName, record);
            else UpdateRecInfo(rs.TableName, rs.KeyList, record, connection);
        } catch (const DbError&) {
            // A refused duplicate among others.
            DebugLog("Rate plan not saved for Application " + Appl + " - Database " + DocType);
            throw;
        }
        // The record is written before the commit; a commit that fails is
        // recorded as failed.
        AuditEntry entry = PlanEntry(before ? "plan updated" : "plan added", Appl, DocType, RateNum);
        entry.Changes = RowChanges(before, StoredPlan(record, connection, Appl, DocType, RateNum, "PlanAfter"));
        trail.Append(entry);
        try {
            transaction.Commit();
        } catch (const DbError&) {
            entry.Failure = "the database did not commit the change";
            trail.Append(entry);
            throw;
        }
        lock.reset();
        closing.Close();

        // The notices and the confirmation make one page.
        SendHeader();
        SendTop();
        for (const std::string& notice : notices) SendNoticeBody(notice);
        SendMessageBody("Rate plan " + HtmlText(RatePlan.Rate_Description) + " has been saved for Application " +
                            HtmlText(Appl) + " - Database " + HtmlText(DocType),
                        "Click here to return to the rate plan screen", RatePlansAddress(), "+1", "");
        DebugLog("open tblbot");
        SendBottom();
        EndRun();
    }
}

}  // namespace vd

#include "data/tables/PlanNumbering.h"

#include "base/DebugLog.h"
#include "base/Numbers.h"
#include "base/RunError.h"
#include "data/Transaction.h"
#include "data/RecordAccess.h"
#include "data/tables/Catalogue.h"
#include "data/tables/RatePlan.h"

namespace vd {

void LockPlanNumbering(OdbcConnection& connection, const std::string& appl, const std::string& docType) {
    if (!DbmsIs(connection, "PostgreSQL")) return;
    const std::string sql = "select count(*) from (select pg_advisory_xact_lock(hashtext('Rate_Schedule'), "
                            "hashtext('" + FixQuotes(appl) + "/" + FixQuotes(docType) + "'))) as numbering";
    DebugLog("LockPlanNumbering: SQL=" + sql);
    ExecStatement(connection, sql);
}

std::int16_t NumberNewPlan(TableInfo& record, OdbcConnection& connection, const std::string& appl,
                           const std::string& docType) {
    const clsRate_Schedule rs;
    const std::string number = record.Field(rs.RateNum).Name;
    const std::string ofDatabase = "application = '" + FixQuotes(appl) + "' and p.DocType = '" + FixQuotes(docType) + "'";
    // 0 when it is free, else the lowest n + 1 of a plan n whose successor
    // is free.
    const std::string sql =
        "select min(free.n) from (select 0 as n where not exists (select 1 from Rate_Schedule p where p." +
        ofDatabase + " and p." + number + " = 0) union all select p." + number +
        " + 1 as n from Rate_Schedule p where p." + ofDatabase + " and p." + number + " >= 0 and p." + number +
        " < 32767 and not exists (select 1 from Rate_Schedule q where q.application = p.application and q.DocType = "
        "p.DocType and q." + number + " = p." + number + " + 1)) free";
    DebugLog("NumberNewPlan: SQL=" + sql);
    TableInfo lowest;
    lowest.Name = "PlanNumber";
    ODBCExecSQL(sql, connection, lowest);
    const std::string found = lowest.RecordCount > 0 ? lowest.Field(0).Value.Text() : "";
    if (found.empty()) Raise(Err::Overflow);  // every number is taken
    const std::int16_t free = CInt(Val(found));
    for (FieldEntry& field : record.Fields) field.Value = FieldValue();
    SetPlanKey(record, appl, docType, free);
    return free;
}

bool IsKeyRefusal(const DbError& failure) {
    // SQLite's driver reports a constraint as its code 19 with a general state.
    return failure.State.rfind("23", 0) == 0 || failure.Native == 19;
}

}  // namespace vd

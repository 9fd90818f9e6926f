#include "data/tables/PlanTokens.h"

#include "base/DebugLog.h"
#include "base/Numbers.h"
#include "data/RecordAccess.h"
#include "data/Transaction.h"
#include "data/tables/Catalogue.h"

namespace vd {

namespace {

std::string Quoted(const std::string& text) { return "'" + FixQuotes(text) + "'"; }

}  // namespace

bool PlanTokensKept(OdbcConnection& connection) { return TableExists(connection, clsPlanTokens::TableName); }

std::optional<TokenPlan> FindPlanToken(OdbcConnection& connection, const std::string& token) {
    const std::string sql = "select application, DocType, RateNum from " + clsPlanTokens::TableName +
                            " where Token = " + Quoted(token);
    DebugLog("FindPlanToken: SQL=" + sql);
    TableInfo row;
    row.Name = "PlanToken";
    ODBCExecSQL(sql, connection, row);
    if (row.RecordCount == 0) return std::nullopt;
    return TokenPlan{row.Field(0).Value.Text(), row.Field(1).Value.Text(), CInt(Val(row.Field(2).Value.Text()))};
}

void KeepPlanToken(OdbcConnection& connection, const std::string& token, const TokenPlan& plan,
                   const std::string& when) {
    const std::string sql = "insert into " + clsPlanTokens::TableName +
                            " (Token, application, DocType, RateNum, SavedAt) values (" + Quoted(token) + ", " +
                            Quoted(plan.Appl) + ", " + Quoted(plan.DocType) + ", " + std::to_string(plan.RateNum) +
                            ", " + Quoted(when) + ")";
    DebugLog("KeepPlanToken: SQL=" + sql);
    ExecStatement(connection, sql);
}

}  // namespace vd

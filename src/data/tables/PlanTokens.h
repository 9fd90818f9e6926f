// The tokens of the new-plan forms saved, kept in the billing database
// (VD_Plan_Tokens, Catalogue.h) where every program folder on that database
// sees them: a form saved through one web server is known to all the others.
// The token goes in with its plan, in the plan's transaction, so the two are
// stored together or not at all.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "data/ODBCAPI.h"

namespace vd {

// The plan a token's form added.
struct TokenPlan {
    std::string Appl, DocType;
    std::int16_t RateNum = 0;
};

// Whether the connection's database has the table. A site made before it
// existed has not: its program folders each know the tokens of their own
// audit trail only.
bool PlanTokensKept(OdbcConnection& connection);

// The plan the token was saved as; nothing when it was not saved.
std::optional<TokenPlan> FindPlanToken(OdbcConnection& connection, const std::string& token);

// Inside the transaction that stores the plan: keeps the token with its
// plan and the time (IsoUtc). A token kept already is refused by the
// table's key (IsKeyRefusal): another program saved the form meanwhile.
void KeepPlanToken(OdbcConnection& connection, const std::string& token, const TokenPlan& plan,
                   const std::string& when);

}  // namespace vd

// What a form knows of what it was drawn from, so that a save can tell a
// form drawn from an older state, or posted twice, from a current one: the
// version of vexweb.ini on the settings form, the version of the stored row
// on the plan form, a one-time token on the new-plan form. A post without
// the field (a script, the product's other pages) is taken as before; a
// field that belongs to something else is stale, and one that is not in the
// shape this program writes tells a form this program did not draw.
#pragma once

#include <string>
#include <string_view>

#include "cgi/Html.h"
#include "data/ODBCAPI.h"
#include "data/TableInfo.h"

namespace vd {

struct RunContext;

constexpr char IniVersionField[] = "IniVersion";
constexpr char PlanVersionField[] = "PlanVersion";
constexpr char PlanTokenField[] = "PlanToken";
constexpr char ConfirmDeleteField[] = "ConfirmDelete";

// Whether the request carries the field at all (an empty value included).
bool Posted(const char* field);

// True when the posted version is this one; the comparison takes the same
// time wherever they differ.
bool PostedVersionIs(const char* field, const std::string& current);

// The version of a stored row: a digest of every column's name and value
// (a missing value told from an empty text), the key columns included.
std::string RowVersion(const TableInfo& row);

// A new one-time token: 16 bytes of the system's random source as 32 hex
// digits. A source that fails is failure 75.
std::string NewFormToken();

// Whether the text has the shape of what this program puts on a form as a
// version (ContentDigest) or a token (NewFormToken): 32 lowercase hex digits.
bool IsFormVersion(std::string_view text);

// The token of a new plan's post, to go on its record, when it was not
// saved yet: saved tokens are looked up in the billing database's table
// through keptIn when it has one (PlanTokens.h), else on this folder's audit
// trail. A malformed token, or one that another database's plan was added
// from, is refused (SendStalePlan, which tells them apart); a token a plan
// was already added from answers "already saved as plan #n" and stores
// nothing. Both end the run. Called under the new-plan lock, in the
// transaction that stores the plan, so a second post waits for the first.
std::string FreshPlanToken(RunContext& run, const std::string& trailPath, OdbcConnection* keptIn);

// The settings save was refused: the page says so, names who saved last
// and when (when the trail knows), links to a fresh form; the run ends. A
// posted IniVersion that this program cannot have written gets the page
// "Settings not saved: this form was not drawn by this program. ..." with
// the same link instead.
[[noreturn]] void SendStaleSettings(RunContext& run, const std::string& trailPath);

// A plan change was refused (done: "saved" or "deleted"): the row changed or
// is gone since the form was drawn, or the form's token or version is not
// this plan's. Names the last change of the plan from the trail, links to
// the plan afresh (or to the rate plans when it is gone); the run ends. A
// version or token that this program cannot have written gets the page
// "Rate plan not saved: this form was not drawn by this program. ..."
// ("deleted", "delete" for a delete), linking to the plan's form afresh.
[[noreturn]] void SendStalePlan(RunContext& run, const std::string& trailPath, const char* done, bool gone);

// Who saved the settings last, as a refusal of a stale page names them:
// " by admin (alex) at 2026-12-09T03:30:00Z", or nothing when the trail has
// no record of it.
Html LastSettingsSaver(const std::string& trailPath);

}  // namespace vd

// The plan key that the rate plan form posts to a save or a delete.
#pragma once

namespace vd {

struct RunContext;

// Reads Appl, DocType and RateNum into the run's plan key. A RateNum that
// is empty or not a whole number, or an Appl and DocType that are empty or
// name no row of DocumentTypes, name no plan: the message page says so
// ("No rate plan was changed: ..."), the error log has its
// "vdconfig: refused:" line, nothing is changed and the run ends. A caller
// that checks the database itself, with a message of its own, leaves the
// database to it (listedDatabase false).
void ReadPostedPlanKey(RunContext& run, bool listedDatabase = true);

}  // namespace vd

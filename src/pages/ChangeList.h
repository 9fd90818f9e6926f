// The changed keys or fields of one change, as the confirmations and the
// history page show them: one line each, old -> new, every value escaped
// with its control characters shown as \xNN; and the way to the history.
#pragma once

#include <string>
#include <vector>

#include "cgi/Html.h"
#include "settings/AuditTrail.h"

namespace vd {

struct RunContext;

// The list as markup: "[Section] Key: "old" -> "new"" per change ((none)
// for a key or row that was not there or is gone); "nothing changed" for
// an empty list.
Html ChangeListHtml(const std::vector<AuditChange>& changes);

// The history page's address, and a link to it.
std::string HistoryAddress(const RunContext& run);
Html HistoryLink(const RunContext& run);

// Below a confirmation: the list and the link, as one block of markup.
Html ChangesBlock(const RunContext& run, const std::vector<AuditChange>& changes);

}  // namespace vd

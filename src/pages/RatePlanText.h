// Texts that the rate plan pages share.
#pragma once

#include <string>

namespace vd {

// A money value with the pattern "#.00": two decimals, rounded half away
// from zero on the value's 15 significant digits, no digit before the point
// when the whole part is 0 (".00", ".50", "-.50", "1.50"), no thousands
// separator. A value that rounds to zero is ".00".
std::string MoneyText(double value);

// The address of the selection page, for the links of the confirmations
// (a value: the message pages escape it).
struct RunContext;
std::string RatePlansAddress(const RunContext& run);

}  // namespace vd

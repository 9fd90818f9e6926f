#include "pages/RatePlanText.h"

#include "base/Numbers.h"
#include "pages/RunContext.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vd {

std::string MoneyText(double value) {
    if (!std::isfinite(value)) return NumberText(value);
    // The value's 15 significant digits d0.d1...d14 and its exponent.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    std::string digits(1, buf[0]);
    digits.append(buf + 2, 14);
    const int exponent = std::atoi(std::strchr(buf, 'e') + 1);

    // The value in whole cents: the digits down to the hundredths, rounded
    // on the next digit.
    const int hundredths = exponent + 2;  // index of the hundredths digit
    std::string cents;
    bool roundUp = false;
    if (hundredths >= 14) {
        cents = digits + std::string(static_cast<size_t>(hundredths - 14), '0');
    } else if (hundredths >= 0) {
        cents = digits.substr(0, static_cast<size_t>(hundredths) + 1);
        roundUp = digits[static_cast<size_t>(hundredths) + 1] >= '5';
    } else if (hundredths == -1) {
        roundUp = digits[0] >= '5';
    }
    if (roundUp) {
        int i = static_cast<int>(cents.size()) - 1;
        for (; i >= 0 && cents[static_cast<size_t>(i)] == '9'; --i) cents[static_cast<size_t>(i)] = '0';
        if (i >= 0)
            ++cents[static_cast<size_t>(i)];
        else
            cents.insert(cents.begin(), '1');
    }
    const size_t firstDigit = cents.find_first_not_of('0');
    cents = firstDigit == std::string::npos ? "" : cents.substr(firstDigit);
    const bool zero = cents.empty();
    if (cents.size() < 2) cents.insert(0, 2 - cents.size(), '0');
    std::string text = cents.substr(0, cents.size() - 2) + "." + cents.substr(cents.size() - 2);
    return (value < 0 && !zero) ? "-" + text : text;
}

std::string RatePlansAddress(const RunContext& run) {
    return run.Settings.WebScriptsPath + "vdconfig.exe?ConfigOption=RATE PLANS";
}

}  // namespace vd

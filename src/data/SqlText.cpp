#include "data/SqlText.h"

#include "base/RunError.h"
#include "base/TextUtil.h"

#include <cmath>
#include <cstdio>

namespace vd {

bool IsNumberText(std::string_view t) {
    size_t i = 0, n = t.size();
    if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
    bool digits = false;
    while (i < n && t[i] >= '0' && t[i] <= '9') ++i, digits = true;
    if (i < n && t[i] == '.') {
        ++i;
        while (i < n && t[i] >= '0' && t[i] <= '9') ++i, digits = true;
    }
    if (!digits) return false;
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
        bool expDigits = false;
        while (i < n && t[i] >= '0' && t[i] <= '9') ++i, expDigits = true;
        if (!expDigits) return false;
    }
    return i == n;
}

bool IsNumericType(FieldType type) {
    switch (type) {
        case FieldType::Bit:
        case FieldType::TinyInt:
        case FieldType::SmallInt:
        case FieldType::Integer:
        case FieldType::Numeric:
        case FieldType::Real:
        case FieldType::Double:
        case FieldType::BigInt: return true;
        default: return false;
    }
}

bool IsTextType(FieldType type) {
    switch (type) {
        case FieldType::Text:
        case FieldType::LongText:
        case FieldType::WideChar:
        case FieldType::WideVarChar:
        case FieldType::WideLongText: return true;
        default: return false;
    }
}

std::string SqlNumber(const FieldValue& value) {
    if (value.IsNumber()) {
        const std::string text = value.Text();
        if (IsNumberText(text)) return text;  // not inf or nan
    } else if (value.CountsAsText()) {
        std::string text = Trim(value.Text());
        if (IsNumberText(text)) return text;
    }
    Raise(Err::TypeMismatch);
}

namespace {

bool ReadInt(const std::string& s, size_t& i, int minDigits, int maxDigits, int& out) {
    int n = 0;
    out = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && n < maxDigits) out = out * 10 + (s[i++] - '0'), ++n;
    return n >= minDigits;
}

bool Expect(const std::string& s, size_t& i, char c) {
    if (i < s.size() && s[i] == c) return ++i, true;
    return false;
}

bool ValidDate(int y, int m, int d) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || m < 1 || m > 12 || d < 1) return false;
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= days[m - 1] + (m == 2 && leap ? 1 : 0);
}

}  // namespace

std::string SqlTimestamp(const std::string& input) {
    const std::string s = Trim(input);
    size_t i = 0;
    int y = 0, m = 0, d = 0, hh = 0, mm = 0, ss = 0;
    bool ok;
    if (s.size() >= 5 && s[4] == '-') {
        ok = ReadInt(s, i, 4, 4, y) && Expect(s, i, '-') && ReadInt(s, i, 1, 2, m) && Expect(s, i, '-') &&
             ReadInt(s, i, 1, 2, d);
    } else {
        ok = ReadInt(s, i, 1, 2, m) && Expect(s, i, '/') && ReadInt(s, i, 1, 2, d) && Expect(s, i, '/') &&
             ReadInt(s, i, 4, 4, y);
    }
    ok = ok && ValidDate(y, m, d);
    if (ok && i < s.size()) {
        ok = (Expect(s, i, ' ') || Expect(s, i, 'T'));
        while (ok && i < s.size() && s[i] == ' ') ++i;
        ok = ok && ReadInt(s, i, 1, 2, hh) && Expect(s, i, ':') && ReadInt(s, i, 2, 2, mm);
        if (ok && Expect(s, i, ':')) ok = ReadInt(s, i, 2, 2, ss);
        if (ok && Expect(s, i, '.')) {
            int fraction;
            ok = ReadInt(s, i, 1, 9, fraction);
        }
        size_t j = i;
        while (j < s.size() && s[j] == ' ') ++j;
        if (ok && j < s.size()) {
            const std::string ampm = UCase(s.substr(j));
            if ((ampm == "AM" || ampm == "PM") && hh >= 1 && hh <= 12) {
                hh = hh % 12 + (ampm == "PM" ? 12 : 0);
                i = s.size();
            } else {
                ok = false;
            }
        }
        ok = ok && i == s.size() && hh <= 23 && mm <= 59 && ss <= 59;
    }
    if (!ok) Raise(Err::TypeMismatch);
    char buf[64];
    if (hh == 0 && mm == 0 && ss == 0)
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
    else
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d, hh, mm, ss);
    return buf;
}

}  // namespace vd

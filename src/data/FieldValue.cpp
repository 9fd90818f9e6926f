#include "data/FieldValue.h"

#include "cgi/Numbers.h"
#include "cgi/RunError.h"
#include "cgi/TextUtil.h"
#include "data/SqlText.h"

#include <cmath>

namespace vd {

std::string FieldValue::Text() const {
    if (const auto* i = std::get_if<std::int64_t>(&v_)) return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&v_)) return NumberText(*d);
    if (const auto* s = std::get_if<std::string>(&v_)) return *s;
    return "";
}

double FieldValue::ToDouble() const {
    if (const auto* i = std::get_if<std::int64_t>(&v_)) return static_cast<double>(*i);
    if (const auto* d = std::get_if<double>(&v_)) return *d;
    if (const auto* s = std::get_if<std::string>(&v_)) {
        const std::string t = Trim(*s);
        if (IsNumberText(t)) return Val(t);
    }
    Raise(Err::TypeMismatch);
}

std::int16_t FieldValue::ToInt16() const { return CInt(ToDouble()); }

bool FieldValue::ToBool() const {
    if (const auto* s = std::get_if<std::string>(&v_)) {
        const std::string t = Trim(*s);
        if (EqualsNoCase(t, "True")) return true;
        if (EqualsNoCase(t, "False")) return false;
    }
    return ToDouble() != 0;
}

}  // namespace vd

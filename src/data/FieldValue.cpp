#include "data/FieldValue.h"

#include "base/Numbers.h"
#include "base/RunError.h"
#include "base/TextUtil.h"
#include "data/SqlText.h"

#include <cmath>

namespace vd {

std::string FieldValue::Text() const {
    if (const auto* s = std::get_if<std::string>(&v_)) return *s;
    if (const auto* i = std::get_if<std::int64_t>(&v_)) return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&v_)) return NumberText(*d);
    if (const auto* i = std::get_if<IntText>(&v_)) return std::to_string(i->v);
    if (const auto* d = std::get_if<RealText>(&v_)) return NumberText(d->v);
    return "";
}

double FieldValue::ToDouble() const {
    if (const auto* i = std::get_if<std::int64_t>(&v_)) return static_cast<double>(*i);
    if (const auto* d = std::get_if<double>(&v_)) return *d;
    if (CountsAsText()) {
        const std::string t = Trim(Text());
        if (IsNumberText(t)) return Val(t);
    }
    Raise(Err::TypeMismatch);
}

std::int16_t FieldValue::ToInt16() const { return CInt(ToDouble()); }

bool FieldValue::ToBool() const {
    if (CountsAsText()) {
        const std::string t = Trim(Text());
        if (EqualsNoCase(t, "True")) return true;
        if (EqualsNoCase(t, "False")) return false;
    }
    return ToDouble() != 0;
}

FieldValue FieldValue::ToTextValue() const {
    FieldValue out;
    if (const auto* i = std::get_if<std::int64_t>(&v_)) out.v_ = IntText{*i};
    else if (const auto* d = std::get_if<double>(&v_)) out.v_ = RealText{*d};
    else if (IsEmpty()) out.v_ = std::string();
    else out.v_ = v_;
    return out;
}

bool FieldValue::operator==(const FieldValue& other) const {
    if (IsNumberShownAsText() || other.IsNumberShownAsText())
        return CountsAsText() && other.CountsAsText() && Text() == other.Text();
    return v_ == other.v_;
}

}  // namespace vd

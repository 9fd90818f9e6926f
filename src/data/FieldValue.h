// The value of one field of a table record: empty (never assigned, or NULL
// read as empty text), a number (integer or double) or a text.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace vd {

class FieldValue {
public:
    FieldValue() = default;
    FieldValue(std::int64_t v) : v_(v) {}
    FieldValue(int v) : v_(static_cast<std::int64_t>(v)) {}
    FieldValue(std::int16_t v) : v_(static_cast<std::int64_t>(v)) {}
    FieldValue(double v) : v_(v) {}
    FieldValue(std::string v) : v_(std::move(v)) {}
    FieldValue(const char* v) : v_(std::string(v)) {}

    bool IsEmpty() const { return std::holds_alternative<std::monostate>(v_); }
    bool IsNumber() const { return std::holds_alternative<std::int64_t>(v_) || std::holds_alternative<double>(v_); }
    bool IsText() const { return std::holds_alternative<std::string>(v_); }
    // Set: a number (0 included) or a non-empty text.
    bool IsSet() const { return IsNumber() || (IsText() && !std::get<std::string>(v_).empty()); }

    // The value as text: numbers in their ordinary decimal form, empty as "".
    std::string Text() const;
    // The value as a number; an empty value or a text that is not a number
    // is failure 13 "Type mismatch".
    double ToDouble() const;
    // Rounded, halves to even; outside -32768..32767 is failure 6.
    std::int16_t ToInt16() const;
    // Non-zero is true; an empty value or non-numeric text is failure 13.
    bool ToBool() const;

    bool operator==(const FieldValue&) const = default;

private:
    std::variant<std::monostate, std::int64_t, double, std::string> v_;
};

}  // namespace vd

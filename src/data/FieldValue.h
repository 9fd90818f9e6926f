// The value of one field of a table record: empty (never assigned, or NULL
// read as empty text), a number (integer or double) or a text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
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
    // A text, or a number that stands for its text (ToTextValue): SQL
    // writes it quoted.
    bool CountsAsText() const { return std::holds_alternative<std::string>(v_) || IsNumberShownAsText(); }
    // Filled: a number (0 included) or a non-empty text.
    bool IsFilled() const {
        const auto* s = std::get_if<std::string>(&v_);
        return s ? !s->empty() : !IsEmpty();
    }

    // The value as text: numbers in their ordinary decimal form, empty as "".
    std::string Text() const;
    // The value as a number; an empty value or a text that is not a number
    // is failure 13 "Type mismatch".
    double ToDouble() const;
    // Rounded, halves to even; outside -32768..32767 is failure 6.
    std::int16_t ToInt16() const;
    // Non-zero is true; an empty value or non-numeric text is failure 13.
    bool ToBool() const;

    // The value as the text it reads as: the same as FieldValue(Text()) (an
    // empty value gives ""), except that a number keeps its binary form
    // and is written out only when its text is asked for.
    FieldValue ToTextValue() const;

    // Whether the value is this very text (a text, not a number).
    bool IsThisText(std::string_view text) const {
        const auto* s = std::get_if<std::string>(&v_);
        return s && *s == text;
    }

    bool operator==(const FieldValue& other) const;

private:
    // A number standing for its text (see ToTextValue).
    struct IntText {
        std::int64_t v;
        bool operator==(const IntText&) const = default;
    };
    struct RealText {
        double v;
        bool operator==(const RealText&) const = default;
    };
    bool IsNumberShownAsText() const {
        return std::holds_alternative<IntText>(v_) || std::holds_alternative<RealText>(v_);
    }
    std::variant<std::monostate, std::int64_t, double, std::string, IntText, RealText> v_;
};

}  // namespace vd

#include "data/TableInfo.h"

#include "base/RunError.h"

namespace vd {

int& GridNumber::Given_() {
    static int given = 0;
    return given;
}

void GridNumber::Give() {
    if (n_ == 0) n_ = ++Given_();
}

void GridNumber::ResetNumbering() { Given_() = 0; }

FieldEntry& TableInfo::Field(int position) {
    if (position < 0 || static_cast<size_t>(position) >= Fields.size()) Raise(Err::Subscript);
    return Fields[static_cast<size_t>(position)];
}

const FieldEntry& TableInfo::Field(int position) const {
    if (position < 0 || static_cast<size_t>(position) >= Fields.size()) Raise(Err::Subscript);
    return Fields[static_cast<size_t>(position)];
}

}  // namespace vd

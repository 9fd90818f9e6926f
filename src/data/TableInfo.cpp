#include "data/TableInfo.h"

#include "base/RunError.h"

namespace vd {

void GridNumber::Give() {
    static int given = 0;
    if (n_ == 0) n_ = ++given;
}

FieldEntry& TableInfo::Field(int position) {
    if (position < 0 || static_cast<size_t>(position) >= Fields.size()) Raise(Err::Subscript);
    return Fields[static_cast<size_t>(position)];
}

const FieldEntry& TableInfo::Field(int position) const {
    if (position < 0 || static_cast<size_t>(position) >= Fields.size()) Raise(Err::Subscript);
    return Fields[static_cast<size_t>(position)];
}

}  // namespace vd

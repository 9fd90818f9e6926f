#include "data/TableInfo.h"

#include "base/ProcessState.h"
#include "base/RunError.h"

namespace vd {

namespace {
// The ordinals given so far in the run.
struct GridsNumbered {
    int given = 0;
};
}  // namespace

void GridNumber::Give() {
    if (n_ == 0) n_ = ++ProcessState::Of<GridsNumbered>().given;
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

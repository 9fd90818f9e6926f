#include "base/ProcessState.h"

namespace vd {

size_t ProcessState::NextSlot() {
    static size_t count = 0;
    return count++;
}

std::vector<std::unique_ptr<ProcessState::Held>>& ProcessState::Slots() {
    static std::vector<std::unique_ptr<Held>> slots;
    return slots;
}

void ProcessState::Reset() {
    std::vector<std::unique_ptr<Held>>& held = Slots();
    for (size_t i = held.size(); i-- > 0;) held[i].reset();
}

}  // namespace vd

// Column positions 0, 1, 2, ... for catalogue entries without column names.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vd {

template <std::size_t N>
constexpr std::array<std::int16_t, N> Positions() {
    std::array<std::int16_t, N> p{};
    for (std::size_t i = 0; i < N; ++i) p[i] = static_cast<std::int16_t>(i);
    return p;
}

}  // namespace vd

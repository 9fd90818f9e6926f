#include "settings/ContentDigest.h"

#include <cstdint>
#include <cstring>

namespace vd {

namespace {

// Four lanes take 32 bytes a round, each lane one 8-byte word with a
// multiply, a rotation and a second multiply; the length and a final
// avalanche of each half make the 128 bits.
constexpr std::uint64_t P1 = 0x9E3779B185EBCA87ULL;
constexpr std::uint64_t P2 = 0xC2B2AE3D27D4EB4FULL;
constexpr std::uint64_t P3 = 0x165667B19E3779F9ULL;
constexpr std::uint64_t P4 = 0x85EBCA77C2B2AE63ULL;

inline std::uint64_t Rotl(std::uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }

inline std::uint64_t Word(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

inline std::uint64_t Round(std::uint64_t lane, std::uint64_t word) { return Rotl(lane + word * P2, 31) * P1; }

inline std::uint64_t Avalanche(std::uint64_t h) {
    h ^= h >> 33;
    h *= P2;
    h ^= h >> 29;
    h *= P3;
    h ^= h >> 32;
    return h;
}

}  // namespace

std::string ContentDigest(std::string_view bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    std::uint64_t a = P1 + P2, b = P2, c = 0, d = 0 - P1;
    for (; left >= 32; p += 32, left -= 32) {
        a = Round(a, Word(p));
        b = Round(b, Word(p + 8));
        c = Round(c, Word(p + 16));
        d = Round(d, Word(p + 24));
    }
    // The last bytes, zero-padded to a round; the length tells "ab" from "ab\0".
    char tail[32] = {};
    std::memcpy(tail, p, left);
    a = Round(a, Word(tail));
    b = Round(b, Word(tail + 8));
    c = Round(c, Word(tail + 16));
    d = Round(d, Word(tail + 24));
    const std::uint64_t length = static_cast<std::uint64_t>(bytes.size());
    std::uint64_t h1 = Rotl(a, 1) + Rotl(b, 7) + Rotl(c, 12) + Rotl(d, 18) + length * P4;
    std::uint64_t h2 = (a ^ Rotl(b, 23)) * P3 + (c ^ Rotl(d, 41)) * P1 + length;
    h1 = Avalanche(h1 ^ (h2 >> 17));
    h2 = Avalanche(h2 + h1 * P4);
    static const char* hex = "0123456789abcdef";
    std::string out(DigestLength, '0');
    for (int i = 0; i < 16; ++i) {
        out[i] = hex[(h1 >> (60 - 4 * i)) & 15];
        out[16 + i] = hex[(h2 >> (60 - 4 * i)) & 15];
    }
    return out;
}

bool SameDigest(std::string_view posted, std::string_view current) {
    unsigned char diff = posted.size() == current.size() ? 0 : 1;
    for (size_t i = 0; i < posted.size(); ++i)
        diff |= static_cast<unsigned char>(posted[i] ^ (i < current.size() ? current[i] : 0));
    return diff == 0;
}

}  // namespace vd

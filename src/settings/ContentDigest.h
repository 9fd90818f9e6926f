// The version of a text: a 128-bit digest of its bytes, written as 32
// lowercase hex digits. It tells whether a file or a row changed since a
// form was drawn from it; it is no protection against someone who sets out
// to forge one (whoever can post a form can leave the field out anyway).
#pragma once

#include <string>
#include <string_view>

namespace vd {

constexpr size_t DigestLength = 32;  // hex digits

std::string ContentDigest(std::string_view bytes);

// True when the two are equal; the time taken does not depend on where they
// differ (only on the length of the posted one).
bool SameDigest(std::string_view posted, std::string_view current);

}  // namespace vd

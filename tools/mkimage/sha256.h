#pragma once
// SHA-256 (FIPS 180-4) of a byte string, for the ground truth's message digests.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace mkimage {

std::array<uint8_t, 32> Sha256(std::string_view bytes);
// The digest as 64 lower-case hex digits.
std::string Sha256Hex(std::string_view bytes);

}  // namespace mkimage

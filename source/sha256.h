#pragma once
// SHA-256 (FIPS 180-4) of byte strings, for checking recovered files against what was stored.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CSha256 {
 public:
  CSha256();
  // Adds `length` bytes; may be called any number of times before Digest().
  void Update(const void* data, size_t length);
  // The 32-byte digest of everything added. The object must not be updated afterwards.
  std::array<uint8_t, 32> Digest();

 private:
  void Block(const uint8_t* p);

  uint32_t m_h[8];
  uint8_t m_buf[64];
  size_t m_nBuf = 0;
  uint64_t m_nBytes = 0;
};

// Lower-case hexadecimal SHA-256 of `bytes` (64 characters).
std::string Sha256Hex(std::string_view bytes);

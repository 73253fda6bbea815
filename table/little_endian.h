#pragma once
// Little-endian integers in the bytes of DBF headers, records and memo files.

#include <cstddef>
#include <cstdint>

namespace tabulink {

inline void putLittleEndian(char* dest, uint64_t bits, size_t bytes) {
  for (size_t i = 0; i < bytes; ++i)
    dest[i] = static_cast<char>(bits >> (8 * i) & 0xFF);
}

inline uint64_t getLittleEndian(const char* src, size_t bytes) {
  uint64_t bits = 0;
  for (size_t i = 0; i < bytes; ++i)
    bits |= static_cast<uint64_t>(static_cast<uint8_t>(src[i])) << (8 * i);
  return bits;
}

}  // namespace tabulink

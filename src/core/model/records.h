#pragma once
// Helpers for the value layouts that many items share: short strings (a length byte and
// a fixed capacity of cp1251 characters) and arrays of little-endian numbers.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "model/image.h"

namespace vilk {

// Writes capacity + 1 bytes: the length, the cp1251 characters, zeros after them.
void PackShortString(const std::string& utf8, std::size_t capacity, std::uint8_t* out);
// Reads a short string; a length byte beyond the capacity is clipped to it.
std::string UnpackShortString(const std::uint8_t* in, std::size_t capacity);

void WriteShortString(TConfig& cfg, std::uint16_t key, const std::string& utf8,
                      std::size_t capacity);
// Leaves `utf8` as it is when the key is missing.
bool ReadShortString(TConfig& cfg, std::uint16_t key, std::size_t capacity, std::string& utf8);

template <typename T>
T LoadLE(const std::uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);  // the image is little-endian, and so are our targets
  return v;
}

// Reads an array record of T; at most `maxCount` entries (what the record holds).
template <typename T>
bool ReadArray(TConfig& cfg, std::uint16_t key, std::size_t maxCount, std::vector<T>& out) {
  const std::uint8_t* data;
  std::size_t size;
  if (!cfg.FindValue(key, &data, &size)) return false;
  const std::size_t n = std::min(maxCount, size / sizeof(T));
  out.resize(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = LoadLE<T>(data + i * sizeof(T));
  return true;
}

template <typename T>
void WriteArray(TConfig& cfg, std::uint16_t key, const std::vector<T>& values) {
  cfg.WriteValue(key, values.data(), values.size() * sizeof(T));
}

}  // namespace vilk

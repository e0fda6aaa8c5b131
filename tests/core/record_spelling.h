#pragma once
// Records spelled out by hand from the record layout, for byte-exact expectations: value
// records (F2 FF, key, length, data) and blocks (F1 FF, id, length, contents).
#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace vilk::test {

using ByteVec = std::vector<std::uint8_t>;

inline ByteVec U16(int v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
}
inline ByteVec U32(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
          static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}
inline ByteVec Join(std::initializer_list<ByteVec> parts) {
  ByteVec out;
  for (const ByteVec& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
// A value record: F2 FF, key, length including the 8 header bytes, data.
inline ByteVec Rec(int key, const ByteVec& data) {
  return Join({{0xF2, 0xFF}, U16(key), U32(static_cast<std::uint32_t>(8 + data.size())), data});
}
// A block: F1 FF, id, length including the header, its records.
inline ByteVec Blk(int id, std::initializer_list<ByteVec> parts) {
  const ByteVec body = Join(parts);
  return Join({{0xF1, 0xFF}, U16(id), U32(static_cast<std::uint32_t>(8 + body.size())), body});
}
// A 65-byte place field: length, cp1251 characters, zeros.
inline ByteVec Place65(const std::string& cp1251) {
  ByteVec out(65, 0);
  out[0] = static_cast<std::uint8_t>(cp1251.size());
  std::copy_n(cp1251.begin(), std::min<std::size_t>(cp1251.size(), 64), out.begin() + 1);
  return out;
}

}  // namespace vilk::test

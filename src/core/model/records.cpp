#include "model/records.h"

#include <algorithm>

#include "base/text.h"

namespace vilk {

void PackShortString(const std::string& utf8, std::size_t capacity, std::uint8_t* out) {
  const std::string bytes = Utf8ToCp1251(utf8);
  const std::size_t n = std::min({bytes.size(), capacity, std::size_t{255}});
  out[0] = static_cast<std::uint8_t>(n);
  std::memcpy(out + 1, bytes.data(), n);
  std::memset(out + 1 + n, 0, capacity - n);
}

std::string UnpackShortString(const std::uint8_t* in, std::size_t capacity) {
  const std::size_t n = std::min<std::size_t>(in[0], capacity);
  return Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(in + 1), n));
}

void WriteShortString(TConfig& cfg, std::uint16_t key, const std::string& utf8,
                      std::size_t capacity) {
  std::vector<std::uint8_t> buf(capacity + 1);
  PackShortString(utf8, capacity, buf.data());
  cfg.WriteValue(key, buf.data(), buf.size());
}

bool ReadShortString(TConfig& cfg, std::uint16_t key, std::size_t capacity, std::string& utf8) {
  const std::uint8_t* data;
  std::size_t size;
  if (!cfg.FindValue(key, &data, &size) || size == 0) return false;
  // A short record holds fewer characters than its length byte may claim.
  const std::size_t cap = std::min(capacity, size - 1);
  utf8 = UnpackShortString(data, cap);
  return true;
}

}  // namespace vilk

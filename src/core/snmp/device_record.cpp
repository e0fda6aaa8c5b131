#include "snmp/device_record.h"

#include <algorithm>
#include <cstring>

#include "base/text.h"

namespace vilk {

namespace {

void PutU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

std::uint16_t GetU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace

bool TSNMP_Tag::Make(const std::string& name, const OidValue& oid, TSNMP_Tag* tag) {
  const TASNObjectIdentifier asn(oid);
  if (!asn.Fits()) return false;
  TSNMP_Tag t;
  t.Name = Truncate(name, kMaxNameChars);
  std::size_t n = 0;
  asn.WriteContent(t.Oid.data(), n);
  t.OidLength = static_cast<std::uint8_t>(n);
  *tag = t;
  return true;
}

std::vector<std::uint8_t> TSNMP_device::Serialize() const {
  std::vector<std::uint8_t> out;
  PutU16(out, Reserved);
  for (const std::uint8_t b : Address) out.push_back(b);
  PutU16(out, UdpPort);
  PutU16(out, Param1);
  PutU16(out, Param2);
  const auto count = static_cast<std::uint32_t>(Tags.size());
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(count >> (8 * i)));
  for (const TSNMP_Tag& tag : Tags) {
    const std::string name = Utf8ToCp1251(Truncate(tag.Name, TSNMP_Tag::kMaxNameChars));
    out.push_back(static_cast<std::uint8_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    const std::size_t m = tag.OidLength > TSNMP_Tag::kMaxOid ? TSNMP_Tag::kMaxOid : tag.OidLength;
    out.push_back(static_cast<std::uint8_t>(m));
    out.insert(out.end(), tag.Oid.begin(), tag.Oid.begin() + static_cast<long>(m));
  }
  return out;
}

bool TSNMP_device::Parse(const std::uint8_t* data, std::size_t size, std::uint32_t* storedCount) {
  Tags.clear();
  if (storedCount) *storedCount = 0;
  if (size < kHeaderSize) return false;
  Reserved = GetU16(data);
  std::memcpy(Address.data(), data + 2, 4);
  UdpPort = GetU16(data + 6);
  Param1 = GetU16(data + 8);
  Param2 = GetU16(data + 10);
  std::uint32_t count = 0;
  for (int i = 0; i < 4; ++i) count |= static_cast<std::uint32_t>(data[12 + i]) << (8 * i);
  if (storedCount) *storedCount = count;
  count = std::min(count, kMaxTags);

  std::size_t at = kHeaderSize;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (at >= size) return false;
    const std::size_t n = data[at++];
    if (n > TSNMP_Tag::kMaxNameChars || n > size - at) return false;
    TSNMP_Tag tag;
    tag.Name = Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(data + at), n));
    at += n;
    if (at >= size) return false;
    const std::size_t m = data[at++];
    if (m > TSNMP_Tag::kMaxOid || m > size - at) return false;
    std::memcpy(tag.Oid.data(), data + at, m);
    tag.OidLength = static_cast<std::uint8_t>(m);
    at += m;
    Tags.push_back(tag);
  }
  return true;
}

}  // namespace vilk

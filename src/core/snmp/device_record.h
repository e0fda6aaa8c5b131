#pragma once
// What an SNMP device is polled for: its address, the controller's SNMP parameters and the
// tags (a name and the BER content of an object identifier), and the device record that
// carries them in the configuration image.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "snmp/asn1.h"

namespace vilk {

struct TSNMP_Tag {
  static constexpr std::size_t kMaxNameChars = 63;
  static constexpr std::size_t kMaxOid = TASNObjectIdentifier::kMaxContent;

  std::string Name;  // at most 63 characters
  std::array<std::uint8_t, kMaxOid> Oid{};
  std::uint8_t OidLength = 0;

  // A tag for `oid`; false when its encoding does not fit the 32 octets.
  static bool Make(const std::string& name, const OidValue& oid, TSNMP_Tag* tag);
  bool operator==(const TSNMP_Tag& other) const = default;
};

using TSNMP_TagList = std::vector<TSNMP_Tag>;

struct TSNMP_device {
  static constexpr std::size_t kHeaderSize = 16;
  // A device's tags are its measurements: no more than a signal list holds.
  static constexpr std::uint32_t kMaxTags = 8192;

  std::uint16_t Reserved = 0;
  std::array<std::uint8_t, 4> Address{192, 168, 1, 0};  // first byte first
  std::uint16_t UdpPort = 161;
  std::uint16_t Param1 = 3;  // the controller's; stored as set at creation
  std::uint16_t Param2 = 10;
  TSNMP_TagList Tags;

  // The device record: 12 bytes of fields, the tag count, then name and identifier of
  // each tag (little-endian, names in cp1251).
  std::vector<std::uint8_t> Serialize() const;
  // Reads a device record. The tags are replaced by those read; a record that ends early
  // or holds a name longer than 63 or an identifier longer than 32 octets stops there,
  // keeping the tags read so far, and gives false.
  // At most kMaxTags are read; `storedCount` (when given) receives the count the record names.
  bool Parse(const std::uint8_t* data, std::size_t size, std::uint32_t* storedCount = nullptr);
};

}  // namespace vilk

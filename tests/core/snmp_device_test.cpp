// The SNMP device record: the bytes the controller reads, and parsing of damaged records.
#include "snmp/device_record.h"

#include <gtest/gtest.h>

#include <vector>

namespace vilk {
namespace {

using Bytes = std::vector<std::uint8_t>;

TSNMP_Tag Tag(const std::string& name, std::initializer_list<std::uint32_t> arcs) {
  OidValue oid;
  for (std::uint32_t a : arcs) oid.Append(a);
  TSNMP_Tag tag;
  EXPECT_TRUE(TSNMP_Tag::Make(name, oid, &tag));
  return tag;
}

const Bytes kHeader = {0x00, 0x00, 0xC0, 0xA8, 0x01, 0x00, 0xA1, 0x00, 0x03, 0x00, 0x0A, 0x00};

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(SnmpDeviceRecord, SerialisesFieldsThenTags) {
  TSNMP_device device;
  EXPECT_EQ(device.Serialize(), Cat({kHeader, {0, 0, 0, 0}}));

  device.Tags = {Tag("sysUpTime", {1, 3, 6, 1, 2, 1, 1, 3}), Tag("Ток", {1, 3, 6, 1, 4, 1, 200})};
  device.Address = {10, 0, 0, 254};
  const Bytes expected = {
      0x00, 0x00, 0x0A, 0x00, 0x00, 0xFE, 0xA1, 0x00, 0x03, 0x00, 0x0A, 0x00,  // fields
      0x02, 0x00, 0x00, 0x00,                                                  // two tags
      0x09, 's',  'y',  's',  'U',  'p',  'T',  'i',  'm',  'e',               //
      0x07, 0x2B, 0x06, 0x01, 0x02, 0x01, 0x01, 0x03,                          //
      0x03, 0xD2, 0xEE, 0xEA,                                                  // "Ток" in cp1251
      0x07, 0x2B, 0x06, 0x01, 0x04, 0x01, 0x81, 0x48,
  };
  EXPECT_EQ(device.Serialize(), expected);

  TSNMP_device back;
  back.Address = {1, 2, 3, 4};
  ASSERT_TRUE(back.Parse(expected.data(), expected.size()));
  EXPECT_EQ(back.Address, (std::array<std::uint8_t, 4>{10, 0, 0, 254}));
  EXPECT_EQ(back.UdpPort, 161);
  EXPECT_EQ(back.Param1, 3);
  EXPECT_EQ(back.Param2, 10);
  EXPECT_EQ(back.Tags, device.Tags);
  EXPECT_EQ(back.Tags[1].Name, "Ток");
}

TEST(SnmpDeviceRecord, NamesAreCutTo63CharactersAndIdentifiersTo32Octets) {
  const std::string long64(64, 'n');
  const TSNMP_Tag tag = Tag(long64, {1, 3, 6});
  EXPECT_EQ(tag.Name, std::string(63, 'n'));
  TSNMP_device device;
  device.Tags = {tag};
  const Bytes record = device.Serialize();
  ASSERT_EQ(record.size(), 16u + 1 + 63 + 1 + 2);
  EXPECT_EQ(record[16], 63);

  OidValue tooLong;
  tooLong.Append(1);
  tooLong.Append(3);
  for (int i = 0; i < 11; ++i) tooLong.Append(16384);  // 1 + 33 octets
  TSNMP_Tag refused;
  EXPECT_FALSE(TSNMP_Tag::Make("x", tooLong, &refused));
}

TEST(SnmpDeviceRecord, DamagedRecordsKeepTheTagsReadSoFar) {
  const Bytes good = {0x01, 'a', 0x02, 0x2B, 0x06};
  struct Case {
    const char* what;
    Bytes tail;  // after the count
    std::uint32_t count;
    std::size_t tagsKept;
    bool ok;
  };
  const Case cases[] = {
      {"two good tags", Cat({good, good}), 2, 2, true},
      {"an empty name", Cat({good, {0x00, 0x01, 0x2B}}), 2, 2, true},
      {"name of 63", Cat({good, {63}, Bytes(63, 'x'), {0x01, 0x2B}}), 2, 2, true},
      {"name of 64", Cat({good, {64}, Bytes(64, 'x'), {0x01, 0x2B}}), 2, 1, false},
      {"identifier of 32", Cat({good, {0x01, 'b', 32}, Bytes(32, 0x01)}), 2, 2, true},
      {"identifier of 33", Cat({good, {0x01, 'b', 33}, Bytes(33, 0x01)}), 2, 1, false},
      {"identifier length 223", Cat({good, {0x01, 'b', 223}, Bytes(223, 0x01)}), 2, 1, false},
      {"identifier length 251", Cat({good, {0x01, 'b', 251}, Bytes(251, 0x01)}), 2, 1, false},
      {"name past the end", Cat({good, {0x05, 'a', 'b'}}), 2, 1, false},
      {"identifier past the end", Cat({good, {0x01, 'b', 0x05, 0x2B}}), 2, 1, false},
      {"ends before the identifier length", Cat({good, {0x01, 'b'}}), 2, 1, false},
      {"count above the tags", Cat({good, good}), 5, 2, false},
      {"count of four billion", good, 0xFFFFFFFF, 1, false},
  };
  for (const Case& c : cases) {
    Bytes record = kHeader;
    for (int i = 0; i < 4; ++i) record.push_back(static_cast<std::uint8_t>(c.count >> (8 * i)));
    record.insert(record.end(), c.tail.begin(), c.tail.end());
    TSNMP_device device;
    device.Tags = {Tag("old", {1, 3})};
    EXPECT_EQ(device.Parse(record.data(), record.size()), c.ok) << c.what;
    ASSERT_EQ(device.Tags.size(), c.tagsKept) << c.what;
    EXPECT_EQ(device.Tags[0].Name, "a") << c.what;
    EXPECT_EQ(device.Tags[0].OidLength, 2) << c.what;
  }
}

TEST(SnmpDeviceRecord, ARecordShorterThanItsFieldsChangesNothingButTheTags) {
  TSNMP_device device;
  device.Address = {1, 2, 3, 4};
  device.Tags = {Tag("old", {1, 3})};
  const Bytes shortRecord(15, 0xFF);
  EXPECT_FALSE(device.Parse(shortRecord.data(), shortRecord.size()));
  EXPECT_TRUE(device.Tags.empty());
  EXPECT_EQ(device.Address, (std::array<std::uint8_t, 4>{1, 2, 3, 4}));
  EXPECT_FALSE(device.Parse(nullptr, 0));
}

}  // namespace
}  // namespace vilk

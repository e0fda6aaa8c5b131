// The repeat rule of signal names: marked by position, counted on past names already taken,
// every name of the list unique in the end; and the bounds of an SNMP device's tags.
#include "signals/names.h"

#include <gtest/gtest.h>

#include <unordered_set>

#include "base/format.h"
#include "snmp/device_record.h"

namespace vilk {
namespace {

TEST(MarkRepeatsTest, RepeatsTakeTheirPositionAndCountOnPastTakenNames) {
  std::vector<std::string> names{"a", "b", "a", "a_повтор3", "a", "a", "b"};
  MarkRepeats(names);
  EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "a_повтор2", "a_повтор3", "a_повтор4",
                                             "a_повтор5", "b_повтор6"}));
  // A crafted name in the way: the repeat counts on to the next free number.
  names = {"x", "x_повтор1", "x_повтор2", "x"};
  MarkRepeats(names);
  EXPECT_EQ(names.back(), "x_повтор3");
}

// Thousands of crafted names followed by thousands of repeats: all unique afterwards (the
// time it takes is measured in the benchmarks).
TEST(MarkRepeatsTest, CraftedListsEndUnique) {
  std::vector<std::string> names;
  for (int i = 0; i < 3000; ++i) names.push_back(Format("a_повтор%d", 3000 + i));
  for (int i = 0; i < 3000; ++i) names.push_back("a");
  MarkRepeats(names);
  const std::unordered_set<std::string> unique(names.begin(), names.end());
  EXPECT_EQ(unique.size(), names.size());
  EXPECT_EQ(names[3000], "a");
  EXPECT_EQ(names[3001], "a_повтор6000");
}

// A record naming more tags than a measurement list holds is read up to that bound, and
// says how many it named.
TEST(SnmpTagBoundTest, AtMost8192TagsAreRead) {
  std::vector<std::uint8_t> record(TSNMP_device::kHeaderSize, 0);
  const std::uint32_t count = 9000;
  for (int i = 0; i < 4; ++i)
    record[12 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(count >> (8 * i));
  for (std::uint32_t i = 0; i < count; ++i) {
    record.push_back(1);
    record.push_back('t');
    record.push_back(1);
    record.push_back(6);
  }
  TSNMP_device device;
  std::uint32_t stored = 0;
  EXPECT_TRUE(device.Parse(record.data(), record.size(), &stored));
  EXPECT_EQ(stored, count);
  EXPECT_EQ(device.Tags.size(), TSNMP_device::kMaxTags);
}

}  // namespace
}  // namespace vilk

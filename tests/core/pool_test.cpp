// The fixed-size pool behind the signals: room reused, never handed out twice, aligned, and
// (in a sanitizer build) a slot given back is poisoned.
#include "base/pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

namespace vilk {
namespace {

using Pool = FixedPool<40, 16, 8>;  // small blocks, so that the tests cross them

TEST(FixedPoolTest, HandsOutDistinctAlignedRoomAndReusesIt) {
  Pool pool;
  std::vector<void*> taken;
  std::set<void*> distinct;
  for (int i = 0; i < 20; ++i) {  // two and a half blocks
    void* p = pool.Take();
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(p) % 16, 0u);
    taken.push_back(p);
    distinct.insert(p);
    std::memset(p, 0xAB, 40);  // the whole slot is writable
  }
  EXPECT_EQ(distinct.size(), 20u);
  EXPECT_EQ(pool.InUse(), 20u);
  EXPECT_EQ(pool.Blocks(), 3u);
  // No slot overlaps another.
  std::vector<std::uintptr_t> sorted;
  for (void* p : taken) sorted.push_back(reinterpret_cast<std::uintptr_t>(p));
  std::sort(sorted.begin(), sorted.end());
  for (std::size_t i = 1; i < sorted.size(); ++i) EXPECT_GE(sorted[i] - sorted[i - 1], 40u);

  for (void* p : taken) pool.Give(p);
  pool.Give(nullptr);
  EXPECT_EQ(pool.InUse(), 0u);
  // A second round of the same size takes no new block and only slots given back.
  for (int i = 0; i < 20; ++i) EXPECT_TRUE(distinct.count(pool.Take()));
  EXPECT_EQ(pool.Blocks(), 3u);
  EXPECT_EQ(pool.InUse(), 20u);
}

TEST(FixedPoolTest, LastGivenIsFirstTaken) {
  Pool pool;
  void* a = pool.Take();
  void* b = pool.Take();
  pool.Give(a);
  EXPECT_EQ(pool.Take(), a);
  pool.Give(b);
  EXPECT_EQ(pool.Take(), b);
}

#if defined(VILK_ASAN)
TEST(FixedPoolDeathTest, UseAfterGiveIsCaught) {
  EXPECT_DEATH(
      {
        Pool pool;
        auto* p = static_cast<volatile char*>(pool.Take());
        p[0] = 1;
        pool.Give(const_cast<char*>(p));
        p[8] = 2;  // written after it was given back
      },
      "use-after-poison");
}
#endif

}  // namespace
}  // namespace vilk

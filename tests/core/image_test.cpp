// The image buffer, the record cursor, the checksum and the stream validator.
#include "model/image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "test_items.h"

namespace vilk {
namespace {

using test::Bytes;
using test::Cat;
using test::Zeros;

class ImageTest : public ::testing::Test {
 protected:
  std::vector<std::uint8_t> At(std::size_t at, std::size_t n) const {
    return std::vector<std::uint8_t>(image->Data() + at, image->Data() + at + n);
  }
  void Put(std::size_t at, const std::vector<std::uint8_t>& bytes) {
    std::memcpy(image->Data() + at, bytes.data(), bytes.size());
  }

  std::unique_ptr<ConfigImage> image = std::make_unique<ConfigImage>();
};

TEST_F(ImageTest, BufferIsOneMegabytePlusOneAndZeroed) {
  EXPECT_EQ(image->Capacity(), 1048577u);
  // Fresh from the system: zero everywhere, although nothing cleared it.
  for (std::size_t at :
       {std::size_t{0}, std::size_t{4095}, std::size_t{524288}, std::size_t{1048576}})
    EXPECT_EQ(image->Data()[at], 0) << at;
  image->Data()[1048576] = 7;
  image->Zero();
  EXPECT_EQ(image->Data()[1048576], 0);
}

TEST_F(ImageTest, AssignKeepsOnlyWhatFitsAndRemembersTheValidSize) {
  std::vector<std::uint8_t> big(1048577 + 10, 0xAB);
  image->Assign(big);
  EXPECT_EQ(image->ValidSize(), 1048577u);
  image->Assign(Bytes({1, 2, 3}));
  EXPECT_EQ(image->ValidSize(), 3u);
  EXPECT_EQ(At(0, 4), Bytes({1, 2, 3, 0xAB}));  // reading a file does not clear the rest
}

TEST_F(ImageTest, WritesBlocksAndValuesLittleEndianAndPatchesLengths) {
  TConfig cfg(*image);
  cfg.StartWrite(144);
  const std::size_t outer = cfg.BeginBlock(0x1234);
  cfg.WriteScalar<std::uint16_t>(7, 0xABCD);
  const std::uint8_t raw[3] = {1, 2, 3};
  cfg.WriteValue(0x0102, raw, 3);
  const std::size_t inner = cfg.BeginBlock(211);
  cfg.WriteScalar<std::int32_t>(9, -2);
  cfg.EndBlock(inner);
  cfg.EndBlock(outer);

  // 8 (header) + 10 + 11 + 8 (inner header) + 12 = 49 = 0x31; inner 20 = 0x14.
  EXPECT_EQ(outer, 144u);
  EXPECT_EQ(inner, 173u);
  EXPECT_EQ(cfg.Cursor(), 144u + 49);
  EXPECT_FALSE(cfg.Overflow());
  EXPECT_EQ(At(144, 49),
            Bytes({0xF1, 0xFF, 0x34, 0x12, 0x31, 0x00, 0x00, 0x00,  //
                   0xF2, 0xFF, 0x07, 0x00, 0x0A, 0x00, 0x00, 0x00, 0xCD, 0xAB, 0xF2, 0xFF,
                   0x02, 0x01, 0x0B, 0x00, 0x00, 0x00, 1,    2,    3,  //
                   0xF1, 0xFF, 0xD3, 0x00, 0x14, 0x00, 0x00, 0x00,     //
                   0xF2, 0xFF, 0x09, 0x00, 0x0C, 0x00, 0x00, 0x00, 0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST_F(ImageTest, WritesStopAtTheLimitAndRememberTheOverflow) {
  TConfig cfg(*image);
  cfg.StartWrite(0, 20);
  cfg.BeginBlock(5);
  cfg.WriteScalar<std::uint32_t>(1, 0x11223344);  // ends exactly at the limit
  EXPECT_FALSE(cfg.Overflow());
  EXPECT_EQ(cfg.Cursor(), 20u);
  cfg.WriteScalar<std::uint8_t>(2, 0x55);
  EXPECT_TRUE(cfg.Overflow());
  cfg.BeginBlock(6);
  EXPECT_EQ(cfg.Cursor(), 20u);
  EXPECT_EQ(At(20, 12), Zeros(12));

  // A size that would wrap the cursor arithmetic is refused too.
  cfg.StartWrite(0, 100);
  cfg.WriteValue(3, image->Data(), static_cast<std::size_t>(-4));
  EXPECT_TRUE(cfg.Overflow());
  EXPECT_EQ(cfg.Cursor(), 0u);
}

// A block 0 with values 1 (u32) and 2 (u16), then a child block 211 with value 2 (u8),
// then zero padding.
class ReadTest : public ImageTest {
 protected:
  void SetUp() override {
    Put(144, Bytes({0xF1, 0xFF, 0x00, 0x00, 0x2F, 0x00, 0x00, 0x00,                          // 144
                    0xF2, 0xFF, 0x01, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x78, 0x56, 0x34, 0x12,  // 152
                    0xF2, 0xFF, 0x02, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x22, 0x11,              // 164
                    0xF1, 0xFF, 0xD3, 0x00, 0x11, 0x00, 0x00, 0x00,                          // 174
                    0xF2, 0xFF, 0x02, 0x00, 0x09, 0x00, 0x00, 0x00, 0x99}));                 // 182
    end = 191;
  }
  std::size_t end = 0;
};

TEST_F(ReadTest, ReadValueFindsKeysInAnyOrderAndCopiesAtMostWhatIsThere) {
  TConfig cfg(*image);
  cfg.StartRead(152, 300);
  std::uint16_t two = 0;
  EXPECT_TRUE(cfg.ReadScalar(2, two));
  EXPECT_EQ(two, 0x1122);
  std::uint8_t wide[6];
  std::memset(wide, 0xEE, sizeof wide);
  EXPECT_TRUE(cfg.ReadValue(1, wide, sizeof wide));
  EXPECT_EQ(std::vector<std::uint8_t>(wide, wide + 6), Bytes({0x78, 0x56, 0x34, 0x12, 0xEE, 0xEE}));
  std::uint8_t narrow = 0;
  EXPECT_TRUE(cfg.ReadScalar(1, narrow));
  EXPECT_EQ(narrow, 0x78);
  EXPECT_EQ(cfg.Cursor(), 152u);  // reading does not move the cursor

  // The child's key 2 lies behind a block header: a missing key reads nothing.
  std::uint8_t missing = 0x5A;
  EXPECT_FALSE(cfg.ReadScalar(99, missing));
  EXPECT_EQ(missing, 0x5A);
}

TEST_F(ReadTest, NextBlockSkipsValueRecordsAndPeekDoesNotMove) {
  TConfig cfg(*image);
  cfg.StartRead(144, 300);
  EXPECT_EQ(cfg.PeekBlock(), 0);  // the processor board's id is a block, not "none"
  EXPECT_EQ(cfg.Cursor(), 144u);
  EXPECT_EQ(cfg.NextBlock(), 0);
  EXPECT_EQ(cfg.Cursor(), 152u);
  EXPECT_EQ(cfg.PeekBlock(), 211);
  EXPECT_EQ(cfg.Cursor(), 152u);
  EXPECT_EQ(cfg.NextBlock(), 211);
  EXPECT_EQ(cfg.Cursor(), 182u);
  std::uint8_t v = 0;
  EXPECT_TRUE(cfg.ReadScalar(2, v));
  EXPECT_EQ(v, 0x99);
  // After the last record comes the zero padding: no block.
  cfg.Seek(end);
  EXPECT_EQ(cfg.PeekBlock(), kNoBlock);
  EXPECT_EQ(cfg.NextBlock(), kNoBlock);
  EXPECT_EQ(cfg.Cursor(), end);
}

TEST_F(ReadTest, SkipBlockJumpsOverTheMarkedBlockWithItsChildren) {
  TConfig cfg(*image);
  cfg.StartRead(144, 400);
  Put(end, Bytes({0xF1, 0xFF, 0xC8, 0x00, 0x08, 0x00, 0x00, 0x00}));
  cfg.MarkBlock();
  EXPECT_EQ(cfg.NextBlock(), 0);
  cfg.SkipBlock();
  EXPECT_EQ(cfg.Cursor(), end);
  cfg.MarkBlock();
  EXPECT_EQ(cfg.NextBlock(), 200);
  cfg.SkipBlock();
  EXPECT_EQ(cfg.Cursor(), end + 8);
}

TEST_F(ReadTest, DamagedLengthsNeverLeadPastTheLimitOrIntoALoop) {
  TConfig cfg(*image);
  // The u32 record claims more bytes than the data holds.
  Put(156, Bytes({0x00, 0x10, 0x00, 0x00}));
  cfg.StartRead(152, end);
  std::uint32_t v = 0;
  EXPECT_FALSE(cfg.ReadScalar(1, v));
  EXPECT_EQ(cfg.NextBlock(), kNoBlock);

  // A zero length would make a naive walker stand still.
  Put(156, Bytes({0x00, 0x00, 0x00, 0x00}));
  cfg.StartRead(152, end);
  EXPECT_FALSE(cfg.ReadScalar(2, v));
  EXPECT_EQ(cfg.PeekBlock(), kNoBlock);

  // A record head cut by the limit is not read.
  Put(156, Bytes({0x0C, 0x00, 0x00, 0x00}));
  cfg.StartRead(152, 158);
  EXPECT_FALSE(cfg.ReadScalar(1, v));

  // A block whose length runs past the data: skipping ends at the limit.
  Put(144, Bytes({0xF1, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x7F}));
  cfg.StartRead(144, end);
  cfg.MarkBlock();
  EXPECT_EQ(cfg.NextBlock(), 0);
  cfg.SkipBlock();
  EXPECT_EQ(cfg.Cursor(), end);
}

TEST(ImageChecksum, IsTheByteSumModulo65536BeforeTheLastTwoBytes) {
  auto image = std::make_unique<ConfigImage>();
  std::memset(image->Data(), 0xFF, 400);
  // 298 bytes of 255 = 75990 = 0x128D6 -> 0x28D6.
  ASSERT_TRUE(ImageChecksum(*image, 300, true));
  EXPECT_EQ(image->Data()[298], 0xD6);
  EXPECT_EQ(image->Data()[299], 0x28);
  EXPECT_EQ(image->Data()[300], 0xFF);  // nothing written beyond the size
  EXPECT_TRUE(ImageChecksum(*image, 300, false));
  image->Data()[5] = 0xFE;
  EXPECT_FALSE(ImageChecksum(*image, 300, false));
  image->Data()[6] = 0x00;  // a second change that does not restore the sum
  EXPECT_FALSE(ImageChecksum(*image, 300, false));

  EXPECT_FALSE(ImageChecksum(*image, 1, false));
  EXPECT_FALSE(ImageChecksum(*image, 1, true));
  EXPECT_FALSE(ImageChecksum(*image, image->Capacity() + 1, false));
}

TEST_F(ImageTest, ValidatorAcceptsASoundStreamEndingInPadding) {
  Put(144, Bytes({0xF1, 0xFF, 0x00, 0x00, 0x19, 0x00, 0x00, 0x00,        //
                  0xF2, 0xFF, 0x30, 0x00, 0x09, 0x00, 0x00, 0x00, 0x01,  //
                  0xF1, 0xFF, 0xD3, 0x00, 0x08, 0x00, 0x00, 0x00,        //
                  0xF1, 0xFF, 0xC8, 0x00, 0x08, 0x00, 0x00, 0x00}));
  EXPECT_EQ(ValidateRecordStream(*image, 144, 200), "");
  // The stream may fill the data completely, too.
  EXPECT_EQ(ValidateRecordStream(*image, 144, 177), "");
}

TEST_F(ImageTest, ValidatorRefusesRecordsOutsideTheirBlockOrTheData) {
  const auto good = Bytes({0xF1, 0xFF, 0x00, 0x00, 0x19, 0x00, 0x00, 0x00,        //
                           0xF2, 0xFF, 0x30, 0x00, 0x09, 0x00, 0x00, 0x00, 0x01,  //
                           0xF1, 0xFF, 0xD3, 0x00, 0x08, 0x00, 0x00, 0x00});
  struct Case {
    const char* what;
    std::size_t at;
    std::vector<std::uint8_t> bytes;
    std::size_t limit;
  };
  const Case cases[] = {
      {"block longer than the data", 148, Bytes({0x40, 0, 0, 0}), 200 - 30},
      {"value record shorter than its head", 156, Bytes({0x07, 0, 0, 0}), 200},
      {"value record beyond its block", 156, Bytes({0x12, 0, 0, 0}), 200},
      {"child block beyond its parent", 165, Bytes({0x10, 0, 0, 0}), 200},
      {"unknown tag inside a block", 152, Bytes({0x00, 0x00}), 200},
      {"block cut inside its values", 148, Bytes({0x0C, 0, 0, 0}), 200},
      {"stream cut by the limit", 148, Bytes({0x19, 0, 0, 0}), 160},
  };
  for (const Case& c : cases) {
    image->Zero();
    Put(144, good);
    Put(c.at, c.bytes);
    EXPECT_NE(ValidateRecordStream(*image, 144, c.limit), "") << c.what;
  }
  EXPECT_NE(ValidateRecordStream(*image, 144, image->Capacity() + 1), "");
  EXPECT_NE(ValidateRecordStream(*image, 300, 200), "");
}

}  // namespace
}  // namespace vilk

// BuildImage and LoadImage: the header, the default blocks, padding and checksum, the
// refusals of a bad image and the round trip of a configuration with signals.
#include "model/image_ops.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "controller/di.h"
#include "controller/rs232.h"
#include "test_items.h"

namespace vilk {
namespace {

using test::Ascii;
using test::Build;
using test::Bytes;
using test::Cat;
using test::DumpTree;
using test::FieldPort;
using test::GetU32;
using test::Restamp;
using test::SetU32;
using test::Slice;
using test::Zeros;

// Offsets of the top-level blocks after the marker.
std::vector<std::size_t> TopBlocks(const std::vector<std::uint8_t>& b) {
  std::vector<std::size_t> blocks;
  std::size_t at = 144;
  while (at + 8 <= b.size() && b[at] == 0xF1 && b[at + 1] == 0xFF) {
    blocks.push_back(at);
    at += GetU32(b, at + 4);
  }
  return blocks;
}

// Offset of the first block nested in the block at `block`.
std::size_t FirstChildBlock(const std::vector<std::uint8_t>& b, std::size_t block) {
  std::size_t at = block + 8;
  while (b[at] == 0xF2 && b[at + 1] == 0xFF) at += GetU32(b, at + 4);
  return at;
}

unsigned Sum(const std::vector<std::uint8_t>& b, std::size_t n) {
  unsigned sum = 0;
  for (std::size_t i = 0; i < n; ++i) sum += b[i];
  return sum & 0xFFFF;
}

// --- hand-written records of the default model-23 configuration ---

std::vector<std::uint8_t> Header(const char* size, int type, const std::vector<std::uint8_t>& total,
                                 const std::vector<std::uint8_t>& fileRow) {
  return Cat({Ascii("Sign:Vilk     "), Bytes({1, type}), Ascii(size), total, fileRow,
              Ascii("Date:05.03.2026 "), Ascii("Time:07:08:09   "), Ascii("Data:       "),
              Bytes({0x90, 0, 0, 0}), Zeros(32), Ascii("** ConfigData **")});
}

std::vector<std::uint8_t> ProcBlock(int length, int boards, int ports, int groupCount,
                                    const std::vector<std::uint8_t>& groupRecord) {
  return Cat({Bytes({0xF1, 0xFF, 0x00, 0x00, length & 0xFF, length >> 8, 0, 0}),
              Bytes({0xF2, 0xFF, 0x30, 0x00, 0x09, 0, 0, 0, 0x01}),          // 48 version
              Bytes({0xF2, 0xFF, 0x4D, 0x00, 0x49, 0, 0, 0}), Zeros(65),     // 77 place
              Bytes({0xF2, 0xFF, 0x01, 0x00, 0x0A, 0, 0, 0, 0x01, 0x00}),    // 1 address
              Bytes({0xF2, 0xFF, 0x02, 0x00, 0x09, 0, 0, 0, boards}),        // 2 boards
              Bytes({0xF2, 0xFF, 0x03, 0x00, 0x09, 0, 0, 0, ports}),         // 3 ports
              Bytes({0xF2, 0xFF, 0x0D, 0x00, 0x0A, 0, 0, 0, 0x00, 0x00}),    // 13 TS count
              Bytes({0xF2, 0xFF, 0x63, 0x00, 0x0A, 0, 0, 0, 0x00, 0x00}),    // 99 MTS
              Bytes({0xF2, 0xFF, 0x0F, 0x00, 0x0A, 0, 0, 0, 0x00, 0x00}),    // 15 TU
              Bytes({0xF2, 0xFF, 0x0E, 0x00, 0x0A, 0, 0, 0, 0x00, 0x00}),    // 14 TI
              Bytes({0xF2, 0xFF, 0x4B, 0x00, 0x0A, 0, 0, 0, 0x00, 0x00}),    // 75 TII
              Bytes({0xF2, 0xFF, 0x4A, 0x00, 0x0A, 0, 0, 0, 0x00, 0x00}),    // 74 TR
              Bytes({0xF2, 0xFF, 0x14, 0x00, 0x09, 0, 0, 0, groupCount}),    // 20 groups
              groupRecord,                                                   // 46 table
              Bytes({0xF2, 0xFF, 0x22, 0x00, 0x0C, 0, 0, 0, 0, 1, 0, 0})});  // 34 passwords
}

std::vector<std::uint8_t> ComBlock(int number) {
  return Cat({Bytes({0xF1, 0xFF, 0xC8, 0x00, 0x66, 0, 0, 0}),
              Bytes({0xF2, 0xFF, 0x30, 0x00, 0x09, 0, 0, 0, 0x01}),                    // 48
              Bytes({0xF2, 0xFF, 0x05, 0x00, 0x09, 0, 0, 0, number}),                  // 5 number
              Bytes({0xF2, 0xFF, 0x06, 0x00, 0x0C, 0, 0, 0, 0x80, 0x25, 0x00, 0x00}),  // 6 9600
              Bytes({0xF2, 0xFF, 0x07, 0x00, 0x09, 0, 0, 0, 0x00}),                    // 7 parity
              Bytes({0xF2, 0xFF, 0x08, 0x00, 0x09, 0, 0, 0, 0x01}),                    // 8 RS-485
              Bytes({0xF2, 0xFF, 0x28, 0x00, 0x09, 0, 0, 0, 0x01}),                    // 40 stop
              Bytes({0xF2, 0xFF, 0x27, 0x00, 0x09, 0, 0, 0, 0x03}),                    // 39 gap
              Bytes({0xF2, 0xFF, 0x18, 0x00, 0x09, 0, 0, 0, 0x03}),                    // 24
              Bytes({0xF2, 0xFF, 0x19, 0x00, 0x09, 0, 0, 0, 0x00}),                    // 25
              Bytes({0xF2, 0xFF, 0x5F, 0x00, 0x0A, 0, 0, 0, 0x00, 0x00})});            // 95
}

std::vector<std::uint8_t> IpBlock() {
  return Cat({Bytes({0xF1, 0xFF, 0x64, 0x00, 0xBF, 0, 0, 0}),
              Bytes({0xF2, 0xFF, 0x30, 0x00, 0x09, 0, 0, 0, 0x01}),                    // 48
              Bytes({0xF2, 0xFF, 0x31, 0x00, 0x0C, 0, 0, 0, 0xDE, 0x01, 0xA8, 0xC0}),  // 49
              Bytes({0xF2, 0xFF, 0x32, 0x00, 0x0C, 0, 0, 0, 0x00, 0xFF, 0xFF, 0xFF}),  // 50
              Bytes({0xF2, 0xFF, 0x44, 0x00, 0x0C, 0, 0, 0, 0x00, 0x00, 0x00, 0x00}),  // 68
              Bytes({0xF2, 0xFF, 0x67, 0x00, 0x0C, 0, 0, 0, 0xDE, 0x01, 0xA8, 0xC0}),  // 103
              Bytes({0xF2, 0xFF, 0x68, 0x00, 0x0C, 0, 0, 0, 0x00, 0xFF, 0xFF, 0xFF}),  // 104
              Bytes({0xF2, 0xFF, 0x69, 0x00, 0x0C, 0, 0, 0, 0x00, 0x00, 0x00, 0x00}),  // 105
              Bytes({0xF2, 0xFF, 0x35, 0x00, 0x19, 0, 0, 0}), Zeros(17),               // 53
              Bytes({0xF2, 0xFF, 0x29, 0x00, 0x19, 0, 0, 0}), Zeros(17),               // 41
              Bytes({0xF2, 0xFF, 0x22, 0x00, 0x19, 0, 0, 0}), Zeros(17),               // 34
              Bytes({0xF2, 0xFF, 0x08, 0x00, 0x09, 0, 0, 0, 0x01}),                    // 8
              Bytes({0xF2, 0xFF, 0x70, 0x00, 0x09, 0, 0, 0, 0x00}),                    // 112
              Bytes({0xF2, 0xFF, 0x14, 0x00, 0x09, 0, 0, 0, 0x00})});                  // 20
}

const std::vector<std::uint8_t> kNoGroups = Bytes({0xF2, 0xFF, 0x2E, 0x00, 0x08, 0, 0, 0});

TEST(BuildImage, DefaultModel23IsExactByteForByte) {
  RecordingMessages messages;
  Configuration config(messages);
  auto image = std::make_unique<ConfigImage>();
  ASSERT_TRUE(BuildImage(config, *image, "/home/user/configuration_main.cfg", "device.cfg",
                         test::FixedTime()));
  EXPECT_TRUE(messages.Errors.empty());

  // 144 + 207 (processor) + 8 x 102 (COM) + 191 (IP) = 1358; padded to 1360, T = 1376.
  ASSERT_EQ(image->TotalSize, 1376u);
  const std::vector<std::uint8_t> b(image->Data(), image->Data() + 1376);
  std::vector<std::uint8_t> expected =
      Cat({Header("Size:1376   ", 23, Bytes({0x60, 0x05, 0, 0}), Ascii("File:configurati")),
           ProcBlock(207, 9, 1, 0, kNoGroups)});
  for (int n = 1; n <= 8; ++n) expected = Cat({expected, ComBlock(32 + n)});
  expected = Cat({expected, IpBlock(), Zeros(16)});
  ASSERT_EQ(expected.size(), 1374u);
  EXPECT_EQ(Slice(b, 0, 144), Slice(expected, 0, 144));
  EXPECT_EQ(Slice(b, 144, 207), Slice(expected, 144, 207));
  EXPECT_EQ(Slice(b, 351, 816), Slice(expected, 351, 816));
  EXPECT_EQ(Slice(b, 1167, 191), Slice(expected, 1167, 191));
  EXPECT_EQ(Slice(b, 0, 1374), expected);
  EXPECT_EQ(b[1374] | (b[1375] << 8), Sum(b, 1374));
  EXPECT_EQ(image->Data()[1376], 0);
}

TEST(BuildImage, ModelsDifferInBoardsAndSize) {
  struct Case {
    int model;
    std::size_t total;
    int boards;
    int comBlocks;
  };
  // 22: 144 + 207 + 4 x 102 + 191 = 950 -> 976.
  // 26: 144 + 207 + 598 (DI with its eight-entry list) + 4 x 102 + 191 = 1548 -> 1568.
  for (const Case& c : {Case{22, 976, 5, 4}, Case{26, 1568, 6, 4}}) {
    RecordingMessages messages;
    Configuration config(messages);
    config.Controller().TypeCode = static_cast<std::uint8_t>(c.model);
    config.Controller().ApplyModel();
    const auto b = Build(config);
    ASSERT_EQ(b.size(), c.total) << c.model;
    EXPECT_EQ(b[15], c.model);
    EXPECT_EQ(GetU32(b, 28), c.total);
    const auto blocks = TopBlocks(b);
    ASSERT_EQ(blocks.size(), static_cast<std::size_t>(c.boards + 1)) << c.model;
    EXPECT_EQ(b[144 + 8 + 9 + 73 + 10 + 8], c.boards);  // key 2 of the processor board
    EXPECT_EQ(b[blocks.back() + 2], 100);               // the IP port comes last
    for (int i = 0; i < c.comBlocks; ++i)
      EXPECT_EQ(b[blocks[blocks.size() - 2 - static_cast<std::size_t>(i)] + 2], 200);
  }
}

TEST(BuildImage, DiscreteInputBoardBlockOfModel26) {
  RecordingMessages messages;
  Configuration config(messages);
  config.Controller().TypeCode = 26;
  config.Controller().ApplyModel();
  const auto b = Build(config);
  ASSERT_EQ(b.size(), 1568u);
  // Key 13 of the processor board counts the eight inputs.
  EXPECT_EQ(Slice(b, 144 + 8 + 9 + 73 + 10 + 9 + 9, 10),
            Bytes({0xF2, 0xFF, 0x0D, 0x00, 0x0A, 0, 0, 0, 0x08, 0x00}));

  auto name = [](int digit) { return Cat({Bytes({3, 0xD2, 0xD1, '0' + digit}), Zeros(61)}); };
  std::vector<std::uint8_t> names;
  for (int i = 1; i <= 8; ++i) names = Cat({names, name(i)});
  const auto expected = Cat({
      Bytes({0xF1, 0xFF, 0x79, 0x00, 0x56, 0x02, 0, 0}),           // block 121, 598 bytes
      Bytes({0xF2, 0xFF, 0x30, 0x00, 0x09, 0, 0, 0, 0x01}),        // 48
      Bytes({0xF2, 0xFF, 0x11, 0x00, 0x0A, 0, 0, 0, 0x28, 0x00}),  // 17 debounce 40
      Bytes({0xF1, 0xFF, 0xD3, 0x00, 0x3B, 0x02, 0, 0}),           // block 211, 571 bytes
      Bytes({0xF2, 0xFF, 0x30, 0x00, 0x09, 0, 0, 0, 0x01}),        // 48
      Bytes({0xF2, 0xFF, 0x0D, 0x00, 0x0A, 0, 0, 0, 0x08, 0x00}),  // 13 count
      Bytes({0xF2, 0xFF, 0x29, 0x00, 0x10, 0x02, 0, 0}), names,    // 41 ТС1..ТС8
      Bytes({0xF2, 0xFF, 0x4E, 0x00, 0x10, 0, 0, 0}), Zeros(8),    // 78 types
  });
  EXPECT_EQ(Slice(b, 144 + 207, 598), expected);
}

TEST(BuildImage, StreamEndingOnSixteenGetsAFullPaddingRow) {
  RecordingMessages messages;
  Configuration config(messages);
  // Two groups add 162 bytes: 1358 + 162 = 1520, a multiple of 16.
  SporadicGroup g1;
  g1.AbsAperture = 1.5f;
  g1.RelAperture = 2.0f;
  g1.Upper = 100.0f;
  g1.Lower = -5.0f;
  g1.Name = "G1";
  SporadicGroup g2;
  g2.Name = "Г2";
  config.Controller().Proc()->Groups = {g1, g2};
  const auto b = Build(config);
  ASSERT_EQ(b.size(), 1552u);
  EXPECT_EQ(Slice(b, 16, 16), Cat({Ascii("Size:1552   "), Bytes({0x10, 0x06, 0, 0})}));
  const auto groups = Cat({Bytes({0xF2, 0xFF, 0x2E, 0x00, 0xAA, 0, 0, 0}),         //
                           Bytes({0x00, 0x00, 0xC0, 0x3F, 0x00, 0x00, 0x00, 0x40,  //
                                  0x00, 0x00, 0xC8, 0x42, 0x00, 0x00, 0xA0, 0xC0}),
                           Bytes({2, 'G', '1'}), Zeros(62),  //
                           Zeros(16), Bytes({2, 0xC3, '2'}), Zeros(62)});
  EXPECT_EQ(Slice(b, 144, 369), ProcBlock(369, 9, 1, 2, groups));
  EXPECT_EQ(Slice(b, 1520, 30), Zeros(30));
  EXPECT_EQ(b[1550] | (b[1551] << 8), Sum(b, 1550));
}

TEST(BuildImage, FileRowPrefersTheConfigurationFileName) {
  struct Case {
    std::string config, device;
    std::vector<std::uint8_t> row;
  };
  const Case cases[] = {
      {"/home/u/Подстанция_12.cfg", "dev.cfg",
       Cat({Ascii("File:"),
            Bytes({0xCF, 0xEE, 0xE4, 0xF1, 0xF2, 0xE0, 0xED, 0xF6, 0xE8, 0xFF, '_'})})},
      {"", "C:\\ctl\\ctrl.cfg", Ascii("File:ctrl.cfg   ")},
      {"a.cfg", "device_file.cfg", Ascii("File:a.cfg      ")},
      {"", "", Ascii("File:           ")},
  };
  for (const Case& c : cases) {
    RecordingMessages messages;
    Configuration config(messages);
    auto image = std::make_unique<ConfigImage>();
    ASSERT_TRUE(BuildImage(config, *image, c.config, c.device, test::FixedTime()));
    EXPECT_EQ(std::vector<std::uint8_t>(image->Data() + 32, image->Data() + 48), c.row)
        << c.config << " / " << c.device;
  }
}

TEST(BuildImage, ZeroesTheBufferFirst) {
  RecordingMessages messages;
  Configuration config(messages);
  auto image = std::make_unique<ConfigImage>();
  std::memset(image->Data(), 0xAA, image->Capacity());
  ASSERT_TRUE(BuildImage(config, *image, "x.cfg", "", test::FixedTime()));
  EXPECT_EQ(image->Data()[96], 0);
  EXPECT_EQ(image->Data()[1360], 0);
  EXPECT_EQ(image->Data()[image->Capacity() - 1], 0);
}

// --- loading ---

class LoadImageTest : public test::WithTestKinds {
 protected:
  void SetUp() override {
    WithTestKinds::SetUp();
    source = std::make_unique<Configuration>(sourceMessages);
    MakeRich(*source);
    target = std::make_unique<Configuration>(messages);
    // The target holds another configuration, so that any change to it shows.
    target->Controller().TypeCode = 26;
    target->Controller().ApplyModel();
    test::LinkToBoard(test::AddFieldPort(*target, 7, "Старый", 3, 0, 1), 35);
    target->Controller().Proc()->Place = "Старое место";
    targetDump = DumpTree(*target);
    targetImage = Build(*target);
    ASSERT_FALSE(targetImage.empty());
    ASSERT_TRUE(messages.Errors.empty());
  }
  void TearDown() override {
    target.reset();
    source.reset();
    WithTestKinds::TearDown();
  }

  // Model 23 with two linked field ports, a PC selecting two inputs, double-point and
  // inverted inputs, a blocked command, gains and a sporadic group, changed settings.
  static void MakeRich(Configuration& c) {
    TProc* proc = c.Controller().Proc();
    proc->Place = "Подстанция";
    proc->Address = 7;
    proc->PasswordFlags = {1, 1, 0, 1};
    SporadicGroup g;
    g.AbsAperture = 0.5f;
    g.RelAperture = 2.5f;
    g.Upper = 10;
    g.Lower = -10;
    g.Name = "Г1";
    proc->Groups = {g};
    static_cast<TRS232*>(c.Controller().Child(2))->Speed = 19200;
    c.Controller().PortIP()->Net1Ip = Ip(10, 0, 0, 5);

    FieldPort* port = test::AddFieldPort(c, 1, "Dev", 5, 3, 4);
    test::LinkToBoard(port, 34);
    TParams& ts = *port->TS();
    ts.At(0)->TSType = 1;
    ts.At(0)->Inverted = 4;
    ts.At(1)->TSType = 2;
    ts.At(3)->Inverted = 4;
    ts.At(2)->SetName("Dev.Насос");
    TParams& ti = *port->TI();
    ti.At(1)->Gain = 2;
    ti.At(1)->Offset = 0.5f;
    ti.At(0)->SetGroup("Г1");
    ti.At(3)->SetGroup("Г1");
    TParams& tu = *port->TU();
    tu.At(1)->BlockOn = Acquire(ts.At(4));
    tu.At(2)->BlockOff = Acquire(ts.At(0));

    FieldPort* meter = test::AddFieldPort(c, 2, "Счётчик", 2, 0, 1, test::kTcpPortCode);
    test::LinkToBoard(meter, 35);

    test::TestPC* pc = test::AddPC(c, "ПК", 2);
    pc->Selection()->Append(Acquire(ts.At(2)));
    pc->Selection()->Append(Acquire(meter->TS()->At(1)));
    c.Storage().RebuildPool();
  }

  void ExpectUnchanged(const std::string& what) {
    EXPECT_EQ(DumpTree(*target), targetDump) << what;
    messages.Errors.clear();
    EXPECT_EQ(Build(*target), targetImage) << what;
    messages.Errors.clear();
  }

  // Loads `bytes` into the target and expects one message starting with `message`.
  void ExpectRefused(const std::vector<std::uint8_t>& bytes, const std::string& message,
                     const std::string& what) {
    messages.Errors.clear();
    EXPECT_FALSE(test::Load(*target, bytes)) << what;
    ASSERT_EQ(messages.Errors.size(), 1u) << what;
    EXPECT_EQ(messages.Errors[0].substr(0, message.size()), message) << what;
    ExpectUnchanged(what);
  }

  RecordingMessages sourceMessages;
  RecordingMessages messages;
  std::unique_ptr<Configuration> source;
  std::unique_ptr<Configuration> target;
  std::string targetDump;
  std::vector<std::uint8_t> targetImage;
};

TEST_F(LoadImageTest, ResaveReproducesTheRecordStream) {
  const auto first = Build(*source);
  ASSERT_FALSE(first.empty());
  EXPECT_TRUE(sourceMessages.Errors.empty());

  auto image = std::make_unique<ConfigImage>();
  image->Assign(first);
  ASSERT_TRUE(LoadImage(*target, *image, "test.cfg"));
  EXPECT_TRUE(messages.Errors.empty());
  EXPECT_EQ(std::vector<std::uint8_t>(image->Data(), image->Data() + first.size()), first)
      << "loading must not touch the buffer";
  EXPECT_EQ(DumpTree(*target), DumpTree(*source));

  const auto second = Build(*target);
  ASSERT_EQ(second.size(), first.size());
  EXPECT_EQ(Slice(second, 144, second.size() - 144), Slice(first, 144, first.size() - 144));
  EXPECT_EQ(Slice(second, 0, 144), Slice(first, 0, 144));  // same name and moment

  // What the round trip carried, checked on the loaded tree.
  TController& c = target->Controller();
  EXPECT_EQ(c.Proc()->Place, "Подстанция");
  EXPECT_EQ(c.Proc()->Address, 7);
  EXPECT_EQ(c.Proc()->PasswordFlags, (std::array<std::uint8_t, 4>{1, 1, 0, 1}));
  EXPECT_EQ(static_cast<TRS232*>(c.Child(2))->Speed, 19200);
  EXPECT_EQ(c.PortIP()->Net1Ip, Ip(10, 0, 0, 5));
  auto* port = dynamic_cast<FieldPort*>(c.Proc()->Child(1));
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(port->LinkedBoard, c.Child(2));
  EXPECT_EQ(port->TS()->At(2)->Name(), "Dev.Насос");
  EXPECT_EQ(port->TU()->At(1)->BlockOn, port->TS()->At(4));
  EXPECT_EQ(port->TU()->At(2)->BlockOff, port->TS()->At(0));
  EXPECT_EQ(port->TU()->At(0)->BlockOn, nullptr);
  auto* pc = dynamic_cast<test::TestPC*>(c.PortIP()->Child(1));
  ASSERT_NE(pc, nullptr);
  ASSERT_EQ(pc->Selection()->Count(), 2);
  EXPECT_EQ(pc->Selection()->At(0), port->TS()->At(2));
}

TEST_F(LoadImageTest, AcceptsTheOldSignatureAndRebuildsWithTheNewOne) {
  auto bytes = Build(*source);
  std::memcpy(bytes.data(), "Sign:Tamor    ", 14);
  Restamp(bytes);
  ASSERT_TRUE(test::Load(*target, bytes));
  EXPECT_TRUE(messages.Errors.empty());
  const auto rebuilt = Build(*target);
  EXPECT_EQ(Slice(rebuilt, 0, 14), Ascii("Sign:Vilk     "));
  EXPECT_EQ(Slice(rebuilt, 144, rebuilt.size() - 146), Slice(bytes, 144, bytes.size() - 146));
}

TEST_F(LoadImageTest, RefusesAWrongSignatureOrControllerType) {
  auto bytes = Build(*source);
  bytes[5] = 'X';
  messages.Errors.clear();
  EXPECT_FALSE(test::Load(*target, bytes, "очень_длинное_имя.cfg"));
  ASSERT_EQ(messages.Errors.size(), 1u);
  EXPECT_EQ(messages.Errors[0], "Ошибка сигнатуры файла \"очень_длинно\"\r\nSign:Xilk     ");
  ExpectUnchanged("signature");

  for (int type : {0, 21, 24, 25, 255}) {
    bytes = Build(*source);
    bytes[15] = static_cast<std::uint8_t>(type);
    Restamp(bytes);
    ExpectRefused(bytes, "Ошибка типа контроллера", Format("type %d", type));
  }
}

TEST_F(LoadImageTest, AnyChangedByteAfterTheTypeFailsTheChecksum) {
  const auto good = Build(*source);
  const std::size_t total = good.size();
  for (std::size_t at :
       {std::size_t{14},  std::size_t{16},  std::size_t{20},  std::size_t{27}, std::size_t{28},
        std::size_t{29},  std::size_t{30},  std::size_t{31},  std::size_t{32}, std::size_t{40},
        std::size_t{50},  std::size_t{70},  std::size_t{85},  std::size_t{92}, std::size_t{100},
        std::size_t{130}, std::size_t{144}, std::size_t{200}, total / 2,       total - 20,
        total - 3,        total - 2,        total - 1}) {
    for (int flip : {0x01, 0x80}) {
      auto bytes = good;
      bytes[at] ^= static_cast<std::uint8_t>(flip);
      // A changed size that leaves the data is caught before the sum is taken.
      const std::uint32_t size = GetU32(bytes, 28);
      const bool sizeOutside = size < 160 || size > total;
      ExpectRefused(bytes,
                    sizeOutside ? "Файл конфигурации повреждён" : "Ошибка контрольной суммы FLASH",
                    Format("byte %d ^ %x", static_cast<int>(at), flip));
      if (at < 28 || at >= 32) {
        EXPECT_FALSE(sizeOutside);
      }
    }
  }
}

TEST_F(LoadImageTest, TruncatedOrUndersizedImagesAreRefused) {
  const auto good = Build(*source);
  const std::size_t total = good.size();
  ExpectRefused({}, "Ошибка сигнатуры файла", "empty");
  ExpectRefused(Slice(good, 0, 13), "Ошибка сигнатуры файла", "13 bytes");
  ExpectRefused(Slice(good, 0, 15), "Ошибка типа контроллера", "15 bytes");
  for (std::size_t n : {std::size_t{16}, std::size_t{31}, std::size_t{100}, std::size_t{159},
                        std::size_t{160}, total - 16, total - 2, total - 1})
    ExpectRefused(Slice(good, 0, n), "Файл конфигурации повреждён",
                  Format("%d bytes", static_cast<int>(n)));

  // A size below the smallest image, with a checksum that fits it.
  for (std::uint32_t size : {0u, 2u, 144u, 159u}) {
    auto bytes = good;
    SetU32(bytes, 28, size);
    Restamp(bytes);
    ExpectRefused(bytes, "Файл конфигурации повреждён", Format("size %d", static_cast<int>(size)));
  }
}

TEST_F(LoadImageTest, LengthsPointingOutsideAreRefusedBeforeAnythingIsRead) {
  const auto good = Build(*source);
  const auto blocks = TopBlocks(good);
  ASSERT_EQ(blocks.size(), 12u);  // processor, 8 COM, IP, two ports
  const std::size_t port = blocks[10];
  const std::size_t list = FirstChildBlock(good, port);
  struct Case {
    const char* what;
    std::size_t at;
    std::uint32_t value;
  };
  const Case cases[] = {
      {"processor block length huge", 148, 0xFFFFFF00u},
      {"processor block length below its header", 148, 4},
      {"first value record length huge", 156, 0x7FFFFFF0u},
      {"value record length below its head", 156, 4},
      {"value record length zero", 156, 0},
      {"data offset beyond the data", 92, static_cast<std::uint32_t>(good.size())},
      {"data offset inside the header", 92, 100},
      {"IP port block into the checksum", blocks[9] + 4, GetU32(good, blocks[9] + 4) + 0x400},
      {"list longer than its port", list + 4,
       static_cast<std::uint32_t>(port + GetU32(good, port + 4) - list + 1)},
      {"last port longer than the data", blocks[11] + 4,
       static_cast<std::uint32_t>(good.size() - blocks[11])},
  };
  for (const Case& c : cases) {
    auto bytes = good;
    SetU32(bytes, c.at, c.value);
    Restamp(bytes);
    ExpectRefused(bytes, "Файл конфигурации повреждён", c.what);
  }
}

TEST_F(LoadImageTest, NewerBlockVersionKeepsDefaultsAndLoadingGoesOn) {
  auto bytes = Build(*source);
  const auto blocks = TopBlocks(bytes);
  // COM board 2 (speed 19200 in the source) says version 2.
  ASSERT_EQ(Slice(bytes, blocks[2] + 8, 8), Bytes({0xF2, 0xFF, 0x30, 0x00, 0x09, 0, 0, 0}));
  bytes[blocks[2] + 16] = 2;
  // So does the first port's TS list: it keeps what its owner made of it.
  const std::size_t list = FirstChildBlock(bytes, blocks[10]);
  ASSERT_EQ(bytes[list + 2], 211);
  bytes[list + 16] = 2;
  Restamp(bytes);

  ASSERT_TRUE(test::Load(*target, bytes));
  EXPECT_EQ(messages.Errors, (std::vector<std::string>{"Новая версия RS485", "Новая версия ТС"}));
  TController& c = target->Controller();
  EXPECT_EQ(static_cast<TRS232*>(c.Child(2))->Speed, 9600);
  EXPECT_EQ(c.PortIP()->Net1Ip, Ip(10, 0, 0, 5));
  auto* port = dynamic_cast<FieldPort*>(c.Proc()->Child(1));
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(port->TS()->Count(), 5);
  EXPECT_EQ(port->TS()->At(2)->Name(), "Dev.Вход3");
  EXPECT_EQ(port->TS()->At(0)->TSType, 0);
  EXPECT_EQ(port->TI()->At(1)->Gain, 2.0f);  // the next list loads
  EXPECT_EQ(c.Proc()->ChildCount(), 3);      // and so do the ports after it
}

TEST_F(LoadImageTest, BlocksOfBoardsTheModelLacksAreSkippedWithAMessage) {
  // Eight COM blocks read as model 22, which has four: the model decides, the file is told.
  auto bytes = Build(*source);
  bytes[15] = 22;
  Restamp(bytes);
  ASSERT_TRUE(test::Load(*target, bytes));
  const std::string extra =
      "Плата с ID = 200 не входит в состав контроллера ВИЛК.A1 и не прочитана.";
  EXPECT_EQ(messages.Errors, std::vector<std::string>(4, extra));
  TController& c = target->Controller();
  EXPECT_EQ(c.TypeCode, 22);
  ASSERT_EQ(c.ChildCount(), 5);
  EXPECT_EQ(static_cast<TRS232*>(c.Child(2))->Speed, 19200);
  EXPECT_EQ(c.Child(4)->Number, 36);
  EXPECT_EQ(c.PortIP()->Net1Ip, Ip(10, 0, 0, 5));
  ASSERT_EQ(c.Proc()->ChildCount(), 3);
  EXPECT_EQ(c.Proc()->Child(1)->AsPort()->LinkedBoard, c.Child(2));
  EXPECT_EQ(c.Proc()->Child(2)->AsPort()->LinkedBoard, c.Child(3));

  // A discrete-input block read as a model without that board.
  RecordingMessages m26;
  Configuration with26(m26);
  with26.Controller().TypeCode = 26;
  with26.Controller().ApplyModel();
  static_cast<TDI*>(with26.Controller().Child(1))->Debounce = 400;
  static_cast<TRS232*>(with26.Controller().Child(2))->Speed = 4800;
  bytes = Build(with26);
  ASSERT_FALSE(bytes.empty());

  ASSERT_TRUE(test::Load(*target, bytes));
  ASSERT_EQ(target->Controller().ChildCount(), 6);
  EXPECT_EQ(static_cast<TDI*>(target->Controller().Child(1))->Debounce, 400);
  EXPECT_EQ(static_cast<TRS232*>(target->Controller().Child(2))->Speed, 4800);

  bytes[15] = 22;
  Restamp(bytes);
  messages.Errors.clear();
  ASSERT_TRUE(test::Load(*target, bytes));
  EXPECT_EQ(messages.Errors, (std::vector<std::string>{
                                 "Плата с ID = 121 не входит в состав контроллера ВИЛК.A1 и не "
                                 "прочитана."}));
  ASSERT_EQ(target->Controller().ChildCount(), 5);
  for (int i = 1; i < 5; ++i) EXPECT_EQ(target->Controller().Child(i)->BoardMask, kMaskRS485);
  EXPECT_EQ(static_cast<TRS232*>(target->Controller().Child(1))->Speed, 4800);
}

TEST_F(LoadImageTest, UnknownPortCodeIsReportedAndKeptInPlace) {
  const auto bytes = Build(*source);
  UnregisterTestKind({0, test::kFieldPortCode});
  ASSERT_TRUE(test::Load(*target, bytes));
  EXPECT_EQ(messages.Errors, (std::vector<std::string>{"Неизвестный тип порта,\rID = 241"}));
  TItem* proc = target->Controller().Proc();
  ASSERT_EQ(proc->ChildCount(), 3);
  EXPECT_EQ(proc->Child(1)->Caption(), "Неизвестный порт, ID = 241");
  EXPECT_TRUE(proc->Child(1)->IsKept());
  // Its own signals hold their pool places, so the PC still selects the same two signals.
  auto* pc = dynamic_cast<test::TestPC*>(target->Controller().PortIP()->Child(1));
  ASSERT_NE(pc, nullptr);
  ASSERT_EQ(pc->Selection()->Count(), 2);
  EXPECT_EQ(pc->Selection()->At(0)->Name(), "Dev.Насос");
  EXPECT_EQ(pc->Selection()->At(1)->Name(), "Счётчик.Вход2");
  // Saved again, the image is the one that was read, byte for byte.
  messages.Errors.clear();
  EXPECT_EQ(Build(*target), bytes);
  EXPECT_TRUE(messages.Errors.empty());
  auto* meter = dynamic_cast<FieldPort*>(proc->Child(2));
  ASSERT_NE(meter, nullptr);
  EXPECT_EQ(meter->Kind, test::kTcpPortCode);
  EXPECT_EQ(meter->DeviceName, "Счётчик");
  EXPECT_EQ(meter->LinkedBoard, target->Controller().Child(3));
  EXPECT_EQ(meter->TS()->Count(), 2);
}

}  // namespace
}  // namespace vilk

// The stand-in controller's own rules: fault descriptions, file names that are no plain
// name, the order of segments, the commit after the last one.
#include "sim_controller.h"

#include <gtest/gtest.h>

#include "link/frame.h"
#include "sim_process.h"

namespace vilk::test {
namespace {

Bytes Frame(const Bytes& body) {
  Bytes f{static_cast<std::uint8_t>(body.size())};
  unsigned sum = 0;
  for (auto b : body) {
    f.push_back(b);
    sum += b;
  }
  f.push_back(static_cast<std::uint8_t>(sum));
  return f;
}

// A short-form write request of `data` at `pos` of a file of `total` bytes.
Bytes WriteRequest(const std::string& name, std::uint32_t pos, std::uint32_t total,
                   const Bytes& data) {
  Bytes body(static_cast<std::size_t>(data.size()) + 25, 0);
  body[0] = 0x96;
  body[1] = static_cast<std::uint8_t>(name.size());
  std::copy(name.begin(), name.end(), body.begin() + 2);
  for (int i = 0; i < 4; ++i) {
    body[14 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(pos >> (8 * i));
    body[18 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(total >> (8 * i));
  }
  body[22] = static_cast<std::uint8_t>(data.size());
  std::copy(data.begin(), data.end(), body.begin() + 23);
  return Frame(body);
}

std::uint16_t ErrorOf(const sim::Reply& r) {
  return r.Frame.size() >= 4 ? static_cast<std::uint16_t>(r.Frame[2] | (r.Frame[3] << 8)) : 0xFFFF;
}

TEST(SimController, FaultDescriptions) {
  auto f = sim::Fault::Parse("write:error=1234@2");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->Request, "write");
  EXPECT_EQ(f->What, sim::Fault::Error);
  EXPECT_EQ(f->Argument, 1234);
  EXPECT_EQ(f->From, 2);
  EXPECT_EQ(f->To, 2);
  f = sim::Fault::Parse("read:drop@3-");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->From, 3);
  EXPECT_GT(f->To, 1000000);
  f = sim::Fault::Parse("any:delay=50@1-4");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->Argument, 50);
  EXPECT_EQ(f->To, 4);
  for (const char* bad : {"write", "bogus:drop", "read:explode", "read:drop=3", "read:delay",
                          "read:error=70000", "read:drop@0", "read:drop@4-2", "read:drop@x"})
    EXPECT_FALSE(sim::Fault::Parse(bad)) << bad;
}

TEST(SimController, NamesThatAreNoPlainFileNameAreRefused) {
  TempFolder root;
  sim::SimController c(root.Path());
  for (const std::string name : {"../escape", "a/b", "..", "x\\y"}) {
    const Bytes req = WriteRequest(name, 0, 3, {1, 2, 3});
    EXPECT_EQ(ErrorOf(c.Handle(req.data(), req.size())), FileStageError(38, 3)) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(root.Path() + "/../escape"));
}

TEST(SimController, SegmentsInOrderCommitAtTheEnd) {
  TempFolder root;
  sim::SimController c(root.Path());
  auto send = [&](const Bytes& req) { return c.Handle(req.data(), req.size()); };
  EXPECT_EQ(ErrorOf(send(WriteRequest("F.bin", 0, 6, {1, 2, 3}))), 0);
  EXPECT_FALSE(std::filesystem::exists(root / "F.bin"));
  // The same segment again (its answer was lost) is acknowledged, not appended.
  EXPECT_EQ(ErrorOf(send(WriteRequest("F.bin", 0, 6, {1, 2, 3}))), 0);
  // A gap in the positions ends the transfer.
  EXPECT_EQ(ErrorOf(send(WriteRequest("F.bin", 4, 6, {5, 6}))), FileStageError(40, 15));
  EXPECT_EQ(ErrorOf(send(WriteRequest("F.bin", 3, 6, {4, 5, 6}))), FileStageError(40, 15));
  EXPECT_FALSE(std::filesystem::exists(root / "F.bin"));

  EXPECT_EQ(ErrorOf(send(WriteRequest("F.bin", 0, 6, {1, 2, 3}))), 0);
  EXPECT_EQ(ErrorOf(send(WriteRequest("F.bin", 3, 6, {4, 5, 6}))), 0);
  EXPECT_EQ(ReadBytes(root / "F.bin"), (Bytes{1, 2, 3, 4, 5, 6}));
  // A segment past the announced size.
  EXPECT_EQ(ErrorOf(send(WriteRequest("G.bin", 0, 2, {1, 2, 3}))), FileStageError(40, 15));
  // Garbage gets no answer.
  const Bytes junk{5, 1, 2};
  EXPECT_TRUE(c.Handle(junk.data(), junk.size()).Frame.empty());
}

}  // namespace
}  // namespace vilk::test

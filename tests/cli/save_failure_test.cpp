// vilkcfg resave onto an existing file that cannot be replaced: the save check refuses, the
// write fails, the rename fails, the folder takes no new file. Each time the exit status is
// 1 with the reason on stderr, the old file keeps its bytes, and no temporary file is left.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

#include "../core/file_faults.h"
#include "../core/test_items.h"
#include "cli.h"

namespace vilk {
namespace {

using test::ReadAll;
using test::WriteAll;
using Names = std::vector<std::string>;

class SaveFailureTest : public test::WithTestKinds {
 protected:
  int Run(const std::vector<std::string>& args) {
    out.str("");
    err.str("");
    return cli::Run(args, out, err);
  }

  // A configuration that loads, written to `name`.
  void MakeInput(const std::string& name) {
    ASSERT_EQ(Run({"new", "--model", "23", dir / name}), 0) << err.str();
  }
  // The file that a failed save must leave alone: a configuration of another model.
  std::vector<std::uint8_t> MakeOld(const std::string& name) {
    EXPECT_EQ(Run({"new", "--model", "22", dir / name}), 0) << err.str();
    return ReadAll(dir / name);
  }

  test::ScratchFolder dir;
  std::ostringstream out;
  std::ostringstream err;
};

TEST_F(SaveFailureTest, TheSaveCheckRefuses) {
  // Two ports of the same number: it loads, but no save passes the check.
  RecordingMessages messages;
  Configuration config(messages);
  auto* a = test::AddFieldPort(config, 1, "A", 0, 0, 0);
  auto* b = test::AddFieldPort(config, 2, "B", 0, 0, 0);
  test::LinkToBoard(a, 33);
  test::LinkToBoard(b, 34);
  auto bytes = test::Build(config);
  ASSERT_FALSE(bytes.empty());
  const std::vector<std::size_t> ports = test::TopBlocks(bytes, test::kFieldPortCode);
  ASSERT_EQ(ports.size(), 2u);
  const std::size_t number = test::FindRecord(bytes, ports[1], test::kKeyPortNumber);
  ASSERT_EQ(bytes[number + 8], 2);
  bytes[number + 8] = 1;
  test::Restamp(bytes);
  WriteAll(dir / "dup.cfg", bytes);

  const auto old = MakeOld("out.cfg");
  ASSERT_FALSE(old.empty());
  EXPECT_EQ(Run({"resave", dir / "dup.cfg", dir / "out.cfg"}), 1);
  EXPECT_EQ(err.str(), "Обнаружены порты с одинаковым адресом.\nСохранение прервано.\n");
  EXPECT_EQ(ReadAll(dir / "out.cfg"), old);
  EXPECT_EQ(dir.Entries(), (Names{"dup.cfg", "out.cfg"}));
}

TEST_F(SaveFailureTest, AWriteError) {
  MakeInput("in.cfg");
  const auto old = MakeOld("out.cfg");
  int status = 0;
  {
    // The new image (1376 bytes) does not fit under the limit; the old one is 976.
    test::FileSizeLimit limit(512);
    status = Run({"resave", dir / "in.cfg", dir / "out.cfg"});
  }
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err.str(), "Ошибка записи файла " + (dir / "out.cfg") + ": файл слишком велик\n");
  EXPECT_EQ(ReadAll(dir / "out.cfg"), old);
  EXPECT_EQ(dir.Entries(), (Names{"in.cfg", "out.cfg"}));
}

TEST_F(SaveFailureTest, AFolderWhereTheFileShouldGo) {
  MakeInput("in.cfg");
  std::filesystem::create_directory(dir / "out.cfg");
  const auto old = MakeOld("out.cfg/inside.cfg");
  EXPECT_EQ(Run({"resave", dir / "in.cfg", dir / "out.cfg"}), 1);
  EXPECT_EQ(err.str(), "Ошибка записи файла " + (dir / "out.cfg") + ": это папка\n");
  EXPECT_EQ(ReadAll(dir / "out.cfg/inside.cfg"), old);
  EXPECT_EQ(dir.Entries(), (Names{"in.cfg", "out.cfg"}));
}

TEST_F(SaveFailureTest, AReadOnlyFolder) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into a read-only folder";
  MakeInput("in.cfg");
  const auto old = MakeOld("out.cfg");
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0555), 0);
  EXPECT_EQ(Run({"resave", dir / "in.cfg", dir / "out.cfg"}), 1);
  ::chmod(dir.Path().c_str(), 0755);
  EXPECT_EQ(err.str(), "Ошибка записи файла " + (dir / "out.cfg") + ": нет доступа\n");
  EXPECT_EQ(ReadAll(dir / "out.cfg"), old);
  EXPECT_EQ(dir.Entries(), (Names{"in.cfg", "out.cfg"}));
}

// A read-only target is refused even for root, and keeps its bytes and its mode.
TEST_F(SaveFailureTest, AReadOnlyTarget) {
  MakeInput("in.cfg");
  const auto old = MakeOld("out.cfg");
  ASSERT_EQ(::chmod((dir / "out.cfg").c_str(), 0444), 0);
  EXPECT_EQ(Run({"resave", dir / "in.cfg", dir / "out.cfg"}), 1);
  EXPECT_EQ(err.str(),
            "Ошибка записи файла " + (dir / "out.cfg") + ": файл доступен только для чтения\n");
  EXPECT_EQ(ReadAll(dir / "out.cfg"), old);
  struct stat st {};
  ASSERT_EQ(::stat((dir / "out.cfg").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
  EXPECT_EQ(dir.Entries(), (Names{"in.cfg", "out.cfg"}));
}

}  // namespace
}  // namespace vilk

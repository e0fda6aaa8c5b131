// WriteFileAtomic: the new bytes arrive whole or not at all; on every failure the old file
// keeps its bytes, the error says why, and no temporary file is left beside it.
#include "base/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "file_faults.h"

namespace vilk {
namespace {

using test::FileSizeLimit;
using test::OldContent;
using test::ReadAll;
using test::ScratchFolder;
using test::WriteAll;
using Names = std::vector<std::string>;

std::vector<std::uint8_t> NewContent(std::size_t n) {
  std::vector<std::uint8_t> b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 13 + 1);
  return b;
}

TEST(WriteFileAtomic, ReplacesTheFileWhole) {
  ScratchFolder dir;
  const std::string path = dir / "a.cfg";
  WriteAll(path, OldContent(5000));
  const auto data = NewContent(1376);
  std::string error;
  ASSERT_TRUE(WriteFileAtomic(path, data.data(), data.size(), &error)) << error;
  EXPECT_EQ(ReadAll(path), data);
  EXPECT_EQ(dir.Entries(), Names{"a.cfg"});
  // A configuration is a normal file, not the owner-only file mkstemp makes.
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);

  // Nothing to write still replaces the file (by an empty one), and makes a new one.
  ASSERT_TRUE(WriteFileAtomic(path, nullptr, 0, &error)) << error;
  EXPECT_TRUE(ReadAll(path).empty());
  ASSERT_TRUE(WriteFileAtomic(dir / "b.cfg", data.data(), data.size(), nullptr));
  EXPECT_EQ(ReadAll(dir / "b.cfg"), data);
  EXPECT_EQ(dir.Entries(), (Names{"a.cfg", "b.cfg"}));
}

TEST(WriteFileAtomic, AWriteErrorKeepsTheOldFile) {
  ScratchFolder dir;
  const std::string path = dir / "a.cfg";
  const auto old = OldContent();
  WriteAll(path, old);
  const auto data = NewContent(4096);
  std::string error;
  bool written = true;
  {
    // The temporary file takes 100 bytes, then the disk is "full".
    FileSizeLimit limit(100);
    written = WriteFileAtomic(path, data.data(), data.size(), &error);
  }
  EXPECT_FALSE(written);
  EXPECT_EQ(error, "файл слишком велик");
  EXPECT_EQ(ReadAll(path), old);
  EXPECT_EQ(dir.Entries(), Names{"a.cfg"});
}

TEST(WriteFileAtomic, AFailedRenameRemovesTheWrittenTemporaryFile) {
  // The data is complete in the temporary file; only the rename fails: a folder stands
  // where the file should go.
  ScratchFolder dir;
  const std::string path = dir / "a.cfg";
  std::filesystem::create_directory(path);
  WriteAll(path + "/inside", OldContent());
  const auto data = NewContent(700);
  std::string error;
  EXPECT_FALSE(WriteFileAtomic(path, data.data(), data.size(), &error));
  EXPECT_EQ(error, "это папка");
  EXPECT_TRUE(std::filesystem::is_directory(path));
  EXPECT_EQ(ReadAll(path + "/inside"), OldContent());
  EXPECT_EQ(dir.Entries(), Names{"a.cfg"});
}

TEST(WriteFileAtomic, NoFolderForTheTemporaryFile) {
  ScratchFolder dir;
  const auto data = NewContent(10);
  std::string error;
  EXPECT_FALSE(WriteFileAtomic(dir / "no/such/a.cfg", data.data(), data.size(), &error));
  EXPECT_EQ(error, "папка не найдена");
  // A regular file where the folder should be.
  WriteAll(dir / "file", OldContent());
  EXPECT_FALSE(WriteFileAtomic(dir / "file/a.cfg", data.data(), data.size(), &error));
  EXPECT_EQ(error, "в пути есть файл вместо папки");
  EXPECT_EQ(ReadAll(dir / "file"), OldContent());
  EXPECT_EQ(dir.Entries(), Names{"file"});
}

TEST(WriteFileAtomic, AReadOnlyFolderKeepsTheOldFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into a read-only folder";
  ScratchFolder dir;
  const std::string path = dir / "a.cfg";
  const auto old = OldContent();
  WriteAll(path, old);
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0555), 0);
  const auto data = NewContent(100);
  std::string error;
  EXPECT_FALSE(WriteFileAtomic(path, data.data(), data.size(), &error));
  EXPECT_EQ(error, "нет доступа");
  ::chmod(dir.Path().c_str(), 0755);
  EXPECT_EQ(ReadAll(path), old);
  EXPECT_EQ(dir.Entries(), Names{"a.cfg"});
}

}  // namespace
}  // namespace vilk

namespace vilk {
namespace {

using test::OldContent;
using test::ReadAll;
using test::ScratchFolder;
using test::WriteAll;

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// A file nobody may write is refused, for root too; a replaced file keeps its mode.
TEST(WriteFileAtomic, ReadOnlyTargetsAreRefusedAndModesKept) {
  ScratchFolder dir;
  const std::string locked = dir / "locked.cfg";
  WriteAll(locked, OldContent(300));
  ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
  const std::vector<std::uint8_t> data(100, 7);
  std::string error;
  EXPECT_FALSE(WriteFileAtomic(locked, data.data(), data.size(), &error));
  EXPECT_EQ(error, "файл доступен только для чтения");
  EXPECT_EQ(ReadAll(locked), OldContent(300));
  EXPECT_EQ(ModeOf(locked), 0444u);

  const std::string secret = dir / "secret.cfg";
  WriteAll(secret, OldContent(10));
  ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
  ASSERT_TRUE(WriteFileAtomic(secret, data.data(), data.size(), &error)) << error;
  EXPECT_EQ(ReadAll(secret), data);
  EXPECT_EQ(ModeOf(secret), 0600u);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"locked.cfg", "secret.cfg"}));
}

// Saving through a symbolic link updates the file it names and leaves the link a link.
TEST(WriteFileAtomic, WritesThroughASymbolicLink) {
  ScratchFolder dir;
  std::filesystem::create_directory(dir / "real");
  const std::string target = dir / "real/station.cfg";
  WriteAll(target, OldContent(50));
  ASSERT_EQ(::symlink("real/station.cfg", (dir / "link.cfg").c_str()), 0);
  const std::vector<std::uint8_t> data(64, 9);
  std::string error;
  ASSERT_TRUE(WriteFileAtomic(dir / "link.cfg", data.data(), data.size(), &error)) << error;
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.cfg"));
  EXPECT_EQ(ReadAll(target), data);
  EXPECT_EQ(ReadAll(dir / "link.cfg"), data);
}

// Only regular files are read: a folder, a FIFO (which would block an open) and a missing
// file each say what they are.
TEST(ReadFileLimited, TakesRegularFilesOnlyAndSaysWhyNot) {
  ScratchFolder dir;
  std::vector<std::uint8_t> out;
  EXPECT_EQ(ReadFileLimited(dir.Path(), 1000, out), ReadResult::IsDirectory);
  EXPECT_EQ(DescribeReadFailure(ReadResult::IsDirectory, "x"), "x - это папка, а не файл.");
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  EXPECT_EQ(ReadFileLimited(dir / "pipe", 1000, out), ReadResult::NotRegular);
  EXPECT_EQ(DescribeReadFailure(ReadResult::NotRegular, "p"), "p - это не обычный файл.");
  EXPECT_EQ(ReadFileLimited(dir / "none", 1000, out), ReadResult::NotFound);
  EXPECT_EQ(DescribeReadFailure(ReadResult::NotFound, "n"), "Файл n не найден.");
  EXPECT_EQ(ReadFileLimited("/dev/null", 1000, out), ReadResult::NotRegular);

  WriteAll(dir / "ok", OldContent(999));
  EXPECT_EQ(ReadFileLimited(dir / "ok", 1000, out), ReadResult::Ok);
  EXPECT_EQ(out, OldContent(999));
  WriteAll(dir / "big", OldContent(1000));
  EXPECT_EQ(ReadFileLimited(dir / "big", 1000, out), ReadResult::TooLarge);
  if (::geteuid() != 0) {
    ASSERT_EQ(::chmod((dir / "ok").c_str(), 0), 0);
    EXPECT_EQ(ReadFileLimited(dir / "ok", 1000, out), ReadResult::NoPermission);
  }
}

}  // namespace
}  // namespace vilk

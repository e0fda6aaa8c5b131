// The packet frame, the file CRC and the texts of the answer error codes.
#include "link/frame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vilk {
namespace {

TEST(LinkFrame, ChecksumIsTheByteSumOfTheBody) {
  std::vector<std::uint8_t> f{3, 0x61, 0x62, 0x63, 0x00};
  EXPECT_EQ(SealFrame(f.data()), 5u);
  EXPECT_EQ(f[4], 0x26);
  EXPECT_TRUE(FrameIsSound(f.data(), 5));

  // The sum wraps modulo 256.
  std::vector<std::uint8_t> g{2, 0xFF, 0x02, 0x00};
  SealFrame(g.data());
  EXPECT_EQ(g[3], 0x01);
}

TEST(LinkFrame, OnlyOneExactFrameIsSound) {
  const std::vector<std::uint8_t> good{3, 0x61, 0x62, 0x63, 0x26};
  EXPECT_FALSE(FrameIsSound(good.data(), 4));  // cut
  std::vector<std::uint8_t> longer = good;
  longer.push_back(0);
  EXPECT_FALSE(FrameIsSound(longer.data(), longer.size()));  // trailing byte
  std::vector<std::uint8_t> bad = good;
  bad[4] = 0x27;
  EXPECT_FALSE(FrameIsSound(bad.data(), bad.size()));
  const std::vector<std::uint8_t> empty{0, 0};
  EXPECT_FALSE(FrameIsSound(empty.data(), empty.size()));  // L = 0 carries no request code

  // The largest frame: L = 255, 257 bytes.
  std::vector<std::uint8_t> big(kMaxFrameSize, 1);
  big[0] = 255;
  SealFrame(big.data());
  EXPECT_EQ(big[256], 255);
  EXPECT_TRUE(FrameIsSound(big.data(), big.size()));
}

TEST(LinkCrc, CheckValuesAndPieces) {
  EXPECT_EQ(Crc32NoFinalXor(std::string_view("123456789")), 0x340BC6D9u);
  EXPECT_EQ(Crc32NoFinalXor(std::string_view("")), 0xFFFFFFFFu);
  EXPECT_EQ(Crc32NoFinalXor(std::string_view("a")), 0x174841BCu);
  const std::string s = "123456789";
  const auto* p = reinterpret_cast<const std::uint8_t*>(s.data());
  EXPECT_EQ(Crc32Update(Crc32Update(0xFFFFFFFFu, {p, 4}), {p + 4, 5}), 0x340BC6D9u);
}

TEST(LinkErrors, ExamplesOfTheCodes) {
  EXPECT_EQ(DescribeError(0x04F6), "\r\nОшибка записи сегмента.\r\nКод ошибки -22\r\nDISK_FULL");
  EXPECT_EQ(DescribeError(1234), "Не верный пароль.");  // bit 10 set, still the password
  EXPECT_EQ(DescribeError(7), "Код ошибки 7");
  EXPECT_EQ(DescribeError(0), "Код ошибки 0");
  EXPECT_EQ(DescribeError(65535), "\r\n\r\nКод ошибки -31\r\n");  // stage 63, error 31: no texts
  EXPECT_EQ(DescribeError(0x0400), "\r\n\r\nКод ошибки -0\r\n");
  EXPECT_EQ(DescribeError(FileStageError(33, 9)),
            "\r\nОшибка открытия файла для чтения.\r\nКод ошибки -9\r\nFILE_NOT_FOUND");
  EXPECT_EQ(FileStageError(39, 22), 0x04F6);
}

TEST(LinkErrors, PlainCodes) {
  const std::vector<std::pair<int, std::string>> table{
      {2, "Файл не найден."},
      {3, "Путь не найден."},
      {4, "Много открытых файлов."},
      {5, "Ошибка доступа."},
      {8, "Недостаточно памяти."},
      {18, "Конец списка файлов."},
      {1, "Код ошибки 1"},
      {1023, "Код ошибки 1023"},
      {2048, "Код ошибки 2048"},
      {1233, "\r\nОшибка открытия файла для записи.\r\nКод ошибки -17\r\nSTRING_BUFFER_TOO_SMALL"}};
  for (const auto& [code, text] : table)
    EXPECT_EQ(DescribeError(static_cast<std::uint16_t>(code)), text) << code;
}

TEST(LinkErrors, EveryStageAndFileSystemError) {
  const std::vector<std::pair<int, std::string>> stages{
      {33, "Ошибка открытия файла для чтения."},
      {34, "Ошибка чтения сегмента файла."},
      {35, "Ошибка номера сегмента."},
      {36, "Нет прав на запись файла паролей."},
      {37, "Нет прав доступа."},
      {38, "Ошибка открытия файла для записи."},
      {39, "Ошибка записи сегмента."},
      {40, "Ошибка номера сегмента."},
      {41, "Ошибка удаления временного файла."},
      {42, "Ошибка удаления старой версии файла."},
      {43, "Ошибка переименования записанного файла."},
      {44, ""},
      {32, ""}};
  for (const auto& [stage, text] : stages)
    EXPECT_EQ(DescribeError(FileStageError(stage, 0)), "\r\n" + text + "\r\nКод ошибки -0\r\n")
        << stage;

  const std::vector<std::pair<int, std::string>> names{{2, "PARAM_ERROR"},
                                                       {3, "INVALID_FILENAME"},
                                                       {4, "DRIVE_NOT_FOUND"},
                                                       {5, "TOO_MANY_FILES"},
                                                       {7, "WRONG_MEDIA"},
                                                       {8, "INVALID_FILE_SYSTEM"},
                                                       {9, "FILE_NOT_FOUND"},
                                                       {10, "INVALID_FILE_HANDLE"},
                                                       {13, "CORRUPTED_PARTITION_TABLE"},
                                                       {15, "INVALID_FILE_POS"},
                                                       {16, "ACCESS_DENIED"},
                                                       {17, "STRING_BUFFER_TOO_SMALL"},
                                                       {18, "GENERAL_FAILURE"},
                                                       {19, "PATH_NOT_FOUND"},
                                                       {20, "FAT_ALLOC_ERROR"},
                                                       {21, "ROOT_DIR_FULL"},
                                                       {22, "DISK_FULL"},
                                                       {23, "TIMEOUT"},
                                                       {24, "BAD_SECTOR"},
                                                       {25, "DATA_ERROR"},
                                                       {27, "SECTOR_NOT_FOUND"},
                                                       {29, "DRIVE_NOT_READY"},
                                                       {30, "WRITE_PROTECTION"},
                                                       {0, ""},
                                                       {1, ""},
                                                       {6, ""},
                                                       {11, ""},
                                                       {12, ""},
                                                       {14, ""},
                                                       {26, ""},
                                                       {28, ""},
                                                       {31, ""}};
  for (const auto& [error, name] : names)
    EXPECT_EQ(
        DescribeError(FileStageError(34, error)),
        "\r\nОшибка чтения сегмента файла.\r\nКод ошибки -" + std::to_string(error) + "\r\n" + name)
        << error;
}

}  // namespace
}  // namespace vilk

#include "link/frame.h"

#include <array>

namespace vilk {

std::uint8_t FrameChecksum(const std::uint8_t* body, std::size_t length) {
  unsigned sum = 0;
  for (std::size_t i = 0; i < length; ++i) sum += body[i];
  return static_cast<std::uint8_t>(sum);
}

std::size_t SealFrame(std::uint8_t* frame) {
  const std::size_t l = frame[0];
  frame[l + 1] = FrameChecksum(frame + 1, l);
  return l + 2;
}

bool FrameIsSound(const std::uint8_t* frame, std::size_t size) {
  if (size < 3) return false;
  const std::size_t l = frame[0];
  return l >= 1 && size == l + 2 && FrameChecksum(frame + 1, l) == frame[l + 1];
}

namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

const char* StageText(int stage) {
  switch (stage) {
    case 33:
      return "Ошибка открытия файла для чтения.";
    case 34:
      return "Ошибка чтения сегмента файла.";
    case 35:
      return "Ошибка номера сегмента.";
    case 36:
      return "Нет прав на запись файла паролей.";
    case 37:
      return "Нет прав доступа.";
    case 38:
      return "Ошибка открытия файла для записи.";
    case 39:
      return "Ошибка записи сегмента.";
    case 40:
      return "Ошибка номера сегмента.";
    case 41:
      return "Ошибка удаления временного файла.";
    case 42:
      return "Ошибка удаления старой версии файла.";
    case 43:
      return "Ошибка переименования записанного файла.";
    default:
      return "";
  }
}

const char* FileSystemErrorName(int error) {
  switch (error) {
    case 2:
      return "PARAM_ERROR";
    case 3:
      return "INVALID_FILENAME";
    case 4:
      return "DRIVE_NOT_FOUND";
    case 5:
      return "TOO_MANY_FILES";
    case 7:
      return "WRONG_MEDIA";
    case 8:
      return "INVALID_FILE_SYSTEM";
    case 9:
      return "FILE_NOT_FOUND";
    case 10:
      return "INVALID_FILE_HANDLE";
    case 13:
      return "CORRUPTED_PARTITION_TABLE";
    case 15:
      return "INVALID_FILE_POS";
    case 16:
      return "ACCESS_DENIED";
    case 17:
      return "STRING_BUFFER_TOO_SMALL";
    case 18:
      return "GENERAL_FAILURE";
    case 19:
      return "PATH_NOT_FOUND";
    case 20:
      return "FAT_ALLOC_ERROR";
    case 21:
      return "ROOT_DIR_FULL";
    case 22:
      return "DISK_FULL";
    case 23:
      return "TIMEOUT";
    case 24:
      return "BAD_SECTOR";
    case 25:
      return "DATA_ERROR";
    case 27:
      return "SECTOR_NOT_FOUND";
    case 29:
      return "DRIVE_NOT_READY";
    case 30:
      return "WRITE_PROTECTION";
    default:
      return "";
  }
}

}  // namespace

std::uint32_t Crc32Update(std::uint32_t crc, std::span<const std::uint8_t> bytes) {
  for (std::uint8_t b : bytes) crc = kCrcTable[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return crc;
}

std::uint32_t Crc32NoFinalXor(std::span<const std::uint8_t> bytes) {
  return Crc32Update(0xFFFFFFFFu, bytes);
}

std::uint32_t Crc32NoFinalXor(std::string_view bytes) {
  return Crc32NoFinalXor(std::span<const std::uint8_t>(
      reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

std::string DescribeError(std::uint16_t code) {
  // 1234 has bit 10 set too; it is the wrong-password answer, not a file stage.
  if (code == kErrWrongPassword) return "Не верный пароль.";
  if (code & 0x0400) {
    const int stage = (code >> 5) & 0x3F;
    const int fsError = code & 0x1F;
    return std::string("\r\n") + StageText(stage) + "\r\nКод ошибки -" + std::to_string(fsError) +
           "\r\n" + FileSystemErrorName(fsError);
  }
  switch (code) {
    case 2:
      return "Файл не найден.";
    case 3:
      return "Путь не найден.";
    case 4:
      return "Много открытых файлов.";
    case 5:
      return "Ошибка доступа.";
    case 8:
      return "Недостаточно памяти.";
    case 18:
      return "Конец списка файлов.";
    default:
      return "Код ошибки " + std::to_string(code);
  }
}

}  // namespace vilk

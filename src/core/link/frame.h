#pragma once
// The controller link's packet frame and the numbers carried in it: the frame checksum,
// the file CRC (Crc32NoFinalXor) and the texts of the 16-bit answer error code.
//
// Frame, both directions: L, then L body bytes (request code first), then the byte sum of
// the body modulo 256. No start byte, no address, no escaping; one packet is one datagram
// over UDP and one burst of bytes on the serial line.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vilk {

// L is one byte, so the largest frame is 255 + 2 bytes; both buffers hold that much.
constexpr std::size_t kMaxFrameSize = 257;

// Request codes.
constexpr std::uint8_t kReqReboot = 0x88;
constexpr std::uint8_t kReqFindFile = 0x94;
constexpr std::uint8_t kReqReadSegment = 0x95;
constexpr std::uint8_t kReqWriteSegment = 0x96;
constexpr std::uint8_t kReqSetClock = 0x9B;
constexpr std::uint8_t kReqReadValue = 0xA1;
constexpr std::uint8_t kReqIdentify = 0xA2;

// Files move in segments of at most this many bytes.
constexpr std::size_t kSegmentSize = 128;
// Controller file names are short strings of at most 12 characters (8.3 form).
constexpr std::size_t kFileNameChars = 12;

// Error codes the tool reacts to.
constexpr std::uint16_t kErrEndOfFileList = 18;
constexpr std::uint16_t kErrWrongPassword = 1234;

// Sum of the body bytes (offsets 1..L of the frame) modulo 256.
std::uint8_t FrameChecksum(const std::uint8_t* body, std::size_t length);

// Writes the checksum after the body of the frame at `frame` (L = frame[0]); returns the
// frame's size on the wire, L + 2.
std::size_t SealFrame(std::uint8_t* frame);

// True when `size` received bytes form exactly one frame whose checksum matches: L >= 1,
// size == L + 2. Anything else (a cut or padded burst, a stray byte) is no answer.
bool FrameIsSound(const std::uint8_t* frame, std::size_t size);

// Reflected CRC-32, polynomial 0xEDB88320, initial value 0xFFFFFFFF, no final inversion.
// "123456789" gives 0x340BC6D9, empty input 0xFFFFFFFF. Carried with every written file
// and used for the access key.
std::uint32_t Crc32NoFinalXor(std::span<const std::uint8_t> bytes);
std::uint32_t Crc32NoFinalXor(std::string_view bytes);
// Continues a CRC over further bytes (start with 0xFFFFFFFF).
std::uint32_t Crc32Update(std::uint32_t crc, std::span<const std::uint8_t> bytes);

// The text of an answer error code, as the error boxes show it after "Ошибка чтения
// файла. " and the like. Line breaks are "\r\n".
std::string DescribeError(std::uint16_t code);

// The controller's own error codes for a failed file operation: the stage (33..43) in bits
// 5..10, the file-system error in bits 0..4.
constexpr std::uint16_t FileStageError(int stage, int fsError) {
  return static_cast<std::uint16_t>((stage << 5) | (fsError & 0x1F));
}

}  // namespace vilk

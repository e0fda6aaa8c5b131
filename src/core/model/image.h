#pragma once
// The configuration image: one 1 MiB + 1 byte buffer holding the header, the record
// stream the items write and the checksum; and TConfig, the cursor every item reads
// and writes through. Little-endian, packed, no alignment.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace vilk {

constexpr std::size_t kImageCapacity = 0x100001;  // 1 MiB plus one byte
constexpr std::size_t kMaxImageSize = 0x100000;   // a built image never exceeds 1 MiB
constexpr std::size_t kDataOffset = 144;
constexpr std::size_t kMinImageSize = 160;
constexpr std::uint16_t kBlockTag = 0xFFF1;
constexpr std::uint16_t kValueTag = 0xFFF2;
constexpr int kNoBlock = -1;  // PeekBlock/NextBlock: no block header follows

inline const char kSignVilk[] = "Sign:Vilk     ";
inline const char kSignTamor[] = "Sign:Tamor    ";
inline const char kDataMarker[] = "** ConfigData **";

class ConfigImage {
 public:
  // The buffer comes zeroed from the system, page by page as it is first touched: a
  // command that only reads a small file never clears (or even maps) the whole MiB.
  ConfigImage();
  ConfigImage(const ConfigImage&) = delete;
  ConfigImage& operator=(const ConfigImage&) = delete;

  std::uint8_t* Data() { return bytes_.get(); }
  const std::uint8_t* Data() const { return bytes_.get(); }
  std::size_t Capacity() const { return kImageCapacity; }
  void Zero();

  // Copies received or read bytes to the start of the buffer (at most its capacity);
  // remembers how many are valid so that loading never reads past them.
  void Assign(const std::uint8_t* data, std::size_t size);
  void Assign(const std::vector<std::uint8_t>& data) { Assign(data.data(), data.size()); }
  std::size_t ValidSize() const { return validSize_; }
  void SetValidSize(std::size_t size) { validSize_ = size; }

  std::uint16_t U16(std::size_t at) const;
  std::uint32_t U32(std::size_t at) const;
  void PutU16(std::size_t at, std::uint16_t v);
  void PutU32(std::size_t at, std::uint32_t v);

  std::size_t BuildCursor = 0;  // next free byte while building
  std::size_t TotalSize = 0;    // total size T of the last built image
  std::size_t LoadedDataOffset = 0;

 private:
  struct Free {
    void operator()(std::uint8_t* p) const { std::free(p); }
  };
  std::unique_ptr<std::uint8_t[], Free> bytes_;
  std::size_t validSize_ = 0;
};

// Sum of bytes 0 .. size-3 modulo 65536. Stamp writes it into the last two bytes;
// verify compares it with them. Sizes below 2 or beyond the buffer never verify.
bool ImageChecksum(ConfigImage& image, std::size_t size, bool stamp);
std::uint16_t ByteSum(const std::uint8_t* data, std::size_t size);

// The cursor through which items write and read their blocks. Writes that would pass the
// limit are refused and remembered (Overflow), reads never look past the limit.
class TConfig {
 public:
  explicit TConfig(ConfigImage& image);

  // Start writing at `cursor`; nothing is written at or beyond `limit`.
  void StartWrite(std::size_t cursor, std::size_t limit = kMaxImageSize);
  // Start reading at `cursor`; records end at `limit` (the end of the valid data).
  void StartRead(std::size_t cursor, std::size_t limit);

  // Writes a block header with length 8; returns the block start for EndBlock.
  std::size_t BeginBlock(std::uint16_t id);
  // Patches the length of the block that began at `blockStart`.
  void EndBlock(std::size_t blockStart);
  void WriteValue(std::uint16_t key, const void* data, std::size_t size);
  // Copies a whole block read earlier (header and all) to the cursor.
  void WriteRaw(const std::vector<std::uint8_t>& bytes);
  template <typename T>
  void WriteScalar(std::uint16_t key, T v) {
    WriteValue(key, &v, sizeof v);
  }

  // Finds `key` among the value records at the cursor; copies min(N, size) bytes.
  bool ReadValue(std::uint16_t key, void* dest, std::size_t size);
  // The same, handing out the record's bytes and length without copying.
  bool FindValue(std::uint16_t key, const std::uint8_t** data, std::size_t* size);
  template <typename T>
  bool ReadScalar(std::uint16_t key, T& v) {
    return ReadValue(key, &v, sizeof v);
  }

  // Id of the next block header at or after the cursor (skipping value records), or
  // kNoBlock when anything else comes first. NextBlock moves past that header.
  int NextBlock();
  int PeekBlock() const;
  // The same, but only a header that starts before `end` (the end of the enclosing block).
  int PeekBlockBefore(std::size_t end) const;
  void MarkBlock() { blockStart_ = cursor_; }
  void SkipBlock();
  // Moves the cursor to the end of the block whose header starts at `blockStart`.
  void SkipBlockAt(std::size_t blockStart);
  // The bytes of the block whose header starts at `blockStart` (cut at the data's end).
  std::vector<std::uint8_t> BlockBytes(std::size_t blockStart) const;
  // Puts the cursor back to a position met earlier (within the data).
  void Seek(std::size_t at) { cursor_ = at < limit_ ? at : limit_; }

  std::size_t Cursor() const { return cursor_; }
  std::size_t BlockStart() const { return blockStart_; }
  std::size_t Limit() const { return limit_; }
  bool Overflow() const { return overflow_; }
  ConfigImage& Image() { return image_; }

 private:
  bool HeadAt(std::size_t at, std::uint16_t* tag, std::uint16_t* key, std::uint32_t* len) const;
  int FindBlock(std::size_t* headerAt) const;

  ConfigImage& image_;
  std::size_t cursor_ = 0;
  std::size_t blockStart_ = 0;
  std::size_t limit_ = 0;
  std::size_t current_ = 0;  // the record last looked at
  bool overflow_ = false;
};

// Checks that the record stream from `from` to `limit` is well formed: every record
// head and body lies inside the data and inside its enclosing block, block lengths
// cover whole records; the stream ends at the first top-level record of no kind. Returns an empty
// string when it is sound, else a description of the first fault.
std::string ValidateRecordStream(const ConfigImage& image, std::size_t from, std::size_t limit);

}  // namespace vilk

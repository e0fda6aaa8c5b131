#include "model/image.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/format.h"

namespace vilk {

ConfigImage::ConfigImage() : bytes_(static_cast<std::uint8_t*>(std::calloc(kImageCapacity, 1))) {
  if (!bytes_) throw std::bad_alloc();
}

void ConfigImage::Zero() {
  std::memset(bytes_.get(), 0, kImageCapacity);
}

void ConfigImage::Assign(const std::uint8_t* data, std::size_t size) {
  size = std::min(size, kImageCapacity);
  if (size) std::memcpy(bytes_.get(), data, size);
  validSize_ = size;
}

std::uint16_t ConfigImage::U16(std::size_t at) const {
  return static_cast<std::uint16_t>(bytes_[at] | (bytes_[at + 1] << 8));
}

std::uint32_t ConfigImage::U32(std::size_t at) const {
  return static_cast<std::uint32_t>(bytes_[at]) |
         (static_cast<std::uint32_t>(bytes_[at + 1]) << 8) |
         (static_cast<std::uint32_t>(bytes_[at + 2]) << 16) |
         (static_cast<std::uint32_t>(bytes_[at + 3]) << 24);
}

void ConfigImage::PutU16(std::size_t at, std::uint16_t v) {
  bytes_[at] = static_cast<std::uint8_t>(v);
  bytes_[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void ConfigImage::PutU32(std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint16_t ByteSum(const std::uint8_t* data, std::size_t size) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < size; ++i) sum += data[i];
  return static_cast<std::uint16_t>(sum);
}

bool ImageChecksum(ConfigImage& image, std::size_t size, bool stamp) {
  if (size < 2 || size > image.Capacity()) return false;
  const std::uint16_t sum = ByteSum(image.Data(), size - 2);
  if (stamp) {
    image.PutU16(size - 2, sum);
    return true;
  }
  return image.U16(size - 2) == sum;
}

TConfig::TConfig(ConfigImage& image) : image_(image) {}

void TConfig::StartWrite(std::size_t cursor, std::size_t limit) {
  cursor_ = blockStart_ = current_ = cursor;
  limit_ = std::min(limit, image_.Capacity());
  overflow_ = false;
}

void TConfig::StartRead(std::size_t cursor, std::size_t limit) {
  limit_ = std::min(limit, image_.Capacity());
  cursor_ = blockStart_ = current_ = std::min(cursor, limit_);
  overflow_ = false;
}

std::size_t TConfig::BeginBlock(std::uint16_t id) {
  const std::size_t start = cursor_;
  if (overflow_ || cursor_ + 8 > limit_) {
    overflow_ = true;
    return start;
  }
  image_.PutU16(cursor_, kBlockTag);
  image_.PutU16(cursor_ + 2, id);
  image_.PutU32(cursor_ + 4, 8);
  cursor_ += 8;
  return start;
}

void TConfig::EndBlock(std::size_t blockStart) {
  if (overflow_ || blockStart + 8 > cursor_) return;
  image_.PutU32(blockStart + 4, static_cast<std::uint32_t>(cursor_ - blockStart));
}

void TConfig::WriteValue(std::uint16_t key, const void* data, std::size_t size) {
  if (overflow_ || size > limit_ || cursor_ + 8 + size > limit_) {
    overflow_ = true;
    return;
  }
  image_.PutU16(cursor_, kValueTag);
  image_.PutU16(cursor_ + 2, key);
  image_.PutU32(cursor_ + 4, static_cast<std::uint32_t>(8 + size));
  if (size) std::memcpy(image_.Data() + cursor_ + 8, data, size);
  cursor_ += 8 + size;
}

void TConfig::WriteRaw(const std::vector<std::uint8_t>& bytes) {
  if (overflow_ || bytes.size() > limit_ || cursor_ + bytes.size() > limit_) {
    overflow_ = true;
    return;
  }
  if (!bytes.empty()) std::memcpy(image_.Data() + cursor_, bytes.data(), bytes.size());
  cursor_ += bytes.size();
}

std::vector<std::uint8_t> TConfig::BlockBytes(std::size_t blockStart) const {
  std::uint16_t tag, id;
  std::uint32_t len;
  if (!HeadAt(blockStart, &tag, &id, &len) || tag != kBlockTag || len < 8) return {};
  const std::size_t n = std::min<std::size_t>(len, limit_ - blockStart);
  return std::vector<std::uint8_t>(image_.Data() + blockStart, image_.Data() + blockStart + n);
}

bool TConfig::HeadAt(std::size_t at, std::uint16_t* tag, std::uint16_t* key,
                     std::uint32_t* len) const {
  if (at + 8 > limit_) return false;
  *tag = image_.U16(at);
  *key = image_.U16(at + 2);
  *len = image_.U32(at + 4);
  return true;
}

bool TConfig::FindValue(std::uint16_t key, const std::uint8_t** data, std::size_t* size) {
  std::size_t at = cursor_;
  std::uint16_t tag, k;
  std::uint32_t len;
  while (HeadAt(at, &tag, &k, &len) && tag == kValueTag) {
    if (len < 8 || len > limit_ - at) return false;  // a damaged record ends the list
    current_ = at;
    if (k == key) {
      *data = image_.Data() + at + 8;
      *size = len - 8;
      return true;
    }
    at += len;
  }
  return false;
}

bool TConfig::ReadValue(std::uint16_t key, void* dest, std::size_t size) {
  const std::uint8_t* data;
  std::size_t n;
  if (!FindValue(key, &data, &n)) return false;
  std::memcpy(dest, data, std::min(n, size));
  return true;
}

int TConfig::FindBlock(std::size_t* headerAt) const {
  std::size_t at = cursor_;
  std::uint16_t tag, id;
  std::uint32_t len;
  while (HeadAt(at, &tag, &id, &len)) {
    if (tag == kBlockTag) {
      *headerAt = at;
      return id;
    }
    if (tag != kValueTag || len < 8 || len > limit_ - at) return kNoBlock;
    at += len;
  }
  return kNoBlock;
}

int TConfig::NextBlock() {
  std::size_t at;
  const int id = FindBlock(&at);
  if (id != kNoBlock) {
    current_ = at;
    cursor_ = at + 8;
  }
  return id;
}

int TConfig::PeekBlock() const {
  std::size_t at;
  return FindBlock(&at);
}

int TConfig::PeekBlockBefore(std::size_t end) const {
  std::size_t at;
  const int id = FindBlock(&at);
  return id != kNoBlock && at < end ? id : kNoBlock;
}

void TConfig::SkipBlockAt(std::size_t blockStart) {
  std::uint16_t tag, id;
  std::uint32_t len;
  if (HeadAt(blockStart, &tag, &id, &len) && tag == kBlockTag && len >= 8 &&
      len <= limit_ - blockStart) {
    cursor_ = blockStart + len;
    return;
  }
  // No sound header where the block should start: stop at the end of the data rather
  // than guess, so that a damaged stream can never make a reader loop.
  cursor_ = limit_;
}

void TConfig::SkipBlock() {
  std::uint16_t tag, id;
  std::uint32_t len;
  std::size_t start = blockStart_;
  if (HeadAt(start, &tag, &id, &len) && tag == kValueTag) {
    // MarkBlock was taken before the item's leading value records: skip the block that
    // NextBlock found after them.
    const std::size_t saved = cursor_;
    cursor_ = start;
    std::size_t at;
    if (FindBlock(&at) != kNoBlock) start = at;
    cursor_ = saved;
  }
  SkipBlockAt(start);
}

std::string ValidateRecordStream(const ConfigImage& image, std::size_t from, std::size_t limit) {
  if (limit > image.Capacity() || from > limit) return "данные вне образа";
  std::vector<std::size_t> ends;  // end offsets of the open blocks
  std::size_t at = from;
  while (true) {
    while (!ends.empty() && ends.back() == at) ends.pop_back();
    const std::size_t end = ends.empty() ? limit : ends.back();
    if (at + 8 > end) {
      if (!ends.empty()) return Format("блок обрывается на смещении %d", static_cast<int>(at));
      break;
    }
    const std::uint16_t tag = image.U16(at);
    const std::uint32_t len = image.U32(at + 4);
    if (tag != kBlockTag && tag != kValueTag) {
      if (!ends.empty()) return Format("неизвестная запись на смещении %d", static_cast<int>(at));
      break;  // the zero padding after the last block
    }
    if (len < 8 || len > end - at)
      return Format("длина записи на смещении %d выходит за данные", static_cast<int>(at));
    if (tag == kBlockTag) {
      ends.push_back(at + len);
      at += 8;
    } else {
      at += len;
    }
  }
  return {};
}

}  // namespace vilk

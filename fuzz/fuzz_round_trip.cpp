// The round-trip property: an image that loads, built and loaded again, builds the same
// record stream. Inputs are fixed up like the loader harness's, so most reach the items.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "model/image_ops.h"

namespace {

const vilk::BuildTime kWhen{1, 1, 2026, 0, 0, 0};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static vilk::SilentMessages messages;
  static vilk::ConfigImage input, first, second;
  if (size == 0 || size >= vilk::kImageCapacity) return 0;
  input.Assign(data + 1, size - 1);
  const std::size_t n = size - 1;
  if ((data[0] & 1) && n >= vilk::kMinImageSize) {
    std::memcpy(input.Data(), vilk::kSignVilk, 14);
    if (input.Data()[15] != 22 && input.Data()[15] != 26) input.Data()[15] = 23;
    input.PutU32(28, static_cast<std::uint32_t>(n));
    vilk::ImageChecksum(input, n, true);
  }
  vilk::Configuration config(messages);
  if (!vilk::LoadImage(config, input, "fuzz.cfg")) return 0;
  if (!vilk::BuildImage(config, first, "fuzz.cfg", "", kWhen)) return 0;
  vilk::Configuration again(messages);
  if (!vilk::LoadImage(again, first, "fuzz.cfg")) std::abort();  // what we built must load
  if (!vilk::BuildImage(again, second, "fuzz.cfg", "", kWhen)) std::abort();
  if (first.TotalSize != second.TotalSize ||
      std::memcmp(first.Data(), second.Data(), first.TotalSize) != 0)
    std::abort();
  return 0;
}

// Feeds arbitrary bytes to the image loader. Inputs that start with a valid header get
// their size and checksum fixed up half of the time, so that the fuzzer reaches the
// record reader instead of stopping at the checksum.
#include <cstdint>
#include <cstring>

#include "model/image_ops.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static vilk::SilentMessages messages;
  static vilk::ConfigImage image;
  if (size == 0 || size >= vilk::kImageCapacity) return 0;
  const bool fixUp = data[0] & 1;
  image.Assign(data + 1, size - 1);
  const std::size_t n = size - 1;
  if (fixUp && n >= vilk::kMinImageSize) {
    std::memcpy(image.Data(), vilk::kSignVilk, 14);
    if (image.Data()[15] != 22 && image.Data()[15] != 26) image.Data()[15] = 23;
    image.PutU32(28, static_cast<std::uint32_t>(n));
    vilk::ImageChecksum(image, n, true);
  }
  vilk::Configuration config(messages);
  vilk::LoadImage(config, image, "fuzz.cfg");
  // Whatever was loaded must build again without faults.
  vilk::BuildImage(config, image, "fuzz.cfg", "");
  return 0;
}

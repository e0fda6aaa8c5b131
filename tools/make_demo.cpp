// Writes a demonstration configuration for the README's pictures: a ВИЛК.A1-X with its
// discrete inputs named after a small substation and a control-centre PC that receives
// some of them.
#include <cstdio>
#include <memory>

#include "base/files.h"
#include "demo.h"
#include "model/image_ops.h"

using namespace vilk;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_demo OUT.cfg\n");
    return 2;
  }
  ToolMessages messages;
  Configuration config(messages);
  BuildDemo(config);

  auto image = std::make_unique<ConfigImage>();
  if (!BuildImage(config, *image, argv[1], "")) return 1;
  std::string error;
  if (!WriteFileAtomic(argv[1], image->Data(), image->TotalSize, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  return 0;
}

#include "frames/fieldbus/device_adder.h"

#include <map>

#include "frame.h"

namespace vilk::ui {

namespace {
std::map<int, DeviceAdder>& Adders() {
  static std::map<int, DeviceAdder> adders;
  return adders;
}
}  // namespace

void RegisterDeviceAdder(int portKind, DeviceAdder adder) {
  Adders()[portKind] = std::move(adder);
}

DeviceAdder FindDeviceAdder(const TItem& port) {
  RegisterBuiltInFrames();  // the adders are registered with the frames
  // Kept blocks add nothing; their own AddChild refuses.
  if (port.IsReadOnly()) return {};
  auto it = Adders().find(port.Kind);
  return it == Adders().end() ? DeviceAdder{} : it->second;
}

}  // namespace vilk::ui

#include "ports/modules/port_doro.h"

#include <algorithm>
#include <unordered_set>

#include "base/format.h"
#include "controller/controller.h"
#include "model/configuration.h"
#include "model/kinds.h"
#include "model/record.h"
#include "ports/modules/modules.h"
#include "signals/storage.h"

namespace vilk {

namespace {
constexpr std::uint16_t kKeyNumber = 1, kKeyModuleCount = 20, kKeyBoard = 30;
constexpr int kPortImage = 2;
}  // namespace

TPortDoro::TPortDoro(Configuration& config) : TDevicePort(config) {
  Kind = kPortDoro;
  SetName("DORO");
  Number = 1;
  BoardMask = kMaskCom;
  ImageIndex = kPortImage;
  SetIcon(0);
  Menu = PopupMenu::AddDelete;
  UpdateCaption();
}

std::string TPortDoro::PortText() const {
  return Format("%d_Порт", Number);
}

std::vector<TModule*> TPortDoro::Modules() const {
  std::vector<TModule*> modules;
  for (int i = 0; i < ChildCount(); ++i)
    if (auto* m = dynamic_cast<TModule*>(Child(i))) modules.push_back(m);
  return modules;
}

std::string TPortDoro::CountText() const {
  return Format("Количество подключенных модулей = %d", DeviceTotal());
}

void TPortDoro::UpdateCaption() {
  SetCaption(Format("%d_Порт %s", Number, Name()));
}

void TPortDoro::RenameDeviceLists(TPort& device) {
  if (auto* module = dynamic_cast<TModule*>(&device)) {
    module->ListPrefix = PortText();
    module->UpdateSignalList();
  }
}

TItem* TPortDoro::AddChild(int kind) {
  if (kind != kModuleRIV24 && kind != kModuleDED12 && kind != kModuleZUZ24) return nullptr;
  if (DeviceTotal() >= kMaxModules) {
    Config().Messages().Error(
        Format("На порту %s уже %d модулей, больше не помещается", Caption(), kMaxModules));
    return nullptr;
  }
  return TDevicePort::AddChild(kind);
}

void TPortDoro::DeviceAdded(TPort& device) {
  auto* module = dynamic_cast<TModule*>(&device);
  if (!module) return;
  // The lowest address no other module uses (the frame warns about equal ones anyway).
  std::unordered_set<int> used;
  for (const TPort* d : Devices())
    if (d != &device) used.insert(d->Number);
  int address = 1;
  while (address < 255 && used.count(address)) ++address;
  module->Number = static_cast<std::uint8_t>(address);
  module->ListPrefix = PortText();
  module->UpdateSignalList();
}

std::string TPortDoro::LinkStateName(const TPort& device, int) const {
  return "связь_" + device.Caption();
}

void TPortDoro::ExtraLinkStates(std::vector<std::string>& names) const {
  for (const TModule* m : Modules())
    if (!m->Info().Commands.empty()) {
      names.push_back("Работа ТУ");
      names.push_back("Сбой ТУ");
      return;
    }
}

void TPortDoro::LinkStatesChanged() {
  ModuleCount = static_cast<std::uint8_t>(std::min(DeviceTotal(), kMaxModules));
  if (!LinkedBoard) SetIcon(0);
  Storage().RebuildPool();
}

const RecordDesc* TPortDoro::Record() const {
  static const RecordDesc record =
      RecordDesc()
          .Field(kKeyNumber, "number", &TPortDoro::Number)
          .Computed(kKeyModuleCount, "module_count", FieldType::U8,
                    [](const TItem& item) {
                      return std::min(static_cast<const TPortDoro&>(item).DeviceTotal(),
                                      kMaxModules);
                    })
          .Board(kKeyBoard);
  return &record;
}

void TPortDoro::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (!ReadVersion(cfg)) return;
  Record()->Load(cfg, *this);
  cfg.ReadScalar(kKeyModuleCount, ModuleCount);
  TController::LoadBoard(this, cfg, kKeyBoard);
  UpdateCaption();
  LoadDevices(cfg, end);
}

}  // namespace vilk

#pragma once
// What the station polling port and the IEC-104 client share: devices whose six signal
// lists are sized from a table of counts (discrete inputs, commands, measurements,
// integrated totals, set-points, multi-state inputs), and a port that names one link
// state per device and renumbers them.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/device_port.h"

namespace vilk {

class RecordDesc;

constexpr int kCountSlots = 6;
// The kinds of the count table, in the order the record stores them.
constexpr std::array<int, kCountSlots> kCountKinds = {1, 2, 3, 4, 5, 6};
using SignalCounts = std::array<int, kCountSlots>;
// Slot of a signal kind in the count table (the kind codes run in the stored order).
constexpr int CountSlot(int signalKind) {
  return signalKind - 1;
}

class TCountedDevice : public TPort {
 public:
  explicit TCountedDevice(Configuration& config);

  std::string Place;     // "Место установки", at most 64 characters
  std::string PortText;  // "%d_Порт" of the owning port: the start of every signal name
  std::array<std::uint16_t, kCountSlots> Counts{};
  // Base addresses of the six kinds ("Базовый адрес ТС" ...).
  std::uint16_t BaseTS = 0x2000, BaseMTS = 0xC000, BaseTU = 0x6000, BaseTI = 0x4000,
                BaseTII = 0xA000, BaseTR = 0x8000;

  TParams* List(int signalKind) const;  // nullptr while the kind's count is 0
  int Count(int signalKind) const {
    return Counts[static_cast<std::size_t>(CountSlot(signalKind))];
  }
  // "%s.%s": the port text and the tree text.
  std::string SignalPrefix() const;
  // Why `counts` cannot be taken (a list beyond 8192 signals, or the kind's pool beyond
  // 8192 with the other devices' lists), or "" when they can.
  std::string CheckCounts(const SignalCounts& counts) const;
  // Takes `counts` when CheckCounts allows them and rebuilds the lists; else says why
  // (the configuration's error box) and leaves everything as it was.
  bool ApplyCounts(const SignalCounts& counts);
  SignalCounts CurrentCounts() const;

  // Every kind's signals: settings, types and the user's short names under this device's
  // prefix (for a duplicate, whose lists match the source's).
  void CopySignalsFrom(const TCountedDevice& source);

  void UpdateCaption() override;  // "%d_%s"
  void CollectSignals(TStorage& pool) override;
  std::string LinkName() const override { return Place; }

 protected:
  // Lists whose count is 0 go; missing ones come, in the stored order of the kinds.
  void MakeLists(const SignalCounts& counts);
  // Reads the count table: key 20 says how many counts key 44 holds; no more than six and
  // no more than the record holds are read, a missing count is 0.
  void LoadCounts(TConfig& cfg);
  // The lists (and kept blocks) inside the device's block, which ends at `end`.
  void LoadLists(TConfig& cfg, std::size_t end);
  // The count keys (20: how many counts, 44: the counts) and the six base addresses, for
  // the kinds' records.
  static void AddCountTotal(RecordDesc& r);
  static void AddCountTable(RecordDesc& r);
  static void AddBases(RecordDesc& r);
  // Tells the port that the device's signals changed (its link states and the pool).
  void TellPort();
};

// Total of the own signals of `signalKind` in the tree under `root`.
int OwnSignalTotal(const TItem& root, int signalKind);

class TCountedPort : public TDevicePort {
 public:
  using TDevicePort::TDevicePort;

  std::uint8_t DeviceCount = 0;

  std::string PortText() const;  // "%d_Порт"
  std::vector<TCountedDevice*> CountedDevices() const;
  // "Количество подключенных устройств = %d"
  std::string CountText() const;

 protected:
  void RenameDeviceLists(TPort& device) override;
  // The place and "_" (when there is one), then "связь_" and the device's tree text.
  std::string LinkStateName(const TPort& device, int index) const override;
  std::string LinkStatePrefix() const override { return PortText(); }
  void DeviceAdded(TPort& device) override;
  // A device dragged in from another port takes this port's text into its names.
  void RenumberDevices() override;
  void LinkStatesChanged() override;
  // Reads the port's children (devices, then the stored link-state names).
  void LoadPort(TConfig& cfg, std::size_t end);
};

}  // namespace vilk

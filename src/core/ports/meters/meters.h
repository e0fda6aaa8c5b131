#pragma once
// Energy meters: three families (CE303, CE318, CC301), each a port kind on a COM board
// with its meter kind. A meter ticks the quantities it is read for; each ticked quantity
// gives measurement (ТИ) or counter (ТИИ) signals with fixed names.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/device_port.h"

namespace vilk {

class TParams;

constexpr int kPortCC301 = 106;
constexpr int kPortCE303 = 118;
constexpr int kPortCE318 = 135;
constexpr int kMeterCC301 = 216;
constexpr int kMeterCE303 = 217;
constexpr int kMeterCE318 = 233;
// The port's record counts its meters in one byte.
constexpr int kMaxMetersPerPort = 255;

// The stored parameter set: 256 bits, bit i for item i of the family's list.
constexpr std::size_t kMeterParamBytes = 32;
using MeterParamSet = std::array<std::uint8_t, kMeterParamBytes>;

// One item of a family's parameter list: its caption, the signals it gives and whether
// they are counters (ТИИ) or measurements (ТИ).
struct MeterParam {
  const char* Caption;
  std::vector<const char*> Signals;
  bool Counter;
};
// The parameter list of a meter kind (217, 233, 216); empty for any other code.
const std::vector<MeterParam>& MeterParams(int meterKind);

class TMeter : public TPort {
 public:
  TMeter(Configuration& config, int kind, const char* name);

  std::string Place;          // "Место установки"
  std::uint8_t Attempts = 0;  // "Число попыток обмена" (the editor offers 2..99)
  MeterParamSet ParamSet{};   // bits without a parameter are kept as stored
  std::string ListPrefix;     // "%d_Порт" of the owning port

  const std::vector<MeterParam>& Params() const { return MeterParams(Kind); }
  bool Ticked(int index) const;
  // Sets or clears the bit of parameter `index` (nothing for an index past the list).
  void SetTicked(int index, bool on);
  // Bits set that name no parameter of this family, lowest first.
  std::vector<int> StrayBits() const;

  // The address in the meter's network: the item number, a 32-bit address for CE318.
  virtual std::uint32_t Address() const { return Number; }
  virtual void SetAddress(std::uint32_t address);
  // Whether the counters go to the ТИ list (CC301 only).
  virtual bool EnergyAsTI() const { return false; }

  TParams* Measurements() const;  // the ТИ list, nullptr when nothing ticked gives one
  TParams* Counters() const;      // the ТИИ list
  // The names the ticked parameters give, bit by bit, before any prefix.
  void SignalNames(std::vector<std::string>& ti, std::vector<std::string>& tii) const;
  // "%s.%d_%s": list prefix, address, name.
  std::string SignalPrefix() const;
  // Another meter of the same port at the same address (CE318: negative addresses,
  // read as signed, never clash).
  bool Clashes() const;

  void UpdateCaption() override;  // "%d_%s" of the address and the name
  void UpdateSignalList() override;
  void SaveToImage(TConfig& cfg) override { SaveRecordBlock(cfg); }
  void LoadFromImage(TConfig& cfg) override;
  std::string LinkName() const override { return Place; }

 protected:
  // The shared head of every meter record: place, address, attempts, parameter set.
  static void AddCommonFields(RecordDesc& record, bool wideAddress);
};

class TCE303 : public TMeter {
 public:
  explicit TCE303(Configuration& config);
  const RecordDesc* Record() const override;
};

class TCE318 : public TMeter {
 public:
  explicit TCE318(Configuration& config);
  std::uint32_t NetAddress = 1;  // key 1, four bytes; the item number is not used
  std::uint32_t Address() const override { return NetAddress; }
  void SetAddress(std::uint32_t address) override;
  const RecordDesc* Record() const override;
};

class TCC301 : public TMeter {
 public:
  explicit TCC301(Configuration& config);
  std::uint8_t EnergyKind = 0;  // 0 "ТИИ", 1 "ТИ"; any other stored value reads as ТИИ
  std::uint8_t RatioFlag = 0;   // 0 "Не учитывать", 1 "Учитывать"
  bool EnergyAsTI() const override { return EnergyKind == 1; }
  const RecordDesc* Record() const override;
};

// A meter port: how often energy is read, the TCP port of a network variant (CE303 and
// CC301), the board it runs on and its meters with one link state each.
class TMeterPort : public TDevicePort {
 public:
  TMeterPort(Configuration& config, int kind, int meterKind, bool hasTcpPort);

  std::uint8_t Period = 3;  // "Период опроса энергии, мин" (the editor offers 1..60)
  std::uint16_t TcpPort = 0;  // "Порт ТСР"
  std::uint8_t MeterCount = 0;

  int MeterKind() const { return meterKind_; }
  bool HasTcpPort() const { return hasTcpPort_; }
  std::string PortText() const;  // "%d_Порт"
  std::string CountText() const;  // "Количество подключенных устройств = %d"
  std::vector<TMeter*> Meters() const;

  void UpdateCaption() override;  // "%d_Порт %s"
  // One meter at address 1; refused (with a message) when the port holds 255 already.
  TItem* AddChild(int kind) override;
  // A copy of a meter at the lowest free address, its user names kept under its own prefix.
  TItem* DuplicateChild(TItem* child) override;
  const RecordDesc* Record() const override;
  // More meters than the count byte holds (a crafted file) stop the save with a message.
  void SaveToImage(TConfig& cfg) override;
  void LoadFromImage(TConfig& cfg) override;
  // "%s: на порту не может быть больше 255 счётчиков." of the caption.
  std::string FullMessage() const;

 protected:
  void RenameDeviceLists(TPort& device) override;
  std::string LinkStateName(const TPort& device, int index) const override;
  std::string LinkStatePrefix() const override { return PortText(); }
  void DeviceAdded(TPort& device) override;
  // A meter dragged in from another port of its family takes this port's prefix.
  void RenumberDevices() override;
  void LinkStatesChanged() override;

 private:
  int meterKind_;
  bool hasTcpPort_;
};

class TPortCE303 : public TMeterPort {
 public:
  explicit TPortCE303(Configuration& config);
};
class TPortCE318 : public TMeterPort {
 public:
  explicit TPortCE318(Configuration& config);
};
class TPortCC301 : public TMeterPort {
 public:
  explicit TPortCC301(Configuration& config);
};

}  // namespace vilk

#pragma once
// Modbus polling: the serial master port (TPortMODBUS) with its devices (TRTU) and the TCP
// master port (TPortRTUTCP) with its devices (TRTUTCP). A device is four polling tables of
// eight rows, a clock register, a command password and two device logs; its tables name
// its signals, from its template when the library has one.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/device_port.h"

namespace vilk {

class IniDocument;
class TParams;

constexpr int kPortMODBUS = 102;
constexpr int kPortRTUTCP = 129;
constexpr int kModbusDevice = 202;
constexpr int kModbusRows = 8;
constexpr int kMaxLogEvents = 512;

#pragma pack(push, 1)
// ТС, ТУ and ТР rows: function, address, count (bits or parameters). Stored as they lie.
struct ModbusRow {
  std::uint8_t Function = 0;
  std::uint16_t Address = 0;
  std::uint8_t Count = 0;
  bool operator==(const ModbusRow&) const = default;
};
// ТИ rows: type, function, address, count of words.
struct ModbusTIRow {
  std::uint8_t Type = 0;
  std::uint8_t Function = 4;
  std::uint16_t Address = 0;
  std::uint8_t Count = 0;
  bool operator==(const ModbusTIRow&) const = default;
};
#pragma pack(pop)
static_assert(sizeof(ModbusRow) == 4 && sizeof(ModbusTIRow) == 5);

using ModbusTable = std::array<ModbusRow, kModbusRows>;
using ModbusTITable = std::array<ModbusTIRow, kModbusRows>;

// A device log (events or alarms).
struct ModbusLog {
  std::uint16_t StartAddress = 0;
  std::uint16_t SelectAddress = 0;
  std::uint16_t RecordInterval = 0;  // words
  std::uint16_t RecordCount = 0;
  std::string RecordString;             // at most 64 characters
  std::vector<std::uint16_t> Selected;  // event numbers, at most 512
  bool operator==(const ModbusLog&) const = default;
};

// Words a ТИ value of `type` takes: two for the four-byte types, one for the others.
int TIWords(int type);
// The bit address of value k of a ТС row: start + k for functions 1 and 2, start × 16 + k
// for 3 and 4 (and, as for 1 and 2, for any other function).
std::uint32_t TSBitAddress(const ModbusRow& row, int k);
// The key text of an address: four lower-case hex digits, five above FFFF.
std::string AddressKey(std::uint32_t address);
// The template section that names the signals of list `signalKind` ("Список ТС" ...).
const char* ModbusNameSection(int signalKind);
// Names made ready for one list: "." becomes a space, then repeats are marked (MarkRepeats).
void CleanNames(std::vector<std::string>& names);

class TRTU : public TPort {
 public:
  explicit TRTU(Configuration& config);

  std::string Place;  // "Место установки"
  ModbusTable TS{}, TU{}, TR{};
  ModbusTITable TI{};
  std::uint16_t TimeAddress = 0;
  std::string TimeString;
  std::uint16_t TUAutoOff = 0;  // ms
  std::string TUPassword;
  std::uint16_t TUPasswordAddress = 0;
  std::uint32_t IpAddress = 0;  // TRTUTCP only (first octet most significant)
  std::uint8_t UnitAddress = 1;
  std::uint8_t MultiTS = 1;
  ModbusLog EventLog, AlarmLog;
  std::uint8_t Attempts = 5;  // "Число попыток обмена", 2..99
  bool Fresh = true;
  std::string ListPrefix;  // "%d_Порт" of the owning port

  // Type name ("Тип устройства") is the item's Name.
  const std::string& TypeName() const { return Name(); }
  // The five own lists, or nullptr where a list does not exist.
  TParams* List(int signalKind) const;
  // The signal names the tables give, before cleaning (used by the template writer too):
  // the names of list `signalKind` with their keys, in list order.
  struct NamedValue {
    std::string Key;   // the template key ("$" + address key, or the decimal event number)
    std::string Name;  // the template's name, or the default
  };
  // The values of the four tables only (ТС, ТУ, ТИ, ТР); the ТС list continues with the
  // log events when the multi-TS option is off.
  std::vector<NamedValue> ValueNames(int signalKind, const IniDocument* tpl) const;
  // "%s.%d_%s": list prefix, number, place (the type name when the place is empty).
  std::string SignalPrefix() const;
  // The fields a pattern carries (type, attempts, tables, password, clock, logs, multi-TS).
  void CopyPatternFrom(const TRTU& other);
  // Another device of the same port with the same number (TCP: the same IP address).
  bool Clashes() const;

  void UpdateCaption() override;  // "%d_%s"
  void UpdateSignalList() override;
  void LoadTemplate() override;
  void CollectSignals(TStorage& pool) override;
  const RecordDesc* Record() const override;
  void SaveToImage(TConfig& cfg) override;
  void LoadFromImage(TConfig& cfg) override;
  std::string LinkName() const override { return Place; }
};

class TRTUTCP : public TRTU {
 public:
  explicit TRTUTCP(Configuration& config);
  // A new IP address: the number follows the last octet, caption and names with it.
  void SetIp(std::uint32_t ip);
  void SaveToImage(TConfig& cfg) override;
  void LoadFromImage(TConfig& cfg) override;
};

// What the two Modbus ports share: the device list with its link states named after the
// devices, renumbering, adding with templates, duplicating by pattern.
class TModbusPortBase : public TDevicePort {
 public:
  TModbusPortBase(Configuration& config, int kind, const char* name, std::uint16_t boardMask);

  std::uint16_t ReplyWait = 500;  // ms, 100..2000
  std::uint32_t TimeSync = 0;     // ms, minutes × 60000
  std::uint8_t DeviceCount = 0;

  std::string PortText() const;  // "%d_Порт"
  std::vector<TRTU*> ModbusDevices() const;
  // "Количество подключенных устройств = %d"
  std::string CountText() const;
  // Adds one device with `number` and `typeName` (its template applied when there is one).
  TRTU* AddDevice(int number, const std::string& typeName);

  void UpdateCaption() override;  // "%d_Порт %s"
  TItem* DuplicateChild(TItem* child) override;

 protected:
  void RenameDeviceLists(TPort& device) override;
  std::string LinkStateName(const TPort& device, int index) const override;
  std::string LinkStatePrefix() const override { return PortText(); }
  void DeviceAdded(TPort& device) override;
  void LinkStatesChanged() override;
  void LoadPort(TConfig& cfg, std::size_t end);
};

class TPortMODBUS : public TModbusPortBase {
 public:
  explicit TPortMODBUS(Configuration& config);
  // One device at the lowest free address (the window asks with the address dialog).
  TItem* AddChild(int kind) override;
  // Adds the devices the address dialog chose: address -> type name, ascending.
  std::vector<TRTU*> AddDevices(const std::vector<std::pair<int, std::string>>& chosen);
  const RecordDesc* Record() const override;
  void SaveToImage(TConfig& cfg) override { SaveRecordBlock(cfg); }
  void LoadFromImage(TConfig& cfg) override;
};

class TPortRTUTCP : public TModbusPortBase {
 public:
  explicit TPortRTUTCP(Configuration& config);
  std::uint8_t Network = 1;
  std::uint16_t ConnectWait = 2000;     // ms, shown in seconds
  std::uint16_t ReconnectWait = 10000;  // ms, shown in seconds
  std::uint16_t PollPeriod = 100;       // ms, 10..1000
  // No dialog: one device, number 1, 192.168.1.1.
  TItem* AddChild(int kind) override;
  const RecordDesc* Record() const override;
  void SaveToImage(TConfig& cfg) override { SaveRecordBlock(cfg); }
  void LoadFromImage(TConfig& cfg) override;
};

}  // namespace vilk

#pragma once
// IEC 60870-5-103 polling: the master port (TPort103) and its devices (TRTU103). A device
// is three address tables -- ТС and ТУ entries of function type and information number,
// ТИ entries with a word number as well -- that name its signals, from its template when
// the IEC-103 library has one. The tables are edited in the table editor (TableModel).
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/messages.h"
#include "model/device_port.h"
#include "ports/fieldbus/table.h"

namespace vilk {

class IniDocument;
class TemplateLibrary;
class TParams;

constexpr int kPort103 = 115;
constexpr int kDevice103 = 208;
// The image stores each table's count in one byte: the editor holds at most this many.
constexpr int kMax103Entries = 255;

struct Iec103Entry {
  std::uint8_t Function = 0;  // function type
  std::uint8_t Info = 0;      // information number
  std::uint8_t Word = 0;      // ТИ only: the element inside the ASDU, 1..32
  bool operator==(const Iec103Entry&) const = default;
};
using Iec103Table = std::vector<Iec103Entry>;

// The table editor's columns of a device table (kKindTS, kKindTU or kKindTI).
TableModel Iec103TableModel(int signalKind);
// A table shown in the editor: one row per entry and an empty row to type into (none when
// the table is full).
void Iec103TableToModel(const Iec103Table& table, int signalKind, TableModel& model);

// Where reading the editor stopped: the bad cell (grid row and column from 1), or none.
struct Iec103CellFault {
  int Row = 0, Column = 0;
  std::string Text;  // the whole message
};
// Asked about each bad cell with its message; true to zero the cell and go on (Ignore),
// false to stop (Cancel).
using CellFaultAnswer = std::function<bool(int row, int column, const std::string& message)>;
// Reads the editor into `out`: every row with a value becomes an entry. Returns false
// with `fault` set when the answer to a bad cell was to stop; `out` is then unspecified
// (read into a scratch table).
bool Iec103TableFromModel(const TableModel& model, int signalKind, Iec103Table& out,
                          const CellFaultAnswer& answer, Iec103CellFault* fault);

// The template section that names the signals of list `signalKind` ("Список ТС" ...).
const char* Iec103NameSection(int signalKind);
// A signal's name without the name prefix: the template's or "Func%d_Inf%d[_N%d]".
std::string Iec103DefaultName(int signalKind, const Iec103Entry& e);

class TRTU103 : public TPort {
 public:
  explicit TRTU103(Configuration& config);

  std::string Place;  // "Место установки"
  Iec103Table TS, TU, TI;
  std::uint8_t Attempts = 5;  // "Число попыток обмена", 2..99
  bool Fresh = true;
  std::string ListPrefix;  // "%d_Порт" of the owning port

  Iec103Table& Table(int signalKind);
  const Iec103Table& Table(int signalKind) const;
  TParams* List(int signalKind) const;
  // The signal names of a list (the place prefix included), repeats marked.
  std::vector<std::string> SignalNames(int signalKind, const IniDocument* tpl) const;
  // Another device of the same port with the same number.
  bool Clashes() const;
  // A table longer than the image's one-byte count: the message naming it, else empty.
  std::string OverfullTable() const;

  void UpdateCaption() override;  // "%d_%s"
  void UpdateSignalList() override;
  void LoadTemplate() override;
  void CollectSignals(TStorage& pool) override;
  const RecordDesc* Record() const override;
  void SaveToImage(TConfig& cfg) override;
  void LoadFromImage(TConfig& cfg) override;
  std::string LinkName() const override { return Place; }
};

class TPort103 : public TDevicePort {
 public:
  explicit TPort103(Configuration& config);

  std::uint16_t ReplyWait = 300;  // ms, 100..2000
  std::uint32_t TimeSync = 0;     // ms, minutes × 60000
  std::uint32_t GeneralPoll = 0;  // ms, minutes × 60000
  std::uint8_t DeviceCount = 0;

  std::string PortText() const;  // "%d_Порт"
  std::string CountText() const;  // "Количество подключенных устройств = %d"
  std::vector<TRTU103*> Devices103() const;
  TRTU103* AddDevice(int number, const std::string& typeName);
  // The devices the address dialog chose: address -> type name.
  std::vector<TRTU103*> AddDevices(const std::vector<std::pair<int, std::string>>& chosen);

  TItem* AddChild(int kind) override;  // the lowest free address, no type
  TItem* DuplicateChild(TItem*) override { return nullptr; }
  void UpdateCaption() override;  // "%d_Порт %s"
  const RecordDesc* Record() const override;
  void SaveToImage(TConfig& cfg) override { SaveRecordBlock(cfg); }
  void LoadFromImage(TConfig& cfg) override;

 protected:
  void RenameDeviceLists(TPort& device) override;
  std::string LinkStateName(const TPort& device, int index) const override;
  std::string LinkStatePrefix() const override { return PortText(); }
  void DeviceAdded(TPort& device) override;
  void LinkStatesChanged() override;
};

// "Сохранить" of an IEC-103 device: its tables become the template `name` (asking before
// overwriting). False when refused, cancelled or not written (the reason shown).
bool SaveIec103Template(TemplateLibrary& library, TRTU103& device, const std::string& name,
                        IMessages& messages);
// The tables a template gives: entries beyond kMax103Entries, and values that are not
// numbers 0..255, are refused with a message naming the file and the key.
void ReadIec103Tables(const IniDocument& tpl, const std::string& fileName, TRTU103& device,
                      IMessages& messages);

}  // namespace vilk

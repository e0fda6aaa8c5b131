#pragma once
// Item kinds and helpers shared by the core tests. The real port and device kinds come
// later; these stand-ins own and select signal lists the way those kinds will, so that
// the image, the pool and the save checks can be exercised with signals in the tree.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "base/format.h"
#include "base/messages.h"
#include "controller/controller.h"
#include "controller/port_ip.h"
#include "controller/proc.h"
#include "model/configuration.h"
#include "model/image.h"
#include "model/image_ops.h"
#include "model/kinds.h"
#include "model/records.h"
#include "signals/params.h"
#include "signals/storage.h"

namespace vilk::test {

// Stand-in kinds live on codes no real kind uses, so they never shadow a real one.
constexpr int kFieldPortCode = 241;  // a port kind every firmware version allows
constexpr int kTcpPortCode = 242;    // allowed from minor version 6 on
constexpr int kTestPcCode = 243;     // a stand-in device under the IP port
constexpr int kPcCode = 202;         // the real PC under the IP port

// Keys of the field port's record.
constexpr std::uint16_t kKeyPortNumber = 5;
constexpr std::uint16_t kKeyPortBoard = 6;
constexpr std::uint16_t kKeyPortDevice = 77;
constexpr std::uint16_t kKeyPortTS = 10;
constexpr std::uint16_t kKeyPortTU = 11;
constexpr std::uint16_t kKeyPortTI = 12;

// A field port that owns three lists, in this order: TS (built from the parameter names
// "Вход1".."ВходN"), TU (sized with Resize) and TI (built from "Изм1".."ИзмN"). Its lists
// are named after DeviceName, which the port stores in its record.
class FieldPort : public TPort {
 public:
  explicit FieldPort(Configuration& config) : TPort(config) {
    SetName("Поле");
    Number = 1;
    BoardMask = kMaskCom;
    ImageIndex = 15;
    SetIcon(0);
    Menu = PopupMenu::Delete;
    for (int kind : {kKindTS, kKindTU, kKindTI})
      config.Append(this, MakeParams(config, kind, kRoleOwn, this));
  }

  std::string DeviceName = "Dev";
  int TsCount = 0;
  int TuCount = 0;
  int TiCount = 0;

  TParams* TS() const { return Child(0)->AsParams(); }
  TParams* TU() const { return Child(1)->AsParams(); }
  TParams* TI() const { return Child(2)->AsParams(); }

  static std::vector<std::string> Names(const char* stem, int n) {
    std::vector<std::string> names;
    for (int i = 1; i <= n; ++i) names.push_back(Format("%s%d", stem, i));
    return names;
  }

  void UpdateSignalList() override {
    TS()->Rebuild(NameListSource(Names("Вход", TsCount)), 0, DeviceName);
    if (TuCount > 0)
      TU()->Resize(TuCount, DeviceName);
    else
      TU()->Clear();
    TI()->Rebuild(NameListSource(Names("Изм", TiCount)), 2, DeviceName);
  }

  void SaveToImage(TConfig& cfg) override {
    const std::size_t start = cfg.BeginBlock(BlockId());
    WriteVersion(cfg);
    cfg.WriteScalar<std::uint8_t>(kKeyPortNumber, Number);
    cfg.WriteScalar<std::uint8_t>(kKeyPortBoard, LinkedBoard ? LinkedBoard->Number : 0);
    WriteShortString(cfg, kKeyPortDevice, DeviceName, kMaxNameChars);
    cfg.WriteScalar<std::uint16_t>(kKeyPortTS, static_cast<std::uint16_t>(TsCount));
    cfg.WriteScalar<std::uint16_t>(kKeyPortTU, static_cast<std::uint16_t>(TuCount));
    cfg.WriteScalar<std::uint16_t>(kKeyPortTI, static_cast<std::uint16_t>(TiCount));
    for (int i = 0; i < ChildCount(); ++i) Child(i)->SaveToImage(cfg);
    cfg.EndBlock(start);
  }

  void LoadFromImage(TConfig& cfg) override {
    const std::size_t end = OwnBlockEnd(cfg);
    if (!ReadVersion(cfg)) return;
    std::uint8_t board = 0;
    std::uint16_t ts = 0, tu = 0, ti = 0;
    cfg.ReadScalar(kKeyPortNumber, Number);
    cfg.ReadScalar(kKeyPortBoard, board);
    ReadShortString(cfg, kKeyPortDevice, kMaxNameChars, DeviceName);
    cfg.ReadScalar(kKeyPortTS, ts);
    cfg.ReadScalar(kKeyPortTU, tu);
    cfg.ReadScalar(kKeyPortTI, ti);
    TsCount = ts;
    TuCount = tu;
    TiCount = ti;
    UpdateCaption();
    UpdateSignalList();
    if (board) TController::SelectBoard(this, Config().Controller().FindBoardByNumber(board));
    for (TParams* list : {TS(), TU(), TI()})
      if (PeekChild(cfg, end) == list->BlockId()) LoadChild(cfg, list);
  }
};

// A control-centre PC under the IP port: an own TI list (first child) and a TS
// selection from the pool (second child).
class TestPC : public TPort {
 public:
  explicit TestPC(Configuration& config) : TPort(config) {
    SetName("ПК");
    ImageIndex = 16;
    SetIcon(16);
    config.Append(this, MakeParams(config, kKindTI, kRoleOwn, this));
    config.Append(this, MakeParams(config, kKindTS, kRoleSelection, this));
  }

  int TiCount = 0;

  TParams* OwnTI() const { return Child(0)->AsParams(); }
  TParams* Selection() const { return Child(1)->AsParams(); }

  void UpdateCaption() override { SetCaption(Name()); }
  void UpdateSignalList() override {
    OwnTI()->Rebuild(NameListSource(FieldPort::Names("Расчёт", TiCount)), 2, Name());
  }

  void SaveToImage(TConfig& cfg) override {
    const std::size_t start = cfg.BeginBlock(BlockId());
    WriteVersion(cfg);
    WriteShortString(cfg, kKeyPortDevice, Name(), kMaxNameChars);
    cfg.WriteScalar<std::uint16_t>(kKeyPortTI, static_cast<std::uint16_t>(TiCount));
    for (int i = 0; i < ChildCount(); ++i) Child(i)->SaveToImage(cfg);
    cfg.EndBlock(start);
  }

  void LoadFromImage(TConfig& cfg) override {
    const std::size_t end = OwnBlockEnd(cfg);
    if (!ReadVersion(cfg)) return;
    std::string name = Name();
    std::uint16_t ti = 0;
    ReadShortString(cfg, kKeyPortDevice, kMaxNameChars, name);
    cfg.ReadScalar(kKeyPortTI, ti);
    SetName(name);
    TiCount = ti;
    UpdateSignalList();
    for (TParams* list : {OwnTI(), Selection()})
      if (PeekChild(cfg, end) == list->BlockId()) LoadChild(cfg, list);
  }
};

template <typename T>
ItemFactory Made() {
  return [](Configuration& c) -> std::unique_ptr<TItem> { return std::make_unique<T>(c); };
}

// A stand-in port kind allowed from firmware 1.`minMinor` on, with an add command.
inline void RegisterTestPort(int code, int minMinor, ItemFactory make) {
  ASSERT_TRUE(RegisterTestKind(
      {0, code, "TestPort", "Добавить тестовый порт", minMinor, 0, std::move(make)}));
}
inline void RegisterTestDevice(int parent, int code, ItemFactory make) {
  ASSERT_TRUE(RegisterTestKind(
      {parent, code, "TestDevice", "Добавить устройство", kNeverAllowed, 0, std::move(make)}));
}

// Registers the stand-in kinds for one test and removes them again, so that tests stay
// independent of each other (the kind registry is global).
class WithTestKinds : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTestPort(kFieldPortCode, 0, Made<FieldPort>());
    RegisterTestPort(kTcpPortCode, 6, Made<FieldPort>());
    RegisterTestDevice(kPortIP, kTestPcCode, Made<TestPC>());
  }
  void TearDown() override { ResetKindRegistry(); }
};

// Adds a field port as the last port, as the port menu would, and rebuilds the pool.
inline FieldPort* AddFieldPort(Configuration& config, int number, const std::string& device, int ts,
                               int tu, int ti, int code = kFieldPortCode) {
  auto made = MakePort(config, code);
  auto* port = static_cast<FieldPort*>(config.Append(config.Controller().Proc(), std::move(made)));
  port->Number = static_cast<std::uint8_t>(number);
  port->DeviceName = device;
  port->TsCount = ts;
  port->TuCount = tu;
  port->TiCount = ti;
  port->UpdateCaption();
  port->UpdateSignalList();
  config.Storage().RebuildPool();
  return port;
}

inline void LinkToBoard(TPort* port, int boardNumber) {
  TController::SelectBoard(port, port->Config().Controller().FindBoardByNumber(boardNumber));
}

inline TestPC* AddPC(Configuration& config, const std::string& name, int ti) {
  TPortIP* ip = config.Controller().PortIP();
  auto* pc = static_cast<TestPC*>(ip->AddChild(kTestPcCode));
  pc->SetName(name);
  pc->TiCount = ti;
  pc->UpdateCaption();
  pc->UpdateSignalList();
  ip->ChildrenChanged();
  config.Storage().RebuildPool();
  return pc;
}

// One item's block written alone (from offset 0), and read back into an item.
inline std::vector<std::uint8_t> SaveItem(TItem& item) {
  auto image = std::make_unique<ConfigImage>();
  TConfig cfg(*image);
  cfg.StartWrite(0);
  item.SaveToImage(cfg);
  EXPECT_FALSE(cfg.Overflow());
  return std::vector<std::uint8_t>(image->Data(), image->Data() + cfg.Cursor());
}

inline void LoadItem(TItem& item, const std::vector<std::uint8_t>& bytes) {
  auto image = std::make_unique<ConfigImage>();
  image->Assign(bytes);
  TConfig cfg(*image);
  cfg.StartRead(0, bytes.size());
  ASSERT_EQ(cfg.NextBlock(), item.BlockId());
  item.LoadFromImage(cfg);
}

// A fixed build moment, so that the Date and Time rows are known.
inline BuildTime FixedTime() {
  return BuildTime{5, 3, 2026, 7, 8, 9};
}

// Builds and returns the first T bytes (empty when the build was aborted).
inline std::vector<std::uint8_t> Build(Configuration& config,
                                       const std::string& file = "test.cfg") {
  auto image = std::make_unique<ConfigImage>();
  if (!BuildImage(config, *image, file, "", FixedTime())) return {};
  return std::vector<std::uint8_t>(image->Data(), image->Data() + image->TotalSize);
}

inline bool Load(Configuration& config, const std::vector<std::uint8_t>& bytes,
                 const std::string& name = "test.cfg") {
  auto image = std::make_unique<ConfigImage>();
  image->Assign(bytes);
  return LoadImage(config, *image, name);
}

inline std::uint32_t GetU32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
inline void SetU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Writes a fresh checksum: the 16-bit sum of all bytes before the last two.
inline void Restamp(std::vector<std::uint8_t>& b) {
  const std::size_t total = b.size();
  const unsigned sum = std::accumulate(b.begin(), b.end() - 2, 0u) & 0xFFFF;
  b[total - 2] = static_cast<std::uint8_t>(sum);
  b[total - 1] = static_cast<std::uint8_t>(sum >> 8);
}

// Byte strings for expectations: numbers as given, text as UTF-8 turned into cp1251 by
// hand where it matters (tests spell cp1251 bytes out).
inline std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}
inline std::vector<std::uint8_t> Ascii(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}
inline std::vector<std::uint8_t> Zeros(std::size_t n) {
  return std::vector<std::uint8_t>(n, 0);
}
inline std::vector<std::uint8_t> Cat(std::initializer_list<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
inline std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& b, std::size_t at,
                                       std::size_t n) {
  return std::vector<std::uint8_t>(b.begin() + static_cast<long>(at),
                                   b.begin() + static_cast<long>(at + n));
}

// Offsets of the top-level blocks with block id `id`, in order.
inline std::vector<std::size_t> TopBlocks(const std::vector<std::uint8_t>& b, int id) {
  std::vector<std::size_t> found;
  for (std::size_t at = 144; at + 8 <= b.size() && b[at] == 0xF1 && b[at + 1] == 0xFF;
       at += GetU32(b, at + 4))
    if ((b[at + 2] | (b[at + 3] << 8)) == id) found.push_back(at);
  return found;
}

// Finds the first value record with `key` inside the block that starts at `block`
// (only the block's own values, not those of nested blocks); returns its offset or 0.
inline std::size_t FindRecord(const std::vector<std::uint8_t>& b, std::size_t block,
                              std::uint16_t key) {
  std::size_t at = block + 8;
  while (at + 8 <= b.size() && b[at] == 0xF2 && b[at + 1] == 0xFF) {
    if ((b[at + 2] | (b[at + 3] << 8)) == key) return at;
    at += GetU32(b, at + 4);
  }
  return 0;
}

// The tree as text: captions, icons, links and every signal of every list, so that two
// dumps are equal only when nothing a user could see has changed.
inline void DumpItem(std::ostringstream& out, const TItem* item, int level) {
  out << std::string(static_cast<std::size_t>(level) * 2, ' ') << item->Caption() << " #"
      << int(item->Number) << " icon " << item->Icon() << "/" << item->StateIcon();
  if (const auto* port = dynamic_cast<const TPort*>(item))
    out << " board " << (port->LinkedBoard ? port->LinkedBoard->Caption() : "-");
  out << '\n';
  if (const auto* list = dynamic_cast<const TParams*>(item)) {
    for (int i = 0; i < list->Count(); ++i) {
      const TParam* s = list->At(i);
      out << std::string(static_cast<std::size_t>(level) * 2 + 2, ' ');
      if (!s) {
        out << "(none)\n";
        continue;
      }
      out << s->Number << ' ' << s->Name() << " | " << s->DefaultName() << " | " << int(s->TSType)
          << int(s->Inverted) << ' ' << s->Gain << ' ' << s->Offset << ' ' << s->Group << '\n';
    }
  }
  for (int i = 0; i < item->ChildCount(); ++i) DumpItem(out, item->Child(i), level + 1);
}

inline std::string DumpTree(const Configuration& config) {
  std::ostringstream out;
  DumpItem(out, &config.Controller(), 0);
  return out.str();
}

}  // namespace vilk::test

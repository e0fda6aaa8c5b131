#include "ports/modules/modules.h"

#include "base/format.h"
#include "model/configuration.h"
#include "model/record.h"
#include "signals/params.h"

namespace vilk {

namespace {
constexpr std::uint16_t kKeyAddress = 1, kKeyAttempts = 62, kKeyReplyWait = 57,
                        kKeyCheckPeriod = 31, kKeyDebounce = 17, kKeyOutputTime = 19, kKeyMode = 8;
constexpr int kModuleImage = 3;

const ModuleKindInfo kRiv{kModuleRIV24,
                          "RIV-24",
                          "Модуль дискретных сигналов RIV-24",
                          500,
                          " Режим обработки каналов ТС ",
                          {"однопозиционные ТС", "двухпозиционные ТС"},
                          {},
                          {0, 0},
                          {24, 12},
                          1};
const ModuleKindInfo kDed{kModuleDED12,
                          "DED-12",
                          "Модуль релейной коммутации DED-12",
                          2000,
                          " Режим работы модуля ",
                          {"4 ТУ с подтверждением", "6 ТУ без подтверждения",
                           "10 ТУ по однорелейной схеме", "12 дискретных выходов"},
                          {4, 6, 10, 12},
                          {0, 0, 0, 12},
                          {},
                          2};
const ModuleKindInfo kZuz{kModuleZUZ24,
                          "ZUZ-24",
                          "Модуль дискретной коммутации ZUZ-24",
                          2000,
                          " Режим работы модуля ",
                          {"8 ТУ с подтверждением", "12 ТУ без подтверждения",
                           "22 ТУ по однорелейной схеме", "24 дискретных выхода"},
                          {8, 12, 22, 24},
                          {0, 0, 0, 24},
                          {},
                          2};

// The caption of the mode, shown beside its byte (never written: the byte is the record).
RecordDesc& WithModeName(RecordDesc& record) {
  return record
      .Custom(
          0, "mode_name", [](const TItem&) { return std::vector<std::uint8_t>{}; }, nullptr,
          [](const TItem& item) {
            const auto& m = static_cast<const TModule&>(item);
            const std::string text =
                m.Mode < m.ModeCount() ? m.Info().Modes[m.Mode] : std::string("?");
            return std::vector<ShownField>{{"mode_name", text, "", 0, true}};
          })
      .When([](const TItem&) { return false; });
}

int PerMode(const std::vector<int>& counts, int mode) {
  if (counts.empty()) return 0;
  const auto i = static_cast<std::size_t>(mode);
  return i < counts.size() ? counts[i] : counts[0];
}
}  // namespace

const ModuleKindInfo& ModuleKind(int code) {
  switch (code) {
    case kModuleDED12:
      return kDed;
    case kModuleZUZ24:
      return kZuz;
    default:
      return kRiv;
  }
}

TModule::TModule(Configuration& config, const ModuleKindInfo& info) : TPort(config), info_(&info) {
  Kind = static_cast<std::uint8_t>(info.Code);
  SetName(info.Name);
  Number = 1;
  ImageIndex = kModuleImage;
  SetIcon(kModuleImage);
  Menu = PopupMenu::Delete;
  ReplyWait = info.DefaultWait;
  UpdateCaption();
}

int TModule::InputCount() const {
  return PerMode(info_->Inputs, Mode);
}
int TModule::CommandCount() const {
  return PerMode(info_->Commands, Mode);
}
int TModule::OutputCount() const {
  return PerMode(info_->Outputs, Mode);
}

TParams* TModule::Inputs() const {
  for (int i = 0; i < ChildCount(); ++i)
    if (TParams* l = Child(i)->AsParams(); l && l->SignalKind == kKindTS && l->ListRole == kRoleOwn)
      return l;
  return nullptr;
}

TParams* TModule::Commands() const {
  for (int i = 0; i < ChildCount(); ++i)
    if (TParams* l = Child(i)->AsParams(); l && l->SignalKind == kKindTU && l->ListRole == kRoleOwn)
      return l;
  return nullptr;
}

TParams* TModule::Outputs() const {
  for (int i = 0; i < ChildCount(); ++i)
    if (TParams* l = Child(i)->AsParams();
        l && l->SignalKind == kKindTS && l->ListRole == kRoleSelection)
      return l;
  return nullptr;
}

std::string TModule::SignalPrefix() const {
  return ListPrefix + "." + Caption();
}

bool TModule::Clashes() const {
  const TItem* port = Parent();
  if (!port) return false;
  for (int i = 0; i < port->ChildCount(); ++i) {
    const TItem* other = port->Child(i);
    if (other != this && dynamic_cast<const TPort*>(other) && !other->IsKept() &&
        other->Number == Number)
      return true;
  }
  return false;
}

void TModule::SetAddress(std::uint8_t address) {
  if (address == Number) return;
  Number = address;
  UpdateSignalList();
}

void TModule::UpdateCaption() {
  SetCaption(Format("%d_%s", Number, Name()));
}

void TModule::CheckMode() {
  if (Mode < ModeCount()) return;
  UpdateCaption();
  Config().Messages().Error(
      Format("Модуль %s: режима %d нет среди режимов модуля, установлен режим 0", Caption(),
             static_cast<int>(Mode)));
  Mode = 0;
}

void TModule::UpdateSignalList() {
  UpdateCaption();
  if (Mode >= ModeCount()) Mode = 0;
  const bool commands = !info_->Commands.empty();
  if (commands) Version = Mode == kModuleOutputMode ? 2 : 1;

  if (!Inputs()) Config().Insert(this, 0, MakeParams(Config(), kKindTS, kRoleOwn, this));
  if (commands && !Commands()) Config().Append(this, MakeParams(Config(), kKindTU, kRoleOwn, this));
  TParams* outputs = Outputs();
  if (OutputCount() > 0 && !outputs) {
    outputs =
        Config().Insert(this, 0, MakeParams(Config(), kKindTS, kRoleSelection, this))->AsParams();
    outputs->SetName("Выходы");
    outputs->UpdateCaption();
  } else if (OutputCount() == 0 && outputs) {
    Config().Remove(outputs);
  }

  const std::string prefix = SignalPrefix();
  if (commands) {
    Inputs()->Rebuild(NameListSource({"Работа ТУ", "Сбой ТУ"}), 0, prefix);
    Commands()->Resize(CommandCount(), prefix);
  } else {
    Inputs()->Resize(InputCount(), prefix);
  }
  if (auto* port = dynamic_cast<TPort*>(Parent())) port->UpdateSignalList();
}

std::string TModule::GetChannelName(int index) const {
  return index >= 0 && index < OutputCount() ? Format("%d", index + 1) : std::string();
}

std::string TModule::ChannelName(const TParams& list, int index) const {
  return &list == Outputs() ? GetChannelName(index) : std::string();
}

void TModule::SaveToImage(TConfig& cfg) {
  const std::size_t start = cfg.BeginBlock(BlockId());
  WriteVersion(cfg);
  Record()->Save(cfg, *this);
  for (TParams* list : {Inputs(), Commands(), Outputs()})
    if (list) list->Save(cfg);
  SaveKeptChildren(cfg);
  cfg.EndBlock(start);
}

void TModule::LoadFromImage(TConfig& cfg) {
  const std::size_t end = OwnBlockEnd(cfg);
  if (const TItem* port = Parent(); port && port->Number != 255)
    ListPrefix = Format("%d_Порт", port->Number);
  if (!ReadVersion(cfg)) return;
  Record()->Load(cfg, *this);
  CheckMode();
  UpdateSignalList();
  // The lists come in the order TS, TU, outputs; the outputs are the second TS block.
  bool inputsRead = false, commandsRead = false, outputsRead = false;
  int id;
  while ((id = PeekChild(cfg, end)) != kNoBlock) {
    TParams* list = nullptr;
    if (id == SignalKindOf(kKindTS)->BlockId && !inputsRead) {
      list = Inputs();
      inputsRead = true;
    } else if (id == SignalKindOf(kKindTS)->BlockId && !outputsRead) {
      list = Outputs();
      outputsRead = true;
    } else if (id == SignalKindOf(kKindTU)->BlockId && !commandsRead) {
      list = Commands();
      commandsRead = true;
    }
    if (list && !list->IsKept())
      LoadChild(cfg, list);
    else
      LoadOrKeepNextChild(cfg, nullptr);
  }
  // Entries past the module's outputs drive nothing; they are kept, and named.
  if (const TParams* outputs = Outputs(); outputs && outputs->Count() > OutputCount())
    Config().Messages().Error(Format("Модуль %s: в списке \"Выходы\" %d сигналов, а выходов %d",
                                     Caption(), outputs->Count(), OutputCount()));
}

TMDS24::TMDS24(Configuration& config) : TModule(config, kRiv) {}

const RecordDesc* TMDS24::Record() const {
  static const RecordDesc record = [] {
    RecordDesc r;
    r.Field(kKeyAddress, "address", &TMDS24::Number)
        .Field(kKeyAttempts, "attempts", &TMDS24::Attempts)
        .Field(kKeyReplyWait, "reply_wait", &TMDS24::ReplyWait, 1, "мс")
        .Field(kKeyCheckPeriod, "check_period", &TMDS24::CheckPeriod, 60000, "мин")
        .Field(kKeyDebounce, "debounce", &TMDS24::Debounce, 1, "мс")
        .Field(kKeyMode, "mode", &TMDS24::Mode);
    WithModeName(r);
    return r;
  }();
  return &record;
}

TCommandModule::TCommandModule(Configuration& config, const ModuleKindInfo& info)
    : TModule(config, info) {}

const RecordDesc* TCommandModule::Record() const {
  static const RecordDesc record = [] {
    RecordDesc r;
    r.Field(kKeyAddress, "address", &TCommandModule::Number)
        .Field(kKeyAttempts, "attempts", &TCommandModule::Attempts)
        .Field(kKeyReplyWait, "reply_wait", &TCommandModule::ReplyWait, 1, "мс")
        .Field(kKeyOutputTime, "output_time", &TCommandModule::OutputTime, 1, "мс")
        .Field(kKeyMode, "mode", &TCommandModule::Mode);
    WithModeName(r);
    return r;
  }();
  return &record;
}

TMRK12::TMRK12(Configuration& config) : TCommandModule(config, kDed) {}
TMDK24::TMDK24(Configuration& config) : TCommandModule(config, kZuz) {}

}  // namespace vilk

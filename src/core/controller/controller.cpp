#include "controller/controller.h"

#include <algorithm>
#include <bitset>

#include "base/format.h"
#include "controller/di.h"
#include "controller/port_ip.h"
#include "controller/proc.h"
#include "controller/rs232.h"
#include "model/configuration.h"
#include "model/kinds.h"
#include "model/tree_rules.h"
#include "signals/storage.h"

namespace vilk {

namespace {
bool IsComBoard(const TItem* item) {
  return item->BoardMask & kMaskCom;
}
bool IsDiBoard(const TItem* item) {
  return item->BoardMask & kMaskDI;
}
// Whether a board stays under model `desc`; `comSeen` counts the COM boards met so far.
bool KeptByModel(const TItem* board, const ControllerDescription& desc, int& comSeen) {
  if (IsDiBoard(board)) return desc.DiscreteInputs > 0;
  if (IsComBoard(board)) return ++comSeen <= desc.MaxComBoards;
  return true;
}
}  // namespace

TController::ModelConversion TController::ConversionTo(int typeCode) const {
  ModelConversion out;
  const ControllerDescription* desc = FindDescription(typeCode);
  if (!desc || typeCode == TypeCode) return out;
  std::vector<const TItem*> removed;
  int comSeen = 0, diKept = 0, comKept = 0;
  for (int i = 1; i < ChildCount(); ++i) {
    const TItem* board = Child(i);
    if (KeptByModel(board, *desc, comSeen)) {
      diKept += IsDiBoard(board) ? 1 : 0;
      comKept += IsComBoard(board) ? 1 : 0;
      continue;
    }
    removed.push_back(board);
    out.RemovedBoards.push_back(board->Caption());
  }
  // The model's list names each board kind in order; what is missing is made.
  int wantDi = 0, wantCom = 0;
  for (const std::uint8_t kind : desc->Boards)
    (kind == kComBoardRS232 || kind == kComBoardRS485 ? wantCom : wantDi) += 1;
  out.AddedBoards = std::max(0, wantDi - diKept) + std::max(0, wantCom - comKept);
  if (proc_)
    for (int i = 1; i < proc_->ChildCount(); ++i) {
      const auto* port = dynamic_cast<const TPort*>(proc_->Child(i));
      if (!port || !port->LinkedBoard) continue;
      for (const TItem* board : removed)
        if (board == port->LinkedBoard) out.UnlinkedPorts.push_back(port->Caption());
    }
  return out;
}

TController::TController(Configuration& config) : TBlock(config) {
  ImageIndex = 3;
  SetIcon(3);
  for (int code : ModelCodes()) Supported.set(static_cast<std::size_t>(code));
  Record = *FindModelRecord(kDefaultModel);
  Desc = *FindDescription(kDefaultModel);
}

TPortIP* TController::PortIP() const {
  if (!proc_ || proc_->ChildCount() == 0) return nullptr;
  return dynamic_cast<TPortIP*>(proc_->Child(0));
}

void TController::SetModel(int typeCode) {
  TypeCode = static_cast<std::uint8_t>(typeCode);
  if (!proc_) {
    auto proc = MakeBoard(Config(), 0);
    proc_ = static_cast<TProc*>(Config().Insert(this, 0, std::move(proc)));
  }
  ApplyModel();
  UpdateCaption();
}

void TController::SelectModelRecord() {
  if (const ModelRecord* r = FindModelRecord(TypeCode)) Record = *r;
}

std::string TController::ModelChangeQuestion(int newCode) const {
  const ModelRecord* next = FindModelRecord(newCode);
  if (!next) return {};
  return "Изменить тип контроллера\rс\r" +
         Format("%s  %s  %s\r", Record.Name, Record.VersionLabel(), Format("%d", Record.Year)) +
         "на\r" + Format("%s  v %d.%d  %d", next->Name, next->Major, next->Minor, next->Year);
}

void TController::UpdateCaption() {
  SetName(Desc.DisplayName);
  SetCaption(Desc.DisplayName);
}

void TController::ApplyModel() {
  const ControllerDescription* desc = FindDescription(TypeCode);
  if (!desc) return;
  Desc = *desc;
  if (Record.Major == 1) Desc.PortKinds = PortKindSetFor(1, Record.Minor);
  UpdateCaption();

  // Boards the model does not have go; the others adjust to the model.
  int comSeen = 0;
  for (int i = 1; i < ChildCount();) {
    TItem* board = Child(i);
    if (!KeptByModel(board, Desc, comSeen)) {
      Config().Remove(board);
      continue;
    }
    board->ApplyModel();
    ++i;
  }

  // The model's board list, in order: keep what matches, insert or append the rest.
  int comOrdinal = 0;
  for (std::size_t i = 0; i < Desc.Boards.size(); ++i) {
    const int kind = Desc.Boards[i];
    const bool com = kind == kComBoardRS232 || kind == kComBoardRS485;
    if (com) ++comOrdinal;
    const int pos = static_cast<int>(i) + 1;
    if (pos < ChildCount()) {
      TItem* board = Child(pos);
      const bool matches = com ? IsComBoard(board) : IsDiBoard(board);
      if (matches) {
        if (com) static_cast<TRS232*>(board)->SetInterface(kind == kComBoardRS232 ? 0 : 1);
        continue;
      }
    }
    auto made = MakeBoard(Config(), kind, comOrdinal);
    TItem* board = Config().Insert(this, pos, std::move(made));
    board->ApplyModel();
  }

  if (proc_ && proc_->ChildCount() == 0)
    Config().Insert(proc_, 0, std::make_unique<TPortIP>(Config()));
  Config().RequestSelect(this);

  if (proc_)
    for (int i = 1; i < proc_->ChildCount(); ++i) {
      TItem* port = proc_->Child(i);
      const bool allowed = Desc.PortKinds[port->Kind] || SavedWhateverFirmware(port->Kind);
      port->SetStateIcon(allowed ? -1 : 3);
    }
  Config().NotifyModelApplied();
  Storage().RebuildPool();
}

TItem* TController::FindBoardForBlock(int blockId, int comOrdinal) const {
  if (blockId == kPortIP) return PortIP();
  int com = 0;
  for (int i = 1; i < ChildCount(); ++i) {
    TItem* board = Child(i);
    if (blockId == 121 && IsDiBoard(board)) return board;
    if (blockId == kComBoardRS232 && IsComBoard(board) && ++com == comOrdinal) return board;
  }
  return nullptr;
}

TBlock* TController::FindBoardByNumber(int number) const {
  for (int i = 1; i < ChildCount(); ++i) {
    TItem* board = Child(i);
    if (board->BoardMask != 0 && board->Number == number) return board->AsBlock();
  }
  return nullptr;
}

void TController::SelectBoard(TPort* port, TBlock* board) {
  port->Unlink();
  if (board && board->Attach(port)) port->SetIcon(port->ImageIndex);
}

void TController::LoadBoard(TPort* port, TConfig& cfg, std::uint16_t key) {
  std::uint8_t board = 0;
  if (!cfg.ReadScalar(key, board)) return;
  TBlock* found = port->Config().Controller().FindBoardByNumber(board);
  SelectBoard(port, found);
  // The key is written only for a linked port: a link that cannot be made again is said,
  // never dropped in silence.
  if (!found || port->LinkedBoard != found)
    port->Config().Messages().Error(Format("%s: плата с номером %d %s, порт не связан с платой.",
                                           port->Caption(), board,
                                           found ? "уже связана с другим портом" : "не найдена"));
}

std::vector<TBlock*> TController::BoardCandidates(TPort* port, std::uint16_t bits) const {
  std::vector<TBlock*> list;
  for (int i = 1; i < ChildCount(); ++i)
    if (TBlock* board = Child(i)->AsBlock()) board->PortChanged(port, bits, list);
  return list;
}

void TController::SetDefaults() {
  Config().RemoveChildren(this);
  proc_ = nullptr;
}

void TController::SaveToImage(TConfig& cfg) {
  if (!Config().Snapshotting) ApplyModel();
  Storage().ForceRebuild();
  for (int k = 1; k <= kSignalKinds; ++k)
    if (Storage().Overflow(k)) {
      Config().Messages().Error(
          Format("Количество сигналов %s превышает %d.", SignalKindOf(k)->Caption, kMaxSignals));
      Config().Abort = true;
    }

  for (int i = 0; i < ChildCount(); ++i) Child(i)->Save(cfg);
  if (!proc_ || proc_->ChildCount() == 0) return;
  proc_->Child(0)->Save(cfg);

  std::bitset<256> addresses;
  bool unlinked = false;
  for (int i = 1; i < proc_->ChildCount(); ++i) {
    TPort* port = proc_->Child(i)->AsPort();
    if (!port) continue;
    if (port->IsKept()) {
      // Written back as it was read: its kind and number are the controller's business.
      port->Save(cfg);
      continue;
    }
    if (!Desc.PortKinds[port->Kind] && !SavedWhateverFirmware(port->Kind)) {
      Config().Messages().Error("Порт " + port->Name() +
                                " не совместим с контроллером или его версией ПФ.");
      Config().Abort = true;
    }
    port->Save(cfg);
    // Only a port that runs on a COM board can lack one (network ports never have one).
    if (!port->LinkedBoard && (port->BoardMask & kMaskCom)) unlinked = true;
    if (addresses[port->Number]) {
      Config().Abort = true;
      Config().Messages().Error("Обнаружены порты с одинаковым адресом.");
    } else {
      addresses.set(port->Number);
    }
  }
  if (unlinked) Config().Messages().Error("Не все порты связаны с COM.");
}

void TController::LoadFromImage(TConfig& cfg) {
  Configuration& config = Config();
  config.PoolPageEnabled = false;

  cfg.MarkBlock();
  if (cfg.NextBlock() == 0 && proc_) proc_->LoadFromImage(cfg);
  cfg.SkipBlock();

  // Every block present is read (the counts of the processor board are not trusted): a
  // block no kind of this build reads is kept in its place, never dropped.
  int comBlocks = 0;
  int id;
  while ((id = cfg.PeekBlock()) != kNoBlock) {
    if (id == kPortIP || id == 121 || id == kComBoardRS232 || !proc_) {
      cfg.MarkBlock();
      cfg.NextBlock();
      // A board the model does not have: the model decides the boards, so its block is
      // passed over, but never without a word.
      TItem* item = FindBoardForBlock(id, id == kComBoardRS232 ? ++comBlocks : 0);
      if (item)
        item->LoadFromImage(cfg);
      else
        config.Messages().Error(
            Format("Плата с ID = %d не входит в состав контроллера %s и не прочитана.", id,
                   Desc.DisplayName));
      cfg.SkipBlock();
    } else {
      proc_->LoadOrKeepNextChild(cfg, MakePort(config, id));
    }
  }

  config.PoolPageEnabled = true;
  Storage().RebuildPool();
  if (proc_)
    for (int i = 0; i < proc_->ChildCount(); ++i)
      if (TPort* port = proc_->Child(i)->AsPort()) port->AfterLoad();
  Storage().RebuildPool();
  // A kind held once that the file holds twice is loaded whole, and said so.
  for (const std::string& warning : RepeatedPortWarnings(config)) config.Messages().Error(warning);
}

void TController::NewConfiguration() {
  Configuration& config = Config();
  SelectModelRecord();
  config.PoolPageEnabled = false;
  Storage().Clear();
  if (TPortIP* ip = PortIP()) {
    config.RemoveChildren(ip);
    ip->ChildrenChanged();
  }
  if (proc_)
    while (proc_->ChildCount() > 1) config.Remove(proc_->Child(proc_->ChildCount() - 1));
  config.PoolPageEnabled = true;
  Storage().RebuildPool();
  config.RequestSelect(this);

  // Defaults for every item below the root, in tree order.
  std::vector<TItem*> stack;
  for (int i = ChildCount(); i-- > 0;) stack.push_back(Child(i));
  while (!stack.empty()) {
    TItem* item = stack.back();
    stack.pop_back();
    item->SetDefaults();
    for (int i = item->ChildCount(); i-- > 0;) stack.push_back(item->Child(i));
  }
  ApplyModel();
}

std::vector<TController::PortRow> TController::PortGrid() const {
  std::vector<PortRow> rows;
  if (!proc_) return rows;
  for (int i = 1; i < proc_->ChildCount(); ++i)
    if (TPort* port = proc_->Child(i)->AsPort()) rows.push_back({port, port->LinkedBoard});
  return rows;
}

}  // namespace vilk

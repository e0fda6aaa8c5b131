#pragma once
// The root of the tree: the controller model, its boards and the whole-image writer and
// reader.
#include <string>
#include <vector>

#include "controller/models.h"
#include "model/item.h"

namespace vilk {

class TProc;
class TPortIP;

class TController : public TBlock {
 public:
  explicit TController(Configuration& config);

  std::uint8_t TypeCode = kDefaultModel;
  ControllerDescription Desc;
  ModelRecord Record;  // the identity shown on the main window
  PortKindSet Supported;

  TProc* Proc() const { return proc_; }
  TPortIP* PortIP() const;

  // Sets the type code, creates the processor board, applies the model.
  void SetModel(int typeCode);
  void SelectModelRecord();
  // The question asked before the model changes to `newCode`.
  std::string ModelChangeQuestion(int newCode) const;
  // What a change to the model `typeCode` does to the boards, as ApplyModel will do it:
  // the boards it removes and the ports that then lose their board (captions, tree order),
  // and how many boards it adds.
  struct ModelConversion {
    std::vector<std::string> RemovedBoards;
    std::vector<std::string> UnlinkedPorts;
    int AddedBoards = 0;
  };
  ModelConversion ConversionTo(int typeCode) const;
  void ApplyModel() override;
  bool IsModelSupported(int typeCode) const {
    return typeCode >= 0 && typeCode < 256 && Supported[typeCode];
  }
  // Board or port that takes a top-level block while loading (nullptr: none exists).
  TItem* FindBoardForBlock(int blockId, int comOrdinal) const;
  // The first board (after the processor board) with a mask and this number.
  TBlock* FindBoardByNumber(int number) const;
  // Unlinks the port's board; links `board` when it is not null.
  static void SelectBoard(TPort* port, TBlock* board);
  // Links `port` to the board whose number its record holds under `key`, when it holds one;
  // a board that is missing or carries another port is said.
  static void LoadBoard(TPort* port, TConfig& cfg, std::uint16_t key);
  // Boards that a port needing `bits` may run on (free ones and its own).
  std::vector<TBlock*> BoardCandidates(TPort* port, std::uint16_t bits) const;

  void UpdateCaption() override;
  void SetDefaults() override;  // removes all boards and ports
  void SaveToImage(TConfig& cfg) override;
  void LoadFromImage(TConfig& cfg) override;
  // The whole New command: defaults everywhere, model and file name kept.
  void NewConfiguration();

  struct PortRow {
    TPort* Port;
    TBlock* Board;
  };
  // The controller frame's table: one row per port after the IP port.
  std::vector<PortRow> PortGrid() const;

 private:
  TProc* proc_ = nullptr;
};

}  // namespace vilk

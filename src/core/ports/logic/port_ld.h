#pragma once
// The discrete-logic port: one per configuration, under the processor board. It holds the
// ladder program; every task's output is a discrete input of the port's own list, which
// the rest of the configuration uses like any other ТС.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/item.h"
#include "model/record.h"
#include "ports/logic/ladder.h"

namespace vilk {

class TParams;

constexpr int kPortLD = 131;
constexpr int kLdMaxTasks = kMaxSignals;  // one own signal per task

class TPortLD : public TPort {
 public:
  explicit TPortLD(Configuration& config);
  ~TPortLD() override;

  std::vector<std::unique_ptr<TTaskLD>> Tasks;
  // The parameter part of each output's default name ("Пр_%d").
  std::vector<std::string> OutputNames;
  int GridWidth = kLdNewGridWidth;  // grows with the program, back to 10 when cleared
  int GridRows = 0;                 // rows used, after the last layout

  // The editor's selection: the element clicked last (the range anchor) and the first
  // and last contacts of a selected range. Cleared by every structural edit.
  TBaseLD* Anchor = nullptr;
  TBaseLD* RangeFirst = nullptr;
  TBaseLD* RangeLast = nullptr;
  // The cells of a range selection: row, first and last column (-1: no range).
  int RangeRow = -1, RangeFromColumn = -1, RangeToColumn = -1;

  int TaskCount() const { return static_cast<int>(Tasks.size()); }
  TParams* OwnList() const;
  TParam* OutputSignal(int task) const;
  std::string PortText() const;  // "%d_Порт"
  // Pool index of a contact's signal; -1 when it has none or the signal left the pool.
  int PoolIndex(const TLD& contact) const;
  bool Unresolved(const TLD& contact) const { return contact.Signal && PoolIndex(contact) < 0; }
  // The task whose rows hold `row`, or -1.
  int TaskAtRow(int row) const;
  int TaskOf(const TBaseLD* element) const;
  TBaseLD* ElementAt(int column, int row) const;

  // Places every element; false (and nothing else changes) when it does not fit into the
  // 256 columns and rows the controller can address.
  bool Layout();
  bool Fits() const { return GridWidth <= kLdGridLimit && GridRows <= kLdGridLimit; }

  // --- Edits. Each lays the program out again; an edit that would not fit the grid is
  // undone with a message and reports failure. ---
  TTaskLD* AddTask();
  // Inserts a contact at the cell, into the line or branch that covers it; nullptr when
  // the cell is no task's, or on or right of the output.
  TLD* AddContact(int column, int row);
  // Whether the selected range can be bridged, and the bridge itself.
  bool CanBridge() const;
  TLD* BridgeSelection();
  // Deletes the selected elements: a task whose output is selected goes whole when
  // "Удалить задачу?" is answered yes, otherwise its selected contacts go and its lines
  // are tidied.
  void DeleteSelected();
  // Appends a copy of every task whose output is selected.
  void DuplicateSelected();
  // Appends a copy of `task` (from this or another port's program).
  TTaskLD* PasteTask(const TTaskLD& task);
  void ToggleInverseSelected();
  // A discrete input of the pool (nullptr clears); other kinds are refused.
  bool SetSignal(TLD& contact, TParam* signal);
  // Names the output of `task`; false when another discrete input of the pool has the name.
  bool RenameOutput(int task, const std::string& shortName);
  // "Новая схема": every task goes, the grid is 10 columns again.
  void ClearProgram();

  // --- Selection (flags on the elements) ---
  void ClearSelection();
  void Select(TBaseLD* element, bool toggle);
  // The cells of `row` from the anchor's column to `column` (never the output's).
  void SelectRange(int column, int row);

  // The program's name for a new output: "Пр_" and the lowest number that neither another
  // output nor any discrete input of the pool uses.
  std::string FreshOutputName() const;

  const RecordDesc* Record() const override;
  void UpdateCaption() override;
  void UpdateSignalList() override;
  void AfterLoad() override;
  void SaveToImage(TConfig& cfg) override;
  void LoadFromImage(TConfig& cfg) override;

 private:
  struct Snapshot {
    std::vector<std::unique_ptr<TTaskLD>> tasks;
    std::vector<std::string> names;
    int gridWidth;
  };
  Snapshot Take() const;
  void Restore(Snapshot snapshot);
  // Lays out after an edit; undoes it to `before` when the program no longer fits.
  bool Commit(Snapshot& before);
  void SaveTask(TConfig& cfg, const TTaskLD& task, int task_index) const;
  void SaveLine(TConfig& cfg, const TLine& line) const;
  void SaveContact(TConfig& cfg, const TLD& contact, int number) const;
};

}  // namespace vilk

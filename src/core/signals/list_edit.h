#pragma once
// Editing operations on signal lists, as the list editor and the pool page perform
// them. They act on the signal objects at once; callers rebuild the pool afterwards.
#include <optional>
#include <string>

#include "signals/params.h"

namespace vilk {

// --- selection (the Selected mark of the signals) ---
void ClearSelection(TParams& list);
void SelectOnly(TParams& list, int row);
void ToggleSelected(TParams& list, int row);
// Shift+click: every row from the first selected row down to `row` (only `row` when none is).
void SelectThrough(TParams& list, int row);
void SelectAll(TParams& list);
bool AnySelected(const TParams& list);

// --- discrete inputs ---
// Whether the type of `row` may be changed (not the last row, not the second of a pair,
// not a row followed by the first of a pair, not Fixed).
bool CanChangeType(const TParams& list, int row);
// Sets single-point (0) or double-point (1), keeping the pair rule for the next signal.
void SetTSType(TParams& list, int row, int type);
void ToggleInversion(TParams& list, int row);
// Whether the "Тип" cell shows an icon and which: 0 none, 1 single, 2 double.
int TypeIcon(const TParams& list, int row);

// --- names ---
// Commits the text typed for `row` (a short name under the list's prefix). Returns the
// new name, or nothing when the name did not change. A clash with another signal of the
// same kind in the pool gets "_повтор1", "_повтор2", ...
std::optional<std::string> CommitName(TParams& list, int row, const std::string& text);

// --- cell texts ---
std::string GainText(const TParam& s);      // general format, 5 significant digits; "" for 0
std::string BlockingText(const TParam& s);  // "ТУ_В | ТУ_О" with blanks for what is unset

// --- measurements ---
void SetGroupOfSelected(TParams& list, const std::string& group);
struct TITemplate {
  bool Set = false;
  float Gain = 0;
  float Offset = 0;
  std::string Group;
};
// The one template shared by all measurement lists while the program runs.
TITemplate& SharedTITemplate();
void ApplyTemplateToSelected(TParams& list, const TITemplate& t);
// Parses a typed number with "," or "." as the decimal separator.
std::optional<double> ParseNumber(const std::string& text);
// The gain and offset computer: texts as typed. Returns the texts to show in the gain and
// offset fields ("%.6g"), or an error message.
struct GainOffset {
  std::string Gain, Offset, Error;
};
GainOffset ComputeGainOffset(const std::string& minQ, const std::string& maxQ,
                             const std::string& low, const std::string& high);

// --- commands ---
// Sets the blocking inputs by name (discrete-input pool); the old ones are released.
void SetBlocking(TParams& list, int row, const std::string& onName, const std::string& offName);

// --- order within a list ---
// Moves the selected signals, in their order, to `dropRow` (counted among the rows that
// stay); returns the row after the moved block.
int MoveSelected(TParams& list, int dropRow);

// --- the pool page ---
// Appends the selected (or all) pool signals that `target` does not hold yet.
int AddFromPool(TParams& target, const TParams& pool, bool all);
// Inserts the selected pool signals that `target` does not hold yet at `row`, selected.
int InsertFromPool(TParams& target, const TParams& pool, int row);
void DeleteSelected(TParams& list, bool all);
void InsertPlaceholder(TParams& list, int row);
void ReplaceSelectedWithPlaceholders(TParams& list);
void MoveNamesUp(TParams& list);
void MoveNamesDown(TParams& list);
void RestoreDefaultNames(TParams& pool);

}  // namespace vilk

#pragma once
// The ladder program of the discrete-logic port: tasks (rungs), each one output coil fed
// by one series line of contacts; any run of a line can be bridged by a parallel group
// ("шунт") of branch lines. The elements are not tree items: the port owns them and
// writes them as nested blocks inside its own block.
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "model/image.h"
#include "signals/param.h"

namespace vilk {

constexpr std::uint16_t kLdContactBlock = 225;  // a contact or an output coil
constexpr std::uint16_t kLdLineBlock = 226;
constexpr std::uint16_t kLdStackBlock = 227;
constexpr std::uint16_t kLdTaskBlock = 228;
// Column and row of an element are one byte each in the controller's program.
constexpr int kLdGridLimit = 256;
// Parallel groups nested deeper than this are not read from a file (kept as they are).
constexpr int kLdMaxDepth = 32;
constexpr int kLdNewGridWidth = 10;

enum LdFlagBits : std::uint8_t { kLdSelected = 1, kLdHover = 2 };

class TLine;

class TBaseLD {
 public:
  enum class Type { Contact, Output, Line, Stack, Kept };
  explicit TBaseLD(TBaseLD* parent) : Parent(parent) {}
  virtual ~TBaseLD() = default;
  TBaseLD(const TBaseLD&) = delete;
  TBaseLD& operator=(const TBaseLD&) = delete;

  virtual Type ElementType() const = 0;
  // A deep copy hung under `parent` (selection and hover flags are not copied).
  virtual std::unique_ptr<TBaseLD> Clone(TBaseLD* parent) const = 0;

  std::uint8_t Version = 1;
  bool MainLine = false;
  int Column = 0;
  int Row = 0;
  int Width = 1;
  int Height = 1;
  TBaseLD* Parent = nullptr;
  std::uint8_t Flags = 0;

  bool Selected() const { return (Flags & kLdSelected) != 0; }
  bool IsContact() const { return ElementType() == Type::Contact; }
};

// A contact: reads one discrete input of the pool, optionally inverted.
class TLD : public TBaseLD {
 public:
  using TBaseLD::TBaseLD;
  Type ElementType() const override { return Type::Contact; }
  std::unique_ptr<TBaseLD> Clone(TBaseLD* parent) const override;

  bool Inverse = false;
  SignalRef Signal;  // held: a signal deleted from the pool stays alive, unresolved
  // Pool index as read from a file, until the port resolves it after loading.
  int LoadedNumber = -1;
};

// The output coil of a task. Its signal is always the task's own entry in the port's list.
class TOutLD : public TLD {
 public:
  using TLD::TLD;
  Type ElementType() const override { return Type::Output; }
  std::unique_ptr<TBaseLD> Clone(TBaseLD* parent) const override;
};

// An element block this build does not read (unknown id, newer version, nesting beyond
// the limit): one cell on the grid, never conducts, written back byte for byte.
class TKeptLD : public TBaseLD {
 public:
  TKeptLD(TBaseLD* parent, std::vector<std::uint8_t> block)
      : TBaseLD(parent), Block(std::move(block)) {}
  Type ElementType() const override { return Type::Kept; }
  std::unique_ptr<TBaseLD> Clone(TBaseLD* parent) const override;
  std::uint16_t BlockId() const {
    return Block.size() >= 4 ? static_cast<std::uint16_t>(Block[2] | (Block[3] << 8)) : 0;
  }

  std::vector<std::uint8_t> Block;
};

// A series line: its elements (contacts, parallel groups, kept blocks) left to right.
class TLine : public TBaseLD {
 public:
  using TBaseLD::TBaseLD;
  Type ElementType() const override { return Type::Line; }
  std::unique_ptr<TBaseLD> Clone(TBaseLD* parent) const override;

  std::vector<std::unique_ptr<TBaseLD>> Elements;
  std::vector<std::uint8_t> CellFlags;  // one per column of its width (empty cells)

  int IndexOf(const TBaseLD* element) const;
};

// A parallel group: branch lines, stacked downwards.
class TStack : public TBaseLD {
 public:
  using TBaseLD::TBaseLD;
  Type ElementType() const override { return Type::Stack; }
  std::unique_ptr<TBaseLD> Clone(TBaseLD* parent) const override;

  std::vector<std::unique_ptr<TLine>> Branches;
};

// A task (rung): its output and the main line in front of it.
class TTaskLD {
 public:
  // A new task: its output at column gridWidth - 1 and an empty main line.
  explicit TTaskLD(int gridWidth);
  std::unique_ptr<TTaskLD> Clone() const;

  std::uint8_t Version = 1;
  std::unique_ptr<TOutLD> Output;
  std::unique_ptr<TLine> Line;  // its parent is the output
  // Set by the layout: the task's first row, its height and width in cells.
  int Row = 0;
  int Height = 1;
  int Width = 1;
  // A task block of a newer version: written back as read, drawn as one unread row.
  std::vector<std::uint8_t> Kept;
  // Blocks inside the task other than its output and main line, kept in order.
  std::vector<std::vector<std::uint8_t>> Extra;
};

// Walks every element below `line` (pre-order), the line itself not included.
template <typename F>
void ForEachElement(const TLine& line, F&& visit) {
  for (const auto& e : line.Elements) {
    visit(*e);
    if (e->ElementType() == TBaseLD::Type::Stack)
      for (const auto& b : static_cast<const TStack&>(*e).Branches) {
        visit(static_cast<const TBaseLD&>(*b));
        ForEachElement(*b, visit);
      }
  }
}

// Walks every contact below `line`, in order; a const line gives const contacts.
template <typename Line, typename F>
void ForEachContact(Line& line, F&& visit) {
  constexpr bool kConst = std::is_const_v<Line>;
  using Contact = std::conditional_t<kConst, const TLD, TLD>;
  using Stack = std::conditional_t<kConst, const TStack, TStack>;
  for (const auto& e : line.Elements) {
    if (e->ElementType() == TBaseLD::Type::Contact)
      visit(static_cast<Contact&>(*e));
    else if (e->ElementType() == TBaseLD::Type::Stack)
      for (const auto& b : static_cast<Stack&>(*e).Branches)
        ForEachContact(static_cast<Line&>(*b), visit);
  }
}

// --- Layout ---
// Places every element of `tasks`: outputs aligned at the last column of the grid, tasks
// stacked from row 0. `gridWidth` is the current grid width (it only grows) and is
// updated; returns the number of rows used.
int LayoutTasks(std::vector<std::unique_ptr<TTaskLD>>& tasks, int& gridWidth);

// --- Editing helpers over one line ---
// Inserts a new contact into the line or branch that covers (column, row), before the
// first element that starts right of the column. Returns the new contact.
TLD* InsertContact(TLine& line, int column, int row);
// The element (contact, output or kept block) whose cell is (column, row) in the task.
TBaseLD* ElementAt(const TTaskLD& task, int column, int row);
// The line in which `first` and `last` both lie, found by walking up their parents, with
// the positions in it of the elements that hold them (from <= to); nullptr when none.
TLine* CommonLine(const TBaseLD* first, const TBaseLD* last, int* from, int* to);
// Bridges elements from..to of `line` by a parallel group whose first branch holds the
// run and whose second branch holds one new contact. A run that is a whole branch, or
// exactly one group, gets a new branch in that group instead. Returns the new contact.
TLD* Bridge(TLine& line, int from, int to);
// Deletes the selected contacts below `line` and tidies it: empty branches are dropped, a
// group left with one branch dissolves into the line, a group left with none goes.
void TidyLine(TLine& line);

}  // namespace vilk

#include "ports/logic/ladder.h"

#include <algorithm>
#include <unordered_map>

namespace vilk {

// --- Copies ---

std::unique_ptr<TBaseLD> TLD::Clone(TBaseLD* parent) const {
  auto c = std::make_unique<TLD>(parent);
  c->Inverse = Inverse;
  c->Signal = Signal;
  c->LoadedNumber = LoadedNumber;
  return c;
}

std::unique_ptr<TBaseLD> TOutLD::Clone(TBaseLD* parent) const {
  auto c = std::make_unique<TOutLD>(parent);
  c->Inverse = Inverse;
  c->Column = Column;
  return c;
}

std::unique_ptr<TBaseLD> TKeptLD::Clone(TBaseLD* parent) const {
  return std::make_unique<TKeptLD>(parent, Block);
}

std::unique_ptr<TBaseLD> TLine::Clone(TBaseLD* parent) const {
  auto c = std::make_unique<TLine>(parent);
  c->MainLine = MainLine;
  c->Elements.reserve(Elements.size());
  for (const auto& e : Elements) c->Elements.push_back(e->Clone(c.get()));
  return c;
}

std::unique_ptr<TBaseLD> TStack::Clone(TBaseLD* parent) const {
  auto c = std::make_unique<TStack>(parent);
  c->Branches.reserve(Branches.size());
  for (const auto& b : Branches) {
    std::unique_ptr<TBaseLD> copy = b->Clone(c.get());
    c->Branches.emplace_back(static_cast<TLine*>(copy.release()));
  }
  return c;
}

int TLine::IndexOf(const TBaseLD* element) const {
  for (std::size_t i = 0; i < Elements.size(); ++i)
    if (Elements[i].get() == element) return static_cast<int>(i);
  return -1;
}

TTaskLD::TTaskLD(int gridWidth)
    : Output(std::make_unique<TOutLD>(nullptr)), Line(std::make_unique<TLine>(nullptr)) {
  Output->Column = std::max(gridWidth - 1, 0);
  Line->Parent = Output.get();
  Line->MainLine = true;
}

std::unique_ptr<TTaskLD> TTaskLD::Clone() const {
  auto c = std::make_unique<TTaskLD>(Output->Column + 1);
  c->Version = Version;
  c->Output->Inverse = Output->Inverse;
  std::unique_ptr<TBaseLD> line = Line->Clone(c->Output.get());
  c->Line.reset(static_cast<TLine*>(line.release()));
  c->Kept = Kept;
  c->Extra = Extra;
  return c;
}

// --- Layout ---

namespace {

void PlaceLine(TLine& line, int column, int row);

void PlaceElement(TBaseLD& e, int column, int row) {
  e.Column = column;
  e.Row = row;
  if (e.ElementType() != TBaseLD::Type::Stack) {
    e.Width = 1;
    e.Height = 1;
    return;
  }
  // Branches do not depend on the width they are given, so each is placed once and then
  // widened to the group's width: linear in the elements whatever the nesting.
  auto& stack = static_cast<TStack&>(e);
  int r = row, width = 1;
  for (auto& b : stack.Branches) {
    PlaceLine(*b, column, r);
    r += b->Height;
    width = std::max(width, b->Width);
  }
  for (auto& b : stack.Branches) {
    b->Width = width;
    b->CellFlags.resize(static_cast<std::size_t>(width));
  }
  stack.Width = width;
  stack.Height = std::max(r - row, 1);
}

void PlaceLine(TLine& line, int column, int row) {
  line.Column = column;
  line.Row = row;
  int x = column, height = 1;
  for (auto& e : line.Elements) {
    PlaceElement(*e, x, row);
    x += e->Width;
    height = std::max(height, e->Height);
  }
  line.Width = x - column;
  line.Height = height;
}

}  // namespace

int LayoutTasks(std::vector<std::unique_ptr<TTaskLD>>& tasks, int& gridWidth) {
  const int outputColumn = std::max(gridWidth - 1, 0);
  int grid = std::max(gridWidth, 1);
  int row = 0;
  for (auto& t : tasks) {
    t->Row = row;
    if (!t->Kept.empty()) {
      t->Height = 1;
      t->Width = 1;
      t->Line->Elements.clear();
    } else {
      PlaceLine(*t->Line, 0, row);
      t->Line->Width = std::max(t->Line->Width, outputColumn);
      t->Height = t->Line->Height;
      t->Width = t->Line->Width + 1;
    }
    grid = std::max(grid, t->Width);
    row += t->Height;
  }
  gridWidth = grid;
  for (auto& t : tasks) {
    TOutLD& out = *t->Output;
    out.Column = grid - 1;
    out.Row = t->Row;
    out.Width = out.Height = 1;
    t->Line->Width = grid - 1;
    t->Line->CellFlags.resize(static_cast<std::size_t>(grid - 1));
  }
  return row;
}

// --- Editing ---

TLD* InsertContact(TLine& line, int column, int row) {
  TLine* at = &line;
  for (;;) {
    TLine* inner = nullptr;
    std::size_t pos = at->Elements.size();
    for (std::size_t i = 0; i < at->Elements.size(); ++i) {
      TBaseLD& e = *at->Elements[i];
      if (e.Column > column) {
        pos = i;
        break;
      }
      if (e.ElementType() == TBaseLD::Type::Stack && column < e.Column + e.Width && row >= e.Row &&
          row < e.Row + e.Height) {
        for (auto& b : static_cast<TStack&>(e).Branches)
          if (row >= b->Row && row < b->Row + b->Height) inner = b.get();
        if (inner) break;
      }
    }
    if (inner) {
      at = inner;
      continue;
    }
    auto contact = std::make_unique<TLD>(at);
    TLD* made = contact.get();
    at->Elements.insert(at->Elements.begin() + static_cast<std::ptrdiff_t>(pos),
                        std::move(contact));
    return made;
  }
}

namespace {
TBaseLD* FindCell(const TLine& line, int column, int row) {
  for (const auto& e : line.Elements) {
    if (column < e->Column || column >= e->Column + e->Width || row < e->Row ||
        row >= e->Row + e->Height)
      continue;
    if (e->ElementType() != TBaseLD::Type::Stack) return e.get();
    for (const auto& b : static_cast<const TStack&>(*e).Branches)
      if (row >= b->Row && row < b->Row + b->Height) return FindCell(*b, column, row);
    return nullptr;
  }
  return nullptr;
}
}  // namespace

TBaseLD* ElementAt(const TTaskLD& task, int column, int row) {
  if (row < task.Row || row >= task.Row + task.Height) return nullptr;
  if (column == task.Output->Column && row == task.Row) return task.Output.get();
  return FindCell(*task.Line, column, row);
}

TLine* CommonLine(const TBaseLD* first, const TBaseLD* last, int* from, int* to) {
  if (!first || !last) return nullptr;
  // The lines above `first`, each with the position of the element that leads to it.
  std::unordered_map<const TBaseLD*, int> above;
  for (const TBaseLD *child = first, *p = first->Parent; p; child = p, p = p->Parent) {
    if (p->ElementType() != TBaseLD::Type::Line) continue;
    above.emplace(p, static_cast<const TLine*>(p)->IndexOf(child));
  }
  for (const TBaseLD *child = last, *p = last->Parent; p; child = p, p = p->Parent) {
    if (p->ElementType() != TBaseLD::Type::Line) continue;
    auto it = above.find(p);
    if (it == above.end()) continue;
    const int a = it->second, b = static_cast<const TLine*>(p)->IndexOf(child);
    if (a < 0 || b < 0) return nullptr;
    *from = std::min(a, b);
    *to = std::max(a, b);
    return const_cast<TLine*>(static_cast<const TLine*>(p));
  }
  return nullptr;
}

TLD* Bridge(TLine& line, int from, int to) {
  const int n = static_cast<int>(line.Elements.size());
  if (from < 0 || to < from || to >= n) return nullptr;
  TStack* stack = nullptr;
  if (from == 0 && to == n - 1 && line.Parent &&
      line.Parent->ElementType() == TBaseLD::Type::Stack) {
    // The run is a whole branch: its group already spans it, so the group gets the branch.
    stack = static_cast<TStack*>(line.Parent);
  } else if (from == to &&
             line.Elements[static_cast<std::size_t>(from)]->ElementType() == TBaseLD::Type::Stack) {
    stack = static_cast<TStack*>(line.Elements[static_cast<std::size_t>(from)].get());
  } else {
    auto made = std::make_unique<TStack>(&line);
    auto first = std::make_unique<TLine>(made.get());
    auto begin = line.Elements.begin() + from, end = line.Elements.begin() + to + 1;
    for (auto it = begin; it != end; ++it) {
      (*it)->Parent = first.get();
      first->Elements.push_back(std::move(*it));
    }
    made->Branches.push_back(std::move(first));
    stack = made.get();
    line.Elements.erase(begin + 1, end);
    *begin = std::move(made);
  }
  auto branch = std::make_unique<TLine>(stack);
  auto contact = std::make_unique<TLD>(branch.get());
  TLD* result = contact.get();
  branch->Elements.push_back(std::move(contact));
  stack->Branches.push_back(std::move(branch));
  return result;
}

void TidyLine(TLine& line) {
  std::vector<std::unique_ptr<TBaseLD>> kept;
  kept.reserve(line.Elements.size());
  for (auto& e : line.Elements) {
    if (e->ElementType() != TBaseLD::Type::Stack) {
      if (!e->Selected()) kept.push_back(std::move(e));
      continue;
    }
    auto& stack = static_cast<TStack&>(*e);
    std::vector<std::unique_ptr<TLine>> branches;
    for (auto& b : stack.Branches) {
      TidyLine(*b);
      if (!b->Elements.empty()) branches.push_back(std::move(b));
    }
    stack.Branches = std::move(branches);
    if (stack.Branches.size() == 1) {
      for (auto& moved : stack.Branches[0]->Elements) {
        moved->Parent = &line;
        kept.push_back(std::move(moved));
      }
    } else if (stack.Branches.size() > 1) {
      kept.push_back(std::move(e));
    }
  }
  line.Elements = std::move(kept);
}

}  // namespace vilk

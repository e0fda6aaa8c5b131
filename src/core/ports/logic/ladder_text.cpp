#include "ports/logic/ladder_text.h"

#include "base/format.h"
#include "ports/logic/port_ld.h"
#include "signals/params.h"

namespace vilk {

namespace {

std::string ContactText(const TPortLD& port, const TLD& c) {
  std::string text = c.Inverse ? "/" : "";
  if (!c.Signal)
    text += "?";
  else if (port.Unresolved(c))
    text += "!" + c.Signal->Name();
  else
    text += c.Signal->Name();
  return text;
}

std::string LineText(const TPortLD& port, const TLine& line) {
  if (line.Elements.empty()) return "-";
  std::string text;
  for (const auto& e : line.Elements) {
    if (!text.empty()) text += ' ';
    switch (e->ElementType()) {
      case TBaseLD::Type::Contact:
        text += ContactText(port, static_cast<const TLD&>(*e));
        break;
      case TBaseLD::Type::Stack: {
        text += '[';
        bool first = true;
        for (const auto& b : static_cast<const TStack&>(*e).Branches) {
          if (!first) text += " | ";
          first = false;
          text += LineText(port, *b);
        }
        text += ']';
        break;
      }
      default:
        text += Format("#%d", static_cast<int>(static_cast<const TKeptLD&>(*e).BlockId()));
        break;
    }
  }
  return text;
}

std::string OutputText(const TPortLD& port, int task) {
  const TTaskLD& t = *port.Tasks[static_cast<std::size_t>(task)];
  const TParam* own = port.OutputSignal(task);
  std::string name = own ? own->Name() : port.OutputNames[static_cast<std::size_t>(task)];
  return (t.Output->Inverse ? "/" : "") + name;
}

std::string KeptTaskText(const TTaskLD& t) {
  return Format("#%d (%d байт)", kLdTaskBlock, static_cast<int>(t.Kept.size()));
}

void LayoutLine(const TPortLD& port, const TLine& line, const char* what, int depth,
                std::string& out) {
  const std::string pad(static_cast<std::size_t>(depth) * 2, ' ');
  out += Format("%s%s %d %d %dx%d\n", pad, what, line.Column, line.Row, line.Width, line.Height);
  for (const auto& e : line.Elements) {
    switch (e->ElementType()) {
      case TBaseLD::Type::Contact:
        out += Format("%s  contact %d %d %s\n", pad, e->Column, e->Row,
                      ContactText(port, static_cast<const TLD&>(*e)));
        break;
      case TBaseLD::Type::Stack:
        out += Format("%s  group %d %d %dx%d\n", pad, e->Column, e->Row, e->Width, e->Height);
        for (const auto& b : static_cast<const TStack&>(*e).Branches)
          LayoutLine(port, *b, "branch", depth + 2, out);
        break;
      default:
        out += Format("%s  kept %d %d #%d\n", pad, e->Column, e->Row,
                      static_cast<int>(static_cast<const TKeptLD&>(*e).BlockId()));
        break;
    }
  }
}

}  // namespace

std::string LadderTaskText(const TPortLD& port, int task) {
  const TTaskLD& t = *port.Tasks[static_cast<std::size_t>(task)];
  return OutputText(port, task) + " = " +
         (t.Kept.empty() ? LineText(port, *t.Line) : KeptTaskText(t));
}

std::string LadderText(const TPortLD& port) {
  std::string out;
  for (int i = 0; i < port.TaskCount(); ++i) {
    const TTaskLD& t = *port.Tasks[static_cast<std::size_t>(i)];
    if (i) out += '\n';
    out += OutputText(port, i) + "\n  ";
    out += t.Kept.empty() ? LineText(port, *t.Line) : KeptTaskText(t);
    out += '\n';
  }
  return out;
}

std::string LadderLayoutText(const TPortLD& port) {
  std::string out = Format("grid %dx%d\n", port.GridWidth, port.GridRows);
  for (int i = 0; i < port.TaskCount(); ++i) {
    const TTaskLD& t = *port.Tasks[static_cast<std::size_t>(i)];
    out += Format("task %d rows %d..%d\n", i + 1, t.Row, t.Row + t.Height - 1);
    out += Format("  output %d %d %s\n", t.Output->Column, t.Output->Row, OutputText(port, i));
    if (t.Kept.empty()) LayoutLine(port, *t.Line, "line", 1, out);
  }
  return out;
}

}  // namespace vilk

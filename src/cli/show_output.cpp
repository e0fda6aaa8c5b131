#include "show_output.h"

#include <cstdlib>
#include <string>

#include "base/format.h"
#include "model/item.h"
#include "model/kinds.h"
#include "model/show.h"
#include "signals/params.h"
#include "signals/storage.h"

namespace vilk::cli {

namespace {

std::string Json(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (u < 0x20) {
      out += Format("\\u%4.4x", static_cast<int>(u));
    } else {
      out += c;
    }
  }
  return out + '"';
}

// A number as JSON writes it; anything else ("nan", "inf") goes as a string.
std::string JsonNumber(const std::string& text) {
  if (text.empty()) return Json(text);
  char* end = nullptr;
  std::strtod(text.c_str(), &end);
  const bool plain = end && *end == '\0' && text.find_first_of("nNiI") == std::string::npos &&
                     text[0] != '+' && text[0] != '.';
  return plain ? text : Json(text);
}

void TreeJson(std::ostream& out, const TItem& item) {
  const KindRow* row = item.Parent() ? FindKind(KeyOf(item)) : nullptr;
  out << "{\"caption\":" << Json(item.Caption()) << ",\"class\":"
      << Json(row             ? row->ClassName
              : item.Parent() ? "TUnknown"
                              : "TController")
      << ",\"code\":" << (item.Parent() ? static_cast<int>(item.BlockId()) : -1)
      << ",\"kept\":" << (item.IsKept() ? "true" : "false") << ",\"children\":[";
  for (int i = 0; i < item.ChildCount(); ++i) {
    if (i) out << ',';
    TreeJson(out, *item.Child(i));
  }
  out << "]}";
}

void TreeText(std::ostream& out, const TItem& item, int level) {
  out << std::string(static_cast<std::size_t>(level) * 2, ' ') << item.Caption() << '\n';
  for (int i = 0; i < item.ChildCount(); ++i) TreeText(out, *item.Child(i), level + 1);
}

}  // namespace

void PrintTree(std::ostream& out, const TItem& root, bool json) {
  if (!json) return TreeText(out, root, 0);
  TreeJson(out, root);
  out << '\n';
}

void PrintSignals(std::ostream& out, const TStorage& pool, bool json) {
  bool first = true;
  if (json) out << '[';
  for (int kind = 1; kind <= kSignalKinds; ++kind) {
    const SignalKindInfo& info = *SignalKindOf(kind);
    const TParams& list = pool.List(kind);
    for (int i = 0; i < list.Count(); ++i) {
      const TParam* s = list.At(i);
      const std::string name = s ? s->Name() : std::string();
      const int number = info.BaseNumber + i;
      if (json) {
        out << (first ? "" : ",") << "\n{\"kind\":" << Json(info.Caption)
            << ",\"number\":" << number << ",\"name\":" << Json(name) << '}';
        first = false;
      } else {
        out << info.Caption << '\t' << number << '\t' << name << '\n';
      }
    }
  }
  if (json) out << "\n]\n";
}

void PrintShow(std::ostream& out, const TItem& from, bool json) {
  const std::vector<ItemReport> reports = ReportItems(from);
  if (json) out << '[';
  for (std::size_t n = 0; n < reports.size(); ++n) {
    const ItemReport& r = reports[n];
    if (json) {
      out << (n ? "," : "") << "\n{\"path\":" << Json(r.Path)
          << ",\"caption\":" << Json(r.Item->Caption()) << ",\"class\":" << Json(r.ClassName)
          << ",\"code\":" << r.Code << ",\"fields\":[";
      for (std::size_t i = 0; i < r.Fields.size(); ++i) {
        const ShownField& f = r.Fields[i];
        out << (i ? "," : "") << "{\"name\":" << Json(f.Name)
            << ",\"value\":" << (f.IsText ? Json(f.Value) : JsonNumber(f.Value));
        if (f.Key) out << ",\"key\":" << f.Key;
        if (!f.Unit.empty()) out << ",\"unit\":" << Json(f.Unit);
        out << '}';
      }
      out << "]}";
      continue;
    }
    if (n) out << '\n';
    out << '[' << r.Path << "]\n";
    out << "class = " << r.ClassName << '\n';
    if (r.Code >= 0) out << "code = " << r.Code << '\n';
    for (const ShownField& f : r.Fields)
      out << f.Name << " = " << f.Value << (f.Unit.empty() ? "" : " " + f.Unit) << '\n';
  }
  if (json) out << "\n]\n";
}

}  // namespace vilk::cli

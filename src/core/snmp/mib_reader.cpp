// The keyword scanner over one module file.
#include "snmp/mib_scan.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <filesystem>
#include <unordered_set>

#include "base/files.h"
#include "base/format.h"
#include "base/text.h"

namespace vilk {

using namespace mib_scan;

// Reads one module file with the rules of the scanner; imports are read through the TMib
// at once, so their names are defined before the rest of this file.
class MibFileReader {
 public:
  MibFileReader(TMib& mib, std::string file, const MibText& text, int depth)
      : mib_(mib), file_(std::move(file)), lines_(text.Lines()), depth_(depth) {}

  void Run() {
    const std::size_t n = lines_.size();
    for (cur_ = 0; cur_ < n; ++cur_) {
      if (lines_[cur_].CodeBlank) continue;
      const unsigned words = StepWords(lines_[cur_].Code);
      if (words == 0) continue;
      std::string_view code = lines_[cur_].Code;
      std::size_t p;
      if ((words & kDefinitions) && (p = FindWord(code, "DEFINITIONS", 0, false)) != npos) {
        // The module's own name counts as read, whatever its file is called.
        const std::string name = Trim(std::string_view(code).substr(0, p));
        if (IsSingleName(name)) mib_.MarkLoaded(name);
      }
      if ((words & kImports) && (p = FindWord(code, "IMPORTS", 0, true)) != npos) {
        ReadImports(p + 7);
        continue;
      }
      if ((words & kExports) && (p = FindWord(code, "EXPORTS", 0, true)) != npos) {
        SkipPastSemicolon(p + 7);
        continue;
      }
      if (words & kObject) {
        const Step assignment = TryAssignment();
        if (assignment == Step::Stop) return;
        if (assignment == Step::Done) continue;
      }
      if ((words & kMacro) && (p = FindMacro(code)) != npos) {
        if (!SkipToEnd(p)) return;
        continue;
      }
      if ((words & kModuleIdentity) && (p = FindWord(code, "MODULE-IDENTITY", 0, true)) != npos &&
          p >= 2) {
        if (!ReadIdentity(p, 15, "MODULE-IDENTITY", true)) return;
        continue;
      }
      bool handled = false, stop = false;
      // OBJECT-IDENTITY and AGENT-CAPABILITIES assign identifiers just as these do.
      static constexpr std::pair<unsigned, const char*> kIdentities[] = {
          {kModuleCompliance, "MODULE-COMPLIANCE"},
          {kNotificationType, "NOTIFICATION-TYPE"},
          {kNotificationGroup, "NOTIFICATION-GROUP"},
          {kObjectIdentity, "OBJECT-IDENTITY"},
          {kAgentCapabilities, "AGENT-CAPABILITIES"}};
      for (const auto& [bit, kw] : kIdentities) {
        if ((words & bit) && (p = FindWord(code, kw, 0, true)) != npos && p >= 2) {
          handled = true;
          stop = !ReadIdentity(p, std::char_traits<char>::length(kw), kw, false);
          break;
        }
      }
      if (stop) return;
      if (handled) continue;
      if ((words & kObjectType) && (p = FindWord(code, "OBJECT-TYPE", 0, false)) != npos &&
          p >= 2) {
        if (!ReadObject(p)) return;
        continue;
      }
      if ((words & kObjectGroup) && (p = FindWord(code, "OBJECT-GROUP", 0, true)) != npos &&
          p >= 2) {
        if (!ReadGroup(p)) return;
        continue;
      }
      if ((words & kSequence) && (p = FindSequenceBrace(code)) != npos) ReadSequence(p);
    }
  }

 private:
  enum class Step { NotMine, Done, Stop };

  // Description of an OBJECT-TYPE or OBJECT-GROUP: the first quoted text after the keyword.
  struct Description {
    enum { None, Waiting, Collecting, Done } State = None;
    std::size_t Line = 0, Col = 0;
    std::string Text;
    void Add(std::string_view piece) {
      const std::string_view t = TrimView(piece);
      if (t.empty()) return;
      if (!Text.empty()) Text += ' ';
      Text += t;
    }
  };

  void Error(std::size_t line) {
    mib_.ReportError(Format("----- ошибка: %s строка %d", file_, line + 1));
  }
  void Error(std::size_t line, const std::string& what) {
    mib_.ReportError(Format("----- ошибка: %s строка %d: %s", file_, line + 1, what));
  }

  // Code of the nearest line before `line` that is not empty once comments are gone.
  std::string Prev(std::size_t line) const {
    while (line-- > 0)
      if (!lines_[line].Blank) return Trim(lines_[line].Code);
    return {};
  }

  // The defined name: the text before the keyword, or a lone name on the line before.
  std::string NameBefore(std::size_t kw) const {
    std::string name = Trim(std::string_view(lines_[cur_].Code).substr(0, kw));
    if (!name.empty()) return name;
    name = Prev(cur_);
    return IsSingleName(name) ? name : std::string();
  }

  // Moves (line, col) to the next character that is not blank; false at the end.
  bool NextToken(std::size_t& line, std::size_t& col) const {
    while (line < lines_.size()) {
      std::string_view code = lines_[line].Code;
      while (col < code.size() && IsBlank(code[col])) ++col;
      if (col < code.size()) return true;
      ++line;
      col = 0;
    }
    return false;
  }

  static std::size_t FindMacro(std::string_view code) {
    const std::size_t p = FindWord(code, "MACRO", 0, false);
    if (p == npos || p < 2) return npos;
    std::size_t q = p + 5;
    while (q < code.size() && IsBlank(code[q])) ++q;
    return code.compare(q, 3, "::=") == 0 ? q + 3 : npos;
  }

  static std::size_t FindSequenceBrace(std::string_view code) {
    std::size_t p = 0;
    while ((p = FindWord(code, "SEQUENCE", p, true)) != npos) {
      std::size_t q = p + 8;
      while (q < code.size() && IsBlank(code[q])) ++q;
      if (q < code.size() && code[q] == '{') return p;
      p += 8;
    }
    return npos;
  }

  // "OBJECT IDENTIFIER" on the line: its start and the position after it.
  static bool FindObjectIdentifier(std::string_view code, std::size_t* begin, std::size_t* end) {
    std::size_t p = 0;
    while ((p = FindWord(code, "OBJECT", p, true)) != npos) {
      std::size_t q = p + 6;
      while (q < code.size() && IsBlank(code[q])) ++q;
      if (FindWord(code, "IDENTIFIER", q, true) == q) {
        *begin = p;
        *end = q + 10;
        return true;
      }
      p += 6;
    }
    return false;
  }

  void ReadImports(std::size_t col) {
    bool from = false;
    std::size_t line = cur_;
    for (; line < lines_.size(); ++line, col = 0) {
      std::string_view code = lines_[line].Code;
      const std::size_t semi = code.find(';', col < code.size() ? col : code.size());
      std::string part(code.substr(std::min(col, code.size()),
                                   semi == npos ? npos : semi - std::min(col, code.size())));
      std::replace(part.begin(), part.end(), ',', ' ');
      for (const std::string& word : SplitBlanks(part)) {
        if (from) {
          Import(FileNamePart(word));
          from = false;
        } else if (EqualsCI(word, "FROM")) {
          from = true;
        }
      }
      if (semi != npos) break;
    }
    cur_ = std::min(line, lines_.size() - 1);
  }

  void Import(const std::string& module) {
    if (module.empty() || mib_.IsLoaded(module)) return;
    mib_.MarkLoaded(module);
    if (depth_ >= kMaxImportDepth) {
      Error(cur_, "импорт " + module + " вложен слишком глубоко");
      return;
    }
    mib_.ReadModule(module, depth_ + 1);
  }

  void SkipPastSemicolon(std::size_t col) {
    for (std::size_t line = cur_; line < lines_.size(); ++line, col = 0) {
      std::string_view code = lines_[line].Code;
      if (col < code.size() && code.find(';', col) != npos) {
        cur_ = line;
        return;
      }
    }
    cur_ = lines_.size() - 1;
  }

  // A macro definition is skipped up to its END; without one the file is over.
  bool SkipToEnd(std::size_t col) {
    for (std::size_t line = cur_; line < lines_.size(); ++line, col = 0) {
      if (FindWord(lines_[line].Code, "END", col, true) != npos) {
        cur_ = line;
        return true;
      }
    }
    cur_ = lines_.size() - 1;
    return false;
  }

  // Finds "::=" from (line, col) on; false at the end of the file.
  bool FindAssign(std::size_t& line, std::size_t& col) const {
    for (; line < lines_.size(); ++line, col = 0) {
      std::string_view code = lines_[line].Code;
      if (col < code.size()) {
        const std::size_t p = code.find("::=", col);
        if (p != npos) {
          col = p + 3;
          return true;
        }
      }
    }
    return false;
  }

  // "{ parent n ... }" from (line, col); the parent must be defined already. Each word
  // after it adds the digits it holds as one arc ("org(3)" is 3). Leaves cur_ on the last
  // line it read.
  bool ParseValue(std::size_t line, std::size_t col, const std::string& name, OidValue* oid) {
    const std::size_t at = line;
    cur_ = std::max(cur_, line);
    if (!NextToken(line, col) || lines_[line].Code[col] != '{' || line - at > kMaxValueLines) {
      Error(at);
      return false;
    }
    const std::size_t open = line;
    std::string content;
    ++col;
    while (true) {
      std::string_view code = lines_[line].Code;
      const std::size_t close = col < code.size() ? code.find('}', col) : npos;
      if (close != npos) {
        content += code.substr(col, close - col);
        break;
      }
      if (col < code.size()) content += code.substr(col);
      content += ' ';
      if (++line >= lines_.size() || line - open > kMaxValueLines) {
        Error(open);
        return false;
      }
      col = 0;
    }
    cur_ = std::max(cur_, line);

    const std::vector<std::string> words = SplitBlanks(content);
    if (words.empty()) {
      Error(open);
      return false;
    }
    OidValue v;
    const std::string parent = words[0].substr(0, words[0].find('('));
    if (const TOIDEntry* known = mib_.FindOid(parent)) {
      v = known->Oid;
    } else if (!parent.empty() && parent.size() <= 5 &&
               std::all_of(parent.begin(), parent.end(),
                           [](char c) { return c >= '0' && c <= '9'; }) &&
               std::stoul(parent) <= OidValue::kMaxArc) {
      v.Append(static_cast<std::uint32_t>(std::stoul(parent)));  // a root arc: { 0 0 }
    } else {
      Error(open);
      return false;
    }
    for (std::size_t i = 1; i < words.size(); ++i) {
      std::string digits;
      for (char c : words[i])
        if (c >= '0' && c <= '9') digits += c;
      if (digits.empty()) continue;
      const std::size_t nz = std::min(digits.find_first_not_of('0'), digits.size() - 1);
      digits.erase(0, nz);
      if (digits.size() > 5 || std::stoul(digits) > OidValue::kMaxArc) {
        Error(open, Format("в идентификаторе %s число %s больше 65535", name, digits));
        return false;
      }
      if (v.Count() >= OidValue::kMaxArcs) {
        Error(open, Format("идентификатор %s длиннее %d чисел", name, OidValue::kMaxArcs));
        return false;
      }
      v.Append(static_cast<std::uint32_t>(std::stoul(digits)));
    }
    const std::size_t octets = TASNObjectIdentifier::EncodedLength(v);
    if (octets > TASNObjectIdentifier::kMaxContent) {
      Error(open,
            Format("идентификатор %s занимает %d байт, в теге помещается %d", name,
                   static_cast<int>(octets), static_cast<int>(TASNObjectIdentifier::kMaxContent)));
      return false;
    }
    *oid = v;
    return true;
  }

  // name OBJECT IDENTIFIER ::= value. Only when "::=" follows: "SYNTAX OBJECT IDENTIFIER",
  // a column "x OBJECT IDENTIFIER," or "Type ::= OBJECT IDENTIFIER" assign nothing.
  Step TryAssignment() {
    std::string_view code = lines_[cur_].Code;
    std::size_t begin, end;
    if (!FindObjectIdentifier(code, &begin, &end)) return Step::NotMine;
    std::size_t line = cur_, col = end;
    if (!NextToken(line, col) || lines_[line].Code.compare(col, 3, "::=") != 0)
      return Step::NotMine;
    const std::string name = NameBefore(begin);
    if (name.empty()) {
      Error(cur_);
      return Step::Stop;
    }
    OidValue oid;
    if (ParseValue(line, col + 3, name, &oid)) mib_.SetOid(name, oid, "OID");
    return Step::Done;
  }

  bool ReadIdentity(std::size_t p, std::size_t len, const char* category, bool module) {
    const std::string name = NameBefore(p);
    if (name.empty()) {
      Error(cur_);
      return false;
    }
    if (module) {
      auto list = std::make_unique<TSNMPObjList>();
      list->Name = file_;
      list->Identity = name;
      module_ = list.get();
      mib_.modules_.push_back(std::move(list));
      mib_.Report("Модуль: " + name);
    }
    std::size_t line = cur_, col = p + len;
    if (!FindAssign(line, col)) {
      cur_ = lines_.size() - 1;
      return true;
    }
    OidValue oid;
    if (ParseValue(line, col, name, &oid)) mib_.SetOid(name, oid, category);
    return true;
  }

  void CollectDescription(Description& d, std::string_view code, std::size_t line,
                          std::size_t from) {
    if (d.State == Description::None) {
      const std::size_t k = FindWord(code, "DESCRIPTION", from, true);
      if (k != npos) {
        d.State = Description::Waiting;
        d.Line = line;
        d.Col = k;
      }
    }
    const MibLine& l = lines_[line];
    for (const MibLine::Piece& s : l.Strings) {
      if (s.Opens && s.Begin < from) continue;
      const std::string_view text = std::string_view(l.Raw).substr(s.Begin, s.End - s.Begin);
      if (d.State == Description::Waiting && s.Opens && (line > d.Line || s.Begin > d.Col)) {
        d.State = s.Closes ? Description::Done : Description::Collecting;
        d.Add(text);
      } else if (d.State == Description::Collecting && !s.Opens) {
        d.Add(text);
        if (s.Closes) d.State = Description::Done;
      }
    }
  }

  void SetSyntax(TSNMPObject& obj, std::string_view code, std::size_t at) {
    std::size_t end = code.size();
    for (const char* clause : {"UNITS", "MAX-ACCESS", "ACCESS", "STATUS", "DESCRIPTION"}) {
      const std::size_t k = FindWord(code, clause, at, true);
      if (k != npos && k < end) end = k;
    }
    obj.Syntax = Trim(std::string_view(code).substr(at, end - at));
    const std::size_t seq = FindWord(code, "SEQUENCE", at, true);
    if (seq != npos && seq < end) {
      const std::size_t of = FindWord(code, "OF", seq + 8, true);
      if (of != npos && AllBlank(std::string_view(code).substr(seq + 8, of - seq - 8))) {
        obj.Table = true;
        obj.Rows = 1;
        obj.Syntax = FirstWord(code, of + 2);
        rowTypes_[ToUpper(obj.Syntax)] = &obj;
      }
    }
  }

  bool ReadObject(std::size_t p) {
    const std::string name = NameBefore(p);
    if (name.empty()) {
      Error(cur_);
      return false;
    }
    auto owned = std::make_unique<TSNMPObject>();
    TSNMPObject& obj = *owned;
    obj.Name = name;
    obj.Module = module_;
    obj.File = file_;
    obj.Line = static_cast<int>(cur_ + 1);
    if (auto rt = rowTypes_.find(ToUpper(name)); rt != rowTypes_.end()) {
      obj.EntryFlag = true;
      rt->second->Entry = &obj;
      mib_.entries_.push_back(&obj);
    }

    Description d;
    std::size_t from = p + 11;
    for (std::size_t line = cur_; line < lines_.size(); ++line, from = 0) {
      cur_ = line;
      std::string_view code = lines_[line].Code;
      if (lines_[line].CodeBlank) {  // inside a description: only its text counts
        CollectDescription(d, code, line, from);
        continue;
      }
      std::size_t k;
      if ((k = FindWord(code, "SYNTAX", from, true)) != npos) SetSyntax(obj, code, k + 6);
      std::size_t access = FindWord(code, "ACCESS", from, true), len = 6;
      if (const std::size_t max = FindWord(code, "MAX-ACCESS", from, true); max != npos)
        access = max, len = 10;
      if (access != npos) {
        obj.Access = ToLower(FirstWord(code, access + len));
        obj.Accessible =
            obj.Access == "read-only" || obj.Access == "read-write" || obj.Access == "read-create";
      }
      CollectDescription(d, code, line, from);
      if ((k = code.find("::=", from)) != npos) {
        OidValue oid;
        if (ParseValue(line, k + 3, name, &oid)) {
          obj.Oid = oid;
          obj.HasOid = true;
          mib_.SetOid(name, oid,
                      obj.Table       ? "OBJECT TABLE"
                      : obj.EntryFlag ? "TABLE ENTRY"
                                      : "OBJECT-TYPE");
        }
        break;
      }
    }
    obj.Description = d.Text;
    if (!obj.Table && !obj.EntryFlag)
      for (const char* word : kNumericWords)
        if (ContainsCI(obj.Syntax, word)) obj.Numeric = true;
    // A row type may be declared before its row object.
    if (obj.EntryFlag && !obj.Sequence)
      for (const auto& seq : mib_.sequences_)
        if (seq->File == file_ && EqualsCI(seq->Name, obj.Syntax)) {
          obj.Sequence = seq.get();
          break;
        }
    if (obj.Selectable()) (module_ ? module_ : &mib_.noModule_)->Objects.push_back(&obj);
    mib_.objects_.push_back(std::move(owned));
    return true;
  }

  bool ReadGroup(std::size_t p) {
    const std::string name = NameBefore(p);
    if (name.empty()) {
      Error(cur_);
      return false;
    }
    auto group = std::make_unique<TSNMPGroup>();
    group->Name = name;
    group->Module = module_;
    enum { None, WaitBrace, InList, Over } members = None;
    std::string member;
    auto finish = [&] {
      const std::string word = FirstWord(Trim(member));
      if (!word.empty()) group->MemberNames.push_back(word);
      member.clear();
    };
    Description d;
    std::size_t from = p + 12;
    for (std::size_t line = cur_; line < lines_.size(); ++line, from = 0) {
      cur_ = line;
      std::string_view code = lines_[line].Code;
      if (lines_[line].CodeBlank && members != InList) {
        CollectDescription(d, code, line, from);
        continue;
      }
      std::size_t at = from;
      if (members == None) {
        const std::size_t k = FindWord(code, "OBJECTS", from, true);
        if (k != npos) {
          members = WaitBrace;
          at = k + 7;
        }
      }
      for (std::size_t i = at; i < code.size() && (members == WaitBrace || members == InList);
           ++i) {
        const char c = code[i];
        if (members == WaitBrace) {
          if (c == '{')
            members = InList;
          else if (!IsBlank(c))
            members = Over;
        } else if (c == ',') {
          finish();
        } else if (c == '}') {
          finish();
          members = Over;
        } else {
          member += c;
        }
      }
      if (members == InList) member += ' ';
      CollectDescription(d, code, line, from);
      if (const std::size_t k = code.find("::=", from); k != npos) {
        OidValue oid;
        if (ParseValue(line, k + 3, name, &oid)) {
          group->Oid = oid;
          group->HasOid = true;
          mib_.SetOid(name, oid, "OBJECT-GROUP");
        }
        break;
      }
    }
    group->Description = d.Text;
    mib_.groups_.push_back(std::move(group));
    return true;
  }

  // Type ::= SEQUENCE { column Type, ... }, the type name on this line or the one before.
  void ReadSequence(std::size_t seqAt) {
    std::string_view first = lines_[cur_].Code;
    std::string name;
    const std::size_t assign = first.find("::=");
    if (assign != npos && assign < seqAt) {
      name = Trim(std::string_view(first).substr(0, assign));
    } else if (AllBlank(std::string_view(first).substr(0, seqAt))) {
      const std::string prev = Prev(cur_);
      const std::size_t a = prev.find("::=");
      if (a != npos && AllBlank(std::string_view(prev).substr(a + 3)))
        name = Trim(std::string_view(prev).substr(0, a));
    }
    if (name.empty()) return;

    auto seq = std::make_unique<TSNMPSequence>();
    seq->Name = name;
    seq->Module = module_;
    seq->File = file_;
    std::string entry;
    auto finish = [&] {
      const std::string word = FirstWord(Trim(entry));
      if (!word.empty()) seq->ColumnNames.push_back(word);
      entry.clear();
    };
    int depth = 1;
    std::size_t col = first.find('{', seqAt) + 1;
    std::size_t line = cur_;
    for (; line < lines_.size() && depth > 0; ++line, col = 0) {
      std::string_view code = lines_[line].Code;
      for (std::size_t i = col; i < code.size() && depth > 0; ++i) {
        const char c = code[i];
        if (c == '{' || c == '(') {
          ++depth;
          entry += c;
        } else if (c == '}' || c == ')') {
          if (--depth == 0)
            finish();
          else
            entry += c;
        } else if (c == ',' && depth == 1) {
          finish();
        } else {
          entry += c;
        }
      }
      entry += ' ';
      cur_ = line;
    }
    for (TSNMPObject* e : mib_.entries_)
      if (!e->Sequence && e->File == file_ && EqualsCI(e->Syntax, seq->Name))
        e->Sequence = seq.get();
    mib_.sequences_.push_back(std::move(seq));
  }

  TMib& mib_;
  std::string file_;
  const std::vector<MibLine>& lines_;
  int depth_;
  std::size_t cur_ = 0;
  TSNMPObjList* module_ = nullptr;
  // Upper-case row type -> its table, for the tables of this file.
  std::unordered_map<std::string, TSNMPObject*> rowTypes_;
};

void ReadMibFile(TMib& mib, std::string file, const MibText& text, int depth) {
  MibFileReader reader(mib, std::move(file), text, depth);
  reader.Run();
}

}  // namespace vilk

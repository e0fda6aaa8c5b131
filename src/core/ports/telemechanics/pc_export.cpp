#include "ports/telemechanics/pc_export.h"

#include <cstdio>

#include "base/files.h"
#include "base/format.h"
#include "base/ini.h"
#include "base/messages.h"
#include "base/text.h"
#include "controller/controller.h"
#include "controller/port_ip.h"
#include "controller/proc.h"
#include "model/configuration.h"
#include "ports/telemechanics/pc.h"
#include "signals/params.h"

namespace vilk {

namespace {

const char kRoot[] = "WS_IEC_870_5_104";

std::string Escape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

struct KindGroup {
  int Kind;
  const char* Name;
  const char* Type;
};
// Kinds in the order of the XML groups.
const KindGroup kXmlGroups[] = {{kKindTS, "ТС", "TS"},   {kKindMTS, "МТС", "TS32"},
                                {kKindTU, "ТУ", "TU2"},  {kKindTI, "ТИ", "TI"},
                                {kKindTII, "ТИИ", "TI"}, {kKindTR, "ТР", "TR"}};

class XmlWriter {
 public:
  XmlWriter(const TPC& pc, std::vector<std::string>* warnings) : pc_(pc), warnings_(warnings) {
    const TProc* proc = pc.Config().Controller().Proc();
    address_ = proc ? proc->Address : 1;
    place_ = proc ? proc->Place : std::string();
  }

  std::string Write() {
    Line(0, "<?xml version=\"1.0\" encoding=\"windows-1251\"?> ");
    Line(0, Format("<%s name=\"%s\"  ASDUaddr=\"%d\" >", kRoot, Escape(place_), address_));
    const TPortIP* ip = pc_.Config().Controller().PortIP();
    const std::uint32_t remote = ip ? ip->Net1Ip : 0;
    Line(4, Format("<BaseChannel   LocalIP=\"0.0.0.0\"  RemoteIP=\"%d.%d.%d.%d\" Port=\"%d\" "
                   "t1=\"%d\" t2=\"%d\" "
                   "t3=\"%d\" k=\"%d\" w=\"%d\" />  ",
                   remote >> 24, (remote >> 16) & 255, (remote >> 8) & 255, remote & 255, 2404,
                   pc_.T1 / 1000, pc_.T2 / 1000, pc_.T3 / 1000, pc_.K, pc_.W));
    for (const KindGroup& g : kXmlGroups) Signals(g);
    Line(4, Format("<Group name=\"файлы\" type=\"file\" ASDUaddr=\"%d\"  Baseaddr=\"%d\" >",
                   address_, 57344));
    static const char* const kFiles[][2] = {
        {"конфигурация", "Tamor.cfg"},          {"прошивка", "Tamor.bin"},
        {"список ключей доступа", "Tamor.key"}, {"журнал всех событий", "EventFull.dat"},
        {"журнал 100 событий", "Event100.dat"}, {"журнал всех тревог", "AlarmFull.dat"},
        {"журнал 100 тревог", "Alarm100.dat"}};
    for (int i = 0; i < 7; ++i)
      Line(8, Format("<Item name=\"%s\" address=\"%d\" fileID=\"%d\" filename=\"%s\" />",
                     kFiles[i][0], i + 1, 0, kFiles[i][1]));
    Line(4, "</Group>");
    AlarmLogs();
    Line(0, Format("</%s>", kRoot));
    return out_;
  }

 private:
  void Line(int indent, const std::string& text) {
    out_.append(static_cast<std::size_t>(indent), ' ');
    out_ += text;
    out_ += "\r\n";
  }

  std::string NameAt(std::size_t pos) const {
    const TParam* s = list_->At(static_cast<int>(pos));
    return s ? s->Name() : std::string();
  }

  void Signals(const KindGroup& g) {
    list_ = pc_.List(g.Kind);
    if (!list_ || list_->Count() == 0) return;
    group_ = &g;
    base_ = pc_.Base(g.Kind);
    Line(4, GroupLine(g.Name));
    pos_ = 0;
    addr_ = 0;
    const std::size_t count = static_cast<std::size_t>(list_->Count());
    while (pos_ < count) {
      const std::string name = NameAt(pos_);
      if (name.empty()) {
        ++pos_;
        ++addr_;
        continue;
      }
      NameStep("", name, 8);
    }
    Line(4, "</Group>");
  }

  std::string GroupLine(const std::string& name) const {
    return Format("<Group name=\"%s\" type=\"%s\" ASDUaddr=\"%d\"  Baseaddr=\"%d\" >", Escape(name),
                  group_->Type, address_, base_);
  }

  // Signals whose names share leading parts nest in groups named after those parts.
  void NameStep(const std::string& path, const std::string& rest, int indent) {
    const std::size_t dot = rest.find('.');
    if (dot == std::string::npos) {
      Line(indent, Format("<Item name=\"%s\" address=\"%d\" />", Escape(rest), addr_));
      ++addr_;
      ++pos_;
      return;
    }
    const std::string first = rest.substr(0, dot);
    const std::string newPath = path.empty() ? first : path + "." + first;
    Line(indent, GroupLine(first));
    NameStep(newPath, rest.substr(dot + 1), indent + 4);
    const std::string lead = newPath + ".";
    const std::size_t count = static_cast<std::size_t>(list_->Count());
    while (pos_ < count) {
      const std::string name = NameAt(pos_);
      if (name.compare(0, lead.size(), lead) != 0) break;
      NameStep(newPath, name.substr(lead.size()), indent + 4);
    }
    Line(indent, "</Group>");
  }

  // "12_x" -> 12; nothing when the word does not start with a decimal number.
  static std::optional<int> LeadingNumber(const std::string& word) {
    const std::string cut = word.substr(0, word.find('_'));
    if (cut.empty() || cut.size() > 9 || cut.find_first_not_of("0123456789") != std::string::npos)
      return std::nullopt;
    return std::stoi(cut);
  }

  void AlarmLogs() {
    static const std::string kPhrase = "Журнал Аварий";
    const TParams* mts = pc_.List(kKindMTS);
    if (!mts) return;
    std::vector<std::pair<std::string, long long>> logs;  // 9-digit port numbers overflow int
    for (const TParam* s : mts->Items) {
      if (!s) continue;
      const std::string& name = s->Name();
      const std::size_t at = name.find(kPhrase);
      if (at == std::string::npos) continue;
      const std::size_t dot1 = name.find('.');
      const std::string w1 = name.substr(0, dot1);
      const std::string w2 = dot1 == std::string::npos
                                 ? std::string()
                                 : name.substr(dot1 + 1, name.find('.', dot1 + 1) - dot1 - 1);
      const auto a = LeadingNumber(w1), b = LeadingNumber(w2);
      if (!a || !b) {
        if (warnings_)
          warnings_->push_back("Журнал аварий не выгружен: имя \"" + name +
                               "\" не начинается с номеров порта и устройства.");
        continue;
      }
      // The log's name is what precedes the phrase, without the one character before it.
      std::string logName = name.substr(0, at);
      if (!logName.empty()) logName = Slice(logName, 0, CharCount(logName) - 1);
      logs.emplace_back(logName, static_cast<long long>(*a) * 256 + *b);
    }
    if (logs.empty()) return;
    Line(4, Format("<Group name=\"журналы аварий\" type=\"log\" ASDUaddr=\"%d\"  Baseaddr=\"0\" >",
                   address_));
    for (const auto& [name, number] : logs) {
      Line(8, Format("<Group name=\"%s\" type=\"log\" ASDUaddr=\"%d\"  Baseaddr=\"%d\" >",
                     Escape(name), address_, number));
      Line(8, "</Group>");
    }
    Line(4, "</Group>");
  }

  const TPC& pc_;
  std::vector<std::string>* warnings_;
  int address_ = 1;
  std::string place_;
  std::string out_;
  const TParams* list_ = nullptr;
  const KindGroup* group_ = nullptr;
  int base_ = 0;
  std::size_t pos_ = 0;
  int addr_ = 0;
};

// INI: kinds in this order, sections "<kind>.<words but the last>".
const std::pair<int, const char*> kIniKinds[] = {{kKindTS, "TS."},   {kKindMTS, "MTS."},
                                                 {kKindTU, "TU."},   {kKindTI, "TI."},
                                                 {kKindTII, "TII."}, {kKindTR, "TR."}};

bool WriteExport(const std::string& utf8, const std::string& path, IMessages& messages) {
  const std::string bytes = Utf8ToCp1251(utf8);
  std::string error;
  if (!WriteFileAtomic(path, bytes.data(), bytes.size(), &error)) {
    messages.Error("Ошибка записи файла " + path);
    return false;
  }
  return true;
}

}  // namespace

std::string PcXml(const TPC& pc, std::vector<std::string>* warnings) {
  return XmlWriter(pc, warnings).Write();
}

std::string PcIni(const TPC& pc) {
  IniDocument ini;
  for (const auto& [kind, text] : kIniKinds) {
    const TParams* list = pc.List(kind);
    if (!list) continue;
    const int base = SignalKindOf(kind)->BaseNumber;
    for (int i = 0; i < list->Count(); ++i) {
      const TParam* s = list->At(i);
      std::vector<std::string> words;
      std::string word;
      const std::string name = s ? s->Name() : std::string();
      for (char c : name + ".") {
        if (c == '.') {
          if (!word.empty()) words.push_back(word);
          word.clear();
        } else {
          word += c;
        }
      }
      std::string section = text;
      for (std::size_t w = 0; w + 1 < words.size(); ++w) section += (w ? "." : "") + words[w];
      ini.WriteString(section, Format("%d", base + i),
                      words.empty() ? std::string() : words.back());
    }
  }
  return Cp1251ToUtf8(ini.ToBytes());
}

bool ExportPcXml(const TPC& pc, const std::string& path, IMessages& messages) {
  std::vector<std::string> warnings;
  const std::string xml = PcXml(pc, &warnings);
  for (const std::string& w : warnings) messages.Error(w);
  return WriteExport(xml, path, messages);
}

bool ExportPcIni(const TPC& pc, const std::string& path, IMessages& messages) {
  // The target is replaced as a whole, never merged with what was there.
  return WriteExport(PcIni(pc), path, messages);
}

}  // namespace vilk

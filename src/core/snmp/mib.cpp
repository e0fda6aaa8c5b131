#include "snmp/mib.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <filesystem>
#include <unordered_set>

#include "base/files.h"
#include "base/format.h"
#include "base/text.h"
#include "snmp/mib_scan.h"

namespace vilk {

using namespace mib_scan;

namespace {
constexpr std::size_t kMaxFileBytes = 16u << 20;
}  // namespace

TMib::TMib() {
  Clear();
}
TMib::~TMib() = default;

void TMib::Clear() {
  folder_.clear();
  oids_.clear();
  oidIndex_.clear();
  loaded_.clear();
  modules_.clear();
  noModule_ = TSNMPObjList{};
  entries_.clear();
  sequences_.clear();
  groups_.clear();
  objects_.clear();
  info_.clear();
  errors_.clear();
  OidValue iso;
  iso.Append(1);
  SetOid("iso", iso, "OID");
}

void TMib::Report(const std::string& text) {
  info_.push_back(text);
  if (OnInfo) OnInfo(text);
}

void TMib::ReportError(const std::string& text) {
  errors_.push_back(text);
  if (OnError) OnError(text);
}

const TOIDEntry* TMib::FindOid(const std::string& name) const {
  auto it = oidIndex_.find(name);
  return it == oidIndex_.end() ? nullptr : &oids_[it->second];
}

void TMib::SetOid(const std::string& name, const OidValue& oid, const char* category) {
  auto [it, added] = oidIndex_.try_emplace(name, oids_.size());
  if (added)
    oids_.push_back({name, oid, category});
  else
    oids_[it->second] = {name, oid, category};
}

bool TMib::IsLoaded(const std::string& module) const {
  return std::any_of(loaded_.begin(), loaded_.end(),
                     [&](const std::string& m) { return EqualsCI(m, module); });
}

void TMib::MarkLoaded(const std::string& module) {
  if (!IsLoaded(module)) loaded_.push_back(module);
}

bool TMib::FindModuleFile(const std::string& name, std::string* path) const {
  namespace fs = std::filesystem;
  const std::string part = FileNamePart(name);
  if (part.empty() || part == "." || part == "..") return false;
  // Beside the file first, then in the MIB folder; module files often carry an extension.
  for (const std::string* folder : {&folder_, &MibFolder}) {
    if (folder == &MibFolder && MibFolder.empty()) continue;
    for (const char* ext : {"", ".MIB", ".mib", ".txt"}) {
      const fs::path candidate =
          folder->empty() ? fs::path(part + ext) : fs::path(*folder) / (part + ext);
      std::error_code ec;
      if (fs::is_regular_file(candidate, ec)) {
        *path = candidate.string();
        return true;
      }
    }
  }
  return false;
}

bool TMib::ReadModule(const std::string& name, int depth) {
  std::string path;
  if (!FindModuleFile(name, &path)) {
    ReportError("----- ошибка: " + name + " файл не найден ");
    return false;
  }
  Report(path);
  std::vector<std::uint8_t> bytes;
  switch (const ReadResult r = ReadFileLimited(path, kMaxFileBytes, bytes)) {
    case ReadResult::Ok:
      break;
    case ReadResult::TooLarge:
      ReportError("----- ошибка: " + name + " файл слишком велик");
      return false;
    case ReadResult::NotFound:
      ReportError("----- ошибка: " + name + " файл не найден ");
      return false;
    default:
      ReportError("----- ошибка: " + DescribeReadFailure(r, path));
      return false;
  }
  ReadText(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
           depth);
  return true;
}

void TMib::ReadText(const std::string& name, std::string_view raw, int depth) {
  if (raw.substr(0, 3) == "\xEF\xBB\xBF") raw.remove_prefix(3);
  const std::string converted = IsValidUtf8(raw) ? std::string() : Cp1251ToUtf8(raw);
  const MibText lines(converted.empty() ? raw : std::string_view(converted));
  ReadMibFile(*this, name, lines, depth);
}

void TMib::LoadMibText(const std::string& name, std::string_view text, const std::string& folder) {
  Clear();
  folder_ = folder;
  MarkLoaded(name);
  ReadText(name, text, 0);
  Bind();
}

bool TMib::LoadMib(const std::string& path) {
  Clear();
  const std::string name = FileNamePart(path);
  folder_ = path.substr(0, path.size() - name.size());
  if (!folder_.empty() && folder_.size() > 1) folder_.pop_back();
  MarkLoaded(name);
  const std::size_t dot = name.rfind('.');
  if (dot != npos && dot > 0) MarkLoaded(name.substr(0, dot));
  const bool ok = ReadModule(name, 0);
  Bind();
  return ok;
}

// Columns and group members move out of the module lists into their sequence or group:
// sequences first, so a column named by a group stays with its table.
void TMib::Bind() {
  std::unordered_set<const TSNMPObject*> taken;
  struct Index {
    std::unordered_map<std::string, std::deque<TSNMPObject*>> byName;
  };
  std::unordered_map<const TSNMPObjList*, Index> indexes;
  auto take = [&](TSNMPObjList* list, const std::string& name) -> TSNMPObject* {
    auto [it, added] = indexes.try_emplace(list);
    if (added)
      for (TSNMPObject* o : list->Objects) it->second.byName[o->Name].push_back(o);
    auto found = it->second.byName.find(name);
    if (found == it->second.byName.end() || found->second.empty()) return nullptr;
    TSNMPObject* o = found->second.front();
    found->second.pop_front();
    taken.insert(o);
    return o;
  };
  auto bind = [&](TSNMPObjList* list, const std::vector<std::string>& names,
                  std::vector<TSNMPObject*>& out) {
    std::deque<TSNMPObject*> bound;
    for (std::size_t i = names.size(); i-- > 0;)
      if (TSNMPObject* o = take(list ? list : &noModule_, names[i])) bound.push_front(o);
    out.assign(bound.begin(), bound.end());
  };
  for (auto& seq : sequences_) bind(seq->Module, seq->ColumnNames, seq->Columns);
  for (auto& group : groups_) bind(group->Module, group->MemberNames, group->Members);
  if (taken.empty()) return;
  auto sweep = [&](TSNMPObjList& list) {
    std::erase_if(list.Objects, [&](const TSNMPObject* o) { return taken.count(o) > 0; });
  };
  for (auto& m : modules_) sweep(*m);
  sweep(noModule_);
}

}  // namespace vilk

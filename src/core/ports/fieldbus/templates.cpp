#include "ports/fieldbus/templates.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <utility>

#include "base/files.h"
#include "base/text.h"

namespace vilk {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kDevicesSection = "Устройства";

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool HasIniExtension(const fs::path& p) {
  // Windows matches "*.ini" without regard to case.
  return FoldCase(p.extension().string()) == ".ini";
}

// Reads one template file; an empty optional and the reason when it is not taken.
std::optional<IniDocument> ReadTemplateFile(const fs::path& path, std::string& why) {
  std::error_code ec;
  // A FIFO or device named *.ini would block or never end: only plain files are opened.
  if (!fs::is_regular_file(path, ec)) {
    why = "это не файл";
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes;
  const ReadResult r = ReadFileLimited(path.string(), TemplateLibrary::kMaxFileSize, bytes);
  if (r == ReadResult::Ok) {
    IniDocument doc;
    doc.Parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return doc;
  }
  why = r == ReadResult::TooLarge ? "файл больше 1 МБ" : DescribeReadFailure(r, path.string());
  return std::nullopt;
}

// The name checks of saving. Empty text when the name is acceptable.
std::string NameFault(const std::string& name) {
  if (name.empty()) return "Не задано имя устройства.";
  // The name becomes a file name and an INI key: nothing a file system or the key syntax
  // would take differently.
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 ||
        std::string_view("\\/:*?\"<>|=[]").find(c) != std::string_view::npos) {
      return "Имя устройства \"" + name +
             "\" недопустимо: в нём не может быть символов \\ / : * ? \" < > | = [ ] и "
             "управляющих символов.";
    }
  }
  if (name[0] == ';') return "Имя устройства \"" + name + "\" не может начинаться с \";\".";
  if (Cp1251ToUtf8(Utf8ToCp1251(name)) != name) {
    return "Имя устройства \"" + name +
           "\" содержит символы, которых нет в кодировке Windows-1251.";
  }
  return {};
}

std::string SeveralDevicesText(const std::string& file) {
  return "Файл  " + file +
         "  содержит описание нескольких устройств. В записи отказано. Задайте другое имя.";
}

}  // namespace

std::string TemplateLibrary::Folder() const {
  return (fs::path(home_) / subfolder_).string();
}

std::string TemplateLibrary::PathOf(const std::string& fileName) const {
  return (fs::path(Folder()) / fileName).string();
}

void TemplateLibrary::Reset() {
  home_.clear();
  loaded_ = false;
  folderFound_ = false;
  loadedCleanly_ = false;
  files_.clear();
  devices_.clear();
  currentFile_.clear();
}

bool TemplateLibrary::Load(const std::string& home, IMessages& messages) {
  if (loaded_) return loadedCleanly_;
  Reset();
  home_ = home;
  loaded_ = true;

  const fs::path folder = Folder();
  std::error_code ec;
  if (!fs::exists(folder, ec)) return false;  // no library here: every type is default
  std::vector<fs::path> names;
  fs::directory_iterator it(folder, ec);
  if (ec) {
    messages.Error("Не удалось прочитать папку шаблонов " + folder.string() + ": " + ec.message());
    return false;
  }
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (HasIniExtension(it->path())) names.push_back(it->path().filename());
  }
  if (ec) {
    messages.Error("Не удалось прочитать папку шаблонов " + folder.string() + ": " + ec.message());
    return false;
  }
  folderFound_ = true;
  // Directory order differs between systems; name order makes the first of two files that
  // list the same type the same everywhere.
  std::sort(names.begin(), names.end());

  bool clean = true;
  for (const fs::path& name : names) {
    std::string why;
    std::optional<IniDocument> doc = ReadTemplateFile(folder / name, why);
    const std::string fileName = name.string();
    if (!doc) {
      messages.Error("Шаблон " + (folder / name).string() + " не прочитан: " + why + ".");
      clean = false;
      continue;
    }
    for (const std::string& type : doc->SectionKeys(kDevicesSection)) {
      const auto [at, added] = devices_.try_emplace(FoldCase(type), Device{type, fileName});
      if (!added) {
        messages.Error("Устройство " + type + " описано в файлах " + at->second.File + " и " +
                       fileName + "; взято описание из " + at->second.File + ".");
      }
    }
    files_.emplace(fileName, std::move(*doc));
  }
  loadedCleanly_ = clean;
  return clean;
}

const IniDocument* TemplateLibrary::Find(const std::string& typeName) {
  const auto it = devices_.find(FoldCase(typeName));
  if (it == devices_.end()) return nullptr;
  currentFile_ = it->second.File;
  return &files_.at(currentFile_);
}

std::string TemplateLibrary::FileOf(const std::string& typeName) const {
  const auto it = devices_.find(FoldCase(typeName));
  return it == devices_.end() ? std::string() : it->second.File;
}

std::vector<std::string> TemplateLibrary::DeviceNames() const {
  std::vector<std::pair<std::string, std::string>> keyed;
  keyed.reserve(devices_.size());
  for (const auto& [folded, device] : devices_) keyed.emplace_back(folded, device.Name);
  std::sort(keyed.begin(), keyed.end());
  std::vector<std::string> names;
  names.reserve(keyed.size());
  for (auto& [folded, name] : keyed) names.push_back(std::move(name));
  return names;
}

const IniDocument& TemplateLibrary::Current() const {
  static const IniDocument kEmpty;
  const IniDocument* doc = File(currentFile_);
  return doc ? *doc : kEmpty;
}

const IniDocument* TemplateLibrary::File(const std::string& fileName) const {
  const auto it = files_.find(fileName);
  return it == files_.end() ? nullptr : &it->second;
}

std::vector<std::string> TemplateLibrary::FileNames() const {
  std::vector<std::string> names;
  names.reserve(files_.size());
  for (const auto& [name, doc] : files_) names.push_back(name);
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<TemplateLibrary::SaveTarget> TemplateLibrary::PrepareSave(
    const std::string& name, const std::string& existsQuestion, IMessages& messages) const {
  SaveTarget target;
  // Cut first, so that the name looked up is the one that will be stored.
  target.Name = std::string(TrimSpaces(Truncate(TrimSpaces(name), kMaxNameChars)));
  if (const std::string fault = NameFault(target.Name); !fault.empty()) {
    messages.Error(fault);
    return std::nullopt;
  }

  if (const auto it = devices_.find(FoldCase(target.Name)); it != devices_.end()) {
    target.FileName = it->second.File;
    const IniDocument& doc = files_.at(target.FileName);
    target.Replaced = doc.SectionKeys(kDevicesSection);
    if (target.Replaced.size() > 1) {
      messages.Error(SeveralDevicesText(target.FileName));
      return std::nullopt;
    }
    if (messages.Question(existsQuestion, false) != Answer::Yes) return std::nullopt;
    target.Doc = doc;
    return target;
  }

  // A new type gets a file of its own name; one that is there already (listing another
  // type, or not part of the library) is replaced only when that loses no other device.
  target.FileName = target.Name + ".ini";
  const IniDocument* held = File(target.FileName);
  std::optional<IniDocument> onDisk;
  std::error_code ec;
  if (!held && fs::exists(fs::symlink_status(PathOf(target.FileName), ec))) {
    std::string why;
    onDisk = ReadTemplateFile(PathOf(target.FileName), why);
    if (!onDisk) {
      messages.Error("Файл  " + target.FileName + "  уже существует и не читается (" + why +
                     "). В записи отказано. Задайте другое имя.");
      return std::nullopt;
    }
    held = &*onDisk;
  }
  if (held) {
    target.Replaced = held->SectionKeys(kDevicesSection);
    if (target.Replaced.size() > 1) {
      messages.Error(SeveralDevicesText(target.FileName));
      return std::nullopt;
    }
    const std::string question =
        target.Replaced.empty() ? existsQuestion
                                : "Файл  " + target.FileName + "  содержит описание устройства " +
                                      target.Replaced[0] + ".\rПереписать настройку?";
    if (messages.Question(question, false) != Answer::Yes) return std::nullopt;
  }
  target.Doc = Current();
  return target;
}

bool TemplateLibrary::CommitSave(SaveTarget target, IMessages& messages) {
  const std::string path = PathOf(target.FileName);
  std::string error;
  if (!target.Doc.SaveFile(path, &error)) {
    messages.Error("Ошибка записи файла " + path + ": " + error);
    return false;
  }
  for (const std::string& type : target.Replaced) {
    const auto it = devices_.find(FoldCase(type));
    if (it != devices_.end() && it->second.File == target.FileName) devices_.erase(it);
  }
  devices_[FoldCase(target.Name)] = Device{target.Name, target.FileName};
  files_[target.FileName] = std::move(target.Doc);
  currentFile_ = target.FileName;
  return true;
}

bool TemplateLibrary::DeleteTemplate(const std::string& typeName, IMessages& messages) {
  const auto it = devices_.find(FoldCase(typeName));
  if (it == devices_.end()) {
    messages.Error("Устройства " + typeName + " нет в библиотеке шаблонов.");
    return false;
  }
  const std::string fileName = it->second.File;
  currentFile_ = fileName;
  if (messages.Question("Удалить устройство " + typeName + " из списка ?", false) != Answer::Yes)
    return false;

  const std::string path = PathOf(fileName);
  const IniDocument& doc = files_.at(fileName);
  if (doc.SectionKeys(kDevicesSection).size() <= 1) {
    std::error_code ec;
    fs::remove(path, ec);  // a file already gone agrees with the library as well
    if (ec) {
      messages.Error("Не удалось удалить файл " + path + ": " + ec.message());
      return false;
    }
    files_.erase(fileName);
    currentFile_.clear();
  } else {
    IniDocument rewritten = doc;
    rewritten.DeleteKey(kDevicesSection, it->second.Name);
    std::string error;
    if (!rewritten.SaveFile(path, &error)) {
      messages.Error("Ошибка записи файла " + path + ": " + error);
      return false;
    }
    files_[fileName] = std::move(rewritten);
  }
  devices_.erase(it);
  return true;
}

std::vector<std::string> Iec103TableEntries(const IniDocument& tpl, std::string_view section,
                                            std::string_view prefix) {
  const std::string folded = FoldCase(prefix);
  std::vector<std::string> entries;
  for (auto& [key, value] : tpl.SectionValues(section)) {
    if (!value.empty() && FoldCase(key).starts_with(folded)) entries.push_back(std::move(value));
  }
  return entries;
}

namespace {

std::string& HomeSetting() {
  static std::string home;
  return home;
}

}  // namespace

TemplateLibrary& ModbusTemplates() {
  static TemplateLibrary library("MODBUS");
  return library;
}

TemplateLibrary& Iec103Templates() {
  static TemplateLibrary library("IEC_103");
  return library;
}

void SetTemplateHome(const std::string& home) {
  if (HomeSetting() == home) return;
  HomeSetting() = home;
  ModbusTemplates().Reset();
  Iec103Templates().Reset();
}

const std::string& TemplateHome() {
  return HomeSetting();
}

}  // namespace vilk

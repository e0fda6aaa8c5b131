#pragma once
// Device template libraries: the INI files (code page 1251) of "MODBUS/" and "IEC_103/" in
// the home folder. Each file lists device type names in its section "Устройства" and
// describes their polling tables and signal names. A library is read once, when the first
// port of its kind is made, and held in memory; only saving and deleting a template write.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/ini.h"
#include "base/messages.h"

namespace vilk {

class TemplateLibrary {
 public:
  // Largest template file read; real ones are a few kilobytes.
  static constexpr std::size_t kMaxFileSize = 1u << 20;
  // Longest device type name (the device's type field).
  static constexpr std::size_t kMaxNameChars = 64;

  explicit TemplateLibrary(std::string subfolder) : subfolder_(std::move(subfolder)) {}

  // Reads every "*.ini" of <home>/<subfolder> (in name order) unless already loaded.
  // Files that cannot be read (not a plain file, too large, unreadable) are reported and
  // passed over; a device type listed by two files is taken from the first one. Returns
  // false when the folder could not be listed or a file was passed over. A missing folder
  // is an empty library and is not reported (see FolderFound).
  bool Load(const std::string& home, IMessages& messages);
  bool Loaded() const { return loaded_; }
  // Whether the last Load found and listed the folder.
  bool FolderFound() const { return folderFound_; }
  // Forgets everything (tests, a new home folder).
  void Reset();
  std::string Folder() const;
  const std::string& Subfolder() const { return subfolder_; }

  // The template of a device type (nullptr: none); it becomes the current template.
  // Type names match without regard to letter case, as INI keys do.
  const IniDocument* Find(const std::string& typeName);
  // The file (name only) that describes a device type, empty when none does.
  std::string FileOf(const std::string& typeName) const;
  // Every device type, sorted (letter case folded first).
  std::vector<std::string> DeviceNames() const;
  // The template looked up last (a new template file starts as a copy of it); an empty
  // document when none was looked up or its file was deleted since.
  const IniDocument& Current() const;
  const std::string& CurrentFile() const { return currentFile_; }
  // A file of the library by its name, nullptr when the library holds none of that name.
  const IniDocument* File(const std::string& fileName) const;
  std::vector<std::string> FileNames() const;  // sorted

  // --- saving and deleting, shared by the Modbus and IEC-103 template writers ---

  // Where a template is about to be written: the file, its new content (to be filled by
  // the writer) and the device types the file described before.
  struct SaveTarget {
    std::string Name;  // the checked type name (trimmed, at most 64 characters)
    std::string FileName;
    IniDocument Doc;
    std::vector<std::string> Replaced;
  };
  // Checks the name and asks what must be asked before writing it: `existsQuestion`
  // when the type is in the library already. A file that describes several devices is
  // never chosen. The document starts as the type's file, or for a new type as a copy of
  // the current template. nullopt: refused (the reason shown) or not confirmed.
  std::optional<SaveTarget> PrepareSave(const std::string& name, const std::string& existsQuestion,
                                        IMessages& messages) const;
  // Writes the prepared file; only when that succeeded does the library take it (the type
  // then names it and it becomes the current template). False with a message otherwise.
  bool CommitSave(SaveTarget target, IMessages& messages);
  // "Удалить": asks, then drops the type (its file deleted when it was the only one the
  // file described, else rewritten without it). False when refused, not confirmed or not
  // written; the library is then unchanged.
  bool DeleteTemplate(const std::string& typeName, IMessages& messages);

 private:
  struct Device {
    std::string Name;  // as spelled in the file
    std::string File;
  };
  std::string PathOf(const std::string& fileName) const;

  std::string subfolder_;
  std::string home_;
  bool loaded_ = false;
  bool folderFound_ = false;
  bool loadedCleanly_ = false;
  std::unordered_map<std::string, IniDocument> files_;  // file name -> its text
  std::unordered_map<std::string, Device> devices_;     // folded type name -> device
  std::string currentFile_;
};

// The entries of an IEC-103 template table: the values of the lines of `section` whose
// key begins with `prefix` ("ТС", "ТИ", "ТУ"; letter case ignored) and whose value is not
// empty, in file order.
std::vector<std::string> Iec103TableEntries(const IniDocument& tpl, std::string_view section,
                                            std::string_view prefix);

// The two libraries of the program; the home folder is set once at start (or by tests).
TemplateLibrary& ModbusTemplates();
TemplateLibrary& Iec103Templates();
// A different home folder makes both libraries load again when next asked.
void SetTemplateHome(const std::string& home);
const std::string& TemplateHome();

}  // namespace vilk

#pragma once
// The MIB reader: a line-oriented keyword scanner over SMI module text (the SMIv1 and SMIv2
// macros), with the import of further modules from beside the file or from the MIB
// folder. It finds names and object identifiers, the syntax, access and description of
// OBJECT-TYPEs, tables with their rows and columns, and OBJECT-GROUPs; nothing more of
// ASN.1. Quoted text and comments never count as definitions.
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "snmp/asn1.h"

namespace vilk {

struct TSNMPObjList;
struct TSNMPSequence;

struct TSNMPObject {
  std::string Name;
  std::string Syntax;  // for a table: its row type
  std::string Access;  // lower case
  std::string Description;
  TSNMPObjList* Module = nullptr;
  TSNMPObject* Entry = nullptr;       // a table's row object
  int Rows = 0;                       // a table's rows offered in the tree
  TSNMPSequence* Sequence = nullptr;  // a row object's columns
  OidValue Oid;
  bool HasOid = false;  // false when its value was refused
  bool Accessible = false;
  bool Numeric = false;
  bool Table = false;
  bool EntryFlag = false;
  std::string File;  // module file it was read from, and the line of its keyword
  int Line = 0;

  // What the tree offers: a readable numeric scalar, or a table.
  bool Selectable() const { return HasOid && ((Accessible && Numeric && !EntryFlag) || Table); }
};

// One module's selectable objects (one per MODULE-IDENTITY), or those of files without one.
struct TSNMPObjList {
  std::string Name;      // the module file name it is registered under
  std::string Identity;  // the MODULE-IDENTITY name
  std::vector<TSNMPObject*> Objects;
};

struct TSNMPSequence {
  std::string Name;
  TSNMPObjList* Module = nullptr;
  std::string File;
  std::vector<std::string> ColumnNames;
  std::vector<TSNMPObject*> Columns;  // bound after the load
};

struct TSNMPGroup {
  std::string Name;
  std::string Description;
  TSNMPObjList* Module = nullptr;
  OidValue Oid;
  bool HasOid = false;
  std::vector<std::string> MemberNames;
  std::vector<TSNMPObject*> Members;  // bound after the load
};

// A name that received an identifier, with what defined it: "OID" for a plain
// assignment, "OBJECT-TYPE", "OBJECT TABLE", "TABLE ENTRY", "OBJECT-GROUP", or the macro
// (MODULE-IDENTITY, NOTIFICATION-TYPE, ...).
struct TOIDEntry {
  std::string Name;
  OidValue Oid;
  std::string Category;
};

class TMib {
 public:
  TMib();
  TMib(const TMib&) = delete;
  TMib& operator=(const TMib&) = delete;
  ~TMib();

  // Imports not found beside the file are looked up here ("MIBs" in the home folder).
  std::string MibFolder;
  // Each module file read and each "Модуль: " line; each error text.
  std::function<void(const std::string&)> OnInfo;
  std::function<void(const std::string&)> OnError;

  // Clears the tables, reads the file with its imports, binds sequences and groups.
  // False when the file itself could not be read (errors in it do not count).
  bool LoadMib(const std::string& path);
  // The same for module text already in memory, named `name`; imports are looked up in
  // `folder`, then in the MIB folder.
  void LoadMibText(const std::string& name, std::string_view text, const std::string& folder = {});
  void Clear();

  // --- the tables of the last load ---
  const std::vector<TOIDEntry>& Oids() const { return oids_; }  // in order of definition
  const TOIDEntry* FindOid(const std::string& name) const;
  const std::vector<std::unique_ptr<TSNMPObjList>>& Modules() const { return modules_; }
  TSNMPObjList& NoModule() { return noModule_; }
  const TSNMPObjList& NoModule() const { return noModule_; }
  const std::vector<std::unique_ptr<TSNMPObject>>& Objects() const { return objects_; }
  const std::vector<std::unique_ptr<TSNMPSequence>>& Sequences() const { return sequences_; }
  const std::vector<TSNMPObject*>& EntryObjects() const { return entries_; }
  const std::vector<std::unique_ptr<TSNMPGroup>>& Groups() const { return groups_; }
  const std::vector<std::string>& LoadedModules() const { return loaded_; }
  const std::vector<std::string>& Info() const { return info_; }
  const std::vector<std::string>& Errors() const { return errors_; }

 private:
  friend class MibFileReader;
  void Report(const std::string& text);
  void ReportError(const std::string& text);
  bool IsLoaded(const std::string& module) const;
  void MarkLoaded(const std::string& module);
  bool FindModuleFile(const std::string& name, std::string* path) const;
  // Finds and reads one module file; `depth` counts nested imports. False when the file
  // could not be read.
  bool ReadModule(const std::string& name, int depth);
  void ReadText(const std::string& name, std::string_view text, int depth);
  void SetOid(const std::string& name, const OidValue& oid, const char* category);
  void Bind();

  std::string folder_;
  std::vector<TOIDEntry> oids_;
  std::unordered_map<std::string, std::size_t> oidIndex_;
  std::vector<std::string> loaded_;
  std::vector<std::unique_ptr<TSNMPObjList>> modules_;
  TSNMPObjList noModule_;
  std::vector<std::unique_ptr<TSNMPObject>> objects_;
  std::vector<std::unique_ptr<TSNMPSequence>> sequences_;
  std::vector<TSNMPObject*> entries_;
  std::vector<std::unique_ptr<TSNMPGroup>> groups_;
  std::vector<std::string> info_;
  std::vector<std::string> errors_;
};

// MIB text split into lines as the reader sees them (exposed for tests): comments removed,
// tabs as blanks, quoted text blanked out of Code; Raw keeps the quoted text. The lines
// are views into the text (which must outlive the MibText) and into buffers of the
// MibText, which therefore is neither copied nor moved.
struct MibLine {
  struct Piece {
    std::size_t Begin;  // content of a quoted string within Raw, without the quotes
    std::size_t End;
    bool Opens;   // the opening quote is on this line
    bool Closes;  // the closing quote is on this line
  };
  std::string_view Raw;
  std::string_view Code;
  std::span<const Piece> Strings;
  bool Blank = true;      // nothing but blanks once the comment is gone
  bool CodeBlank = true;  // nothing but blanks and quoted text
};

class MibText {
 public:
  explicit MibText(std::string_view text);
  MibText(const MibText&) = delete;
  MibText& operator=(const MibText&) = delete;
  const std::vector<MibLine>& Lines() const { return lines_; }

 private:
  std::unique_ptr<char[]> copies_;  // the lines that could not stay views into the text
  std::string blanks_;              // Code of the lines inside a quoted text
  std::vector<MibLine::Piece> pieces_;
  std::vector<MibLine> lines_;
};

}  // namespace vilk

#include "cli.h"

#include <cstring>
#include <ostream>

#include "base/files.h"
#include "base/format.h"
#include "base/text.h"
#include "base/version.h"
#include "controller/controller.h"
#include "csv_commands.h"
#include "diff_command.h"
#include "export_commands.h"
#include "home.h"
#include "ladder_command.h"
#include "mib_command.h"
#include "model/image_ops.h"
#include "model/show.h"
#include "model/unknown.h"
#include "ports/fieldbus/templates.h"
#include "report_command.h"
#include "show_output.h"
#include "signals/storage.h"
#include "stream_messages.h"
#include "table_command.h"
#include "templates_command.h"
#include "validate_output.h"

namespace vilk::cli {

namespace {

const char kUsage[] =
    R"(vilkcfg - the ВИЛК configurator from the command line

Usage:
  vilkcfg new [--model 22|23|26] OUT.cfg   write the default configuration of a model
                                           (23 ВИЛК.A2, 22 ВИЛК.A1, 26 ВИЛК.A1-X; default 23)
  vilkcfg records FILE.cfg                 print the header rows and the block/record tree
  vilkcfg tree [--json] FILE.cfg           print the node captions in pre-order
  vilkcfg signals [--json] FILE.cfg        print the signal pool
  vilkcfg show [--json] FILE.cfg [PATH]    print every field of every item (or of the item
                                           at the caption path PATH and those below it)
  vilkcfg check [--json] FILE.cfg          load, run the save checks (their messages on
                                           stderr) and print the validation report: one
                                           line per problem, "ошибка" or "предупреждение",
                                           caption path and message, separated by tabs;
                                           exit 1 on an error, on a load message or on a
                                           block kept unread (listed), else 0
  vilkcfg diff A.cfg B.cfg                 items added (+), removed (-), moved (>) and
                                           changed (~, each field as "old -> new") from A
                                           to B by caption path; exit 0 equal, 1 differ,
                                           2 usage or a file that does not load
  vilkcfg report FILE.cfg OUT.html|OUT.pdf the commissioning report: the ports with their
                                           boards and devices, and every PC's point list
                                           (kind, address, name, owner, inversion, gain
                                           and offset)
  vilkcfg resave IN.cfg OUT.cfg            load and save again
  vilkcfg export-xml FILE.cfg N OUT.xml    the N-th PC's signal list (from 1) as XML
  vilkcfg export-ini FILE.cfg N OUT.ini    the same as INI (code page 1251, CR LF)
  vilkcfg csv-export FILE.cfg PATH OUT.csv
                                           the signal list at caption path PATH as CSV
                                           (UTF-8 with BOM, ";" between fields)
  vilkcfg csv-import [--dry-run] [--skip-errors] FILE.cfg PATH IN.csv OUT.cfg
                                           change that list from CSV and save as OUT: own
                                           lists by "№", selection lists by signal name;
                                           --dry-run prints every row's result and saves
                                           nothing; any bad row keeps the file out (exit
                                           1) unless --skip-errors applies the good rows
  vilkcfg mib [--mib-dir DIR] FILE         read a MIB module with its imports (as the MIB
                                           dialog does) and print the identifiers found
  vilkcfg mib [--mib-dir DIR] --tree FILE  print the MIB dialog's tree of that module
  vilkcfg mib [--mib-dir DIR] --all DIR    every module of a folder in one run, each as above
                                           after a line "# PATH" (imports from that folder
                                           unless --mib-dir)
  vilkcfg templates [--home DIR] [--iec103]
                                           list the device template library (MODBUS, or
                                           IEC_103 with --iec103) of the home folder
  vilkcfg table FILE.cfg PATH KIND --export OUT.txt
                                           the address table KIND (ТС, ТУ or ТИ) of the
                                           IEC-103 device at caption path PATH as the
                                           table editor's text file
  vilkcfg table FILE.cfg PATH KIND --import IN.txt OUT.cfg
                                           replace that table from such a file and save
                                           as OUT; a bad cell refuses the file (exit 1)
  vilkcfg ladder FILE.cfg [--layout]       the discrete-logic program as text; --layout
                                           gives every element's grid cell and size
  vilkcfg ladder-sim FILE.cfg [--scans N] NAME=0|1 ...
                                           scan the program N times (1) from every output
                                           0 with the inputs given, print the outputs
  vilkcfg --help                           this text
  vilkcfg --version                        the program's version (as the window's about box)

Controller commands; LINK is --udp DEST[:PORT] [--self ADDR[:PORT]] (ports 208 unless
given; 0 for SELF takes any free port) or --serial DEVICE (57600 8N1). Writes ask for a
login: --user NAME --password TEXT; --yes answers the confirmations; --timeout MS sets
the UDP answer wait (5000); --trace writes every request and answer to stderr (time,
direction > or <, request code and name, bytes in hex, answer time, result) and the
counters of requests, retries, timeouts, checksum and echo errors at the end:
  vilkcfg identify LINK                    identify the controller: "file", "name", "type",
                                           "version" and "year" lines
  vilkcfg read-config LINK OUT.cfg         read the controller's configuration; OUT is
                                           written (as read) only when it loads
  vilkcfg write-config LINK FILE.cfg       write FILE's configuration to the controller
  vilkcfg get-file LINK NAME OUT           read controller file NAME into OUT
  vilkcfg put-file LINK FILE [NAME]        write FILE as NAME (default: its own name, cut
                                           to 12 characters)
  vilkcfg reboot LINK                      restart the controller
  vilkcfg set-time LINK                    set the controller's clock from this computer's
  vilkcfg read-value LINK ADDRESS          print the value at ADDRESS (0..65535)

Output formats:
  tree      one caption per line, two spaces of indent per tree level (the controller
            at level 0)
  signals   one line per pool signal: kind <TAB> controller-wide number <TAB> name,
            kinds in the order ТС ТУ ТИ ТИИ ТР МТС, numbers in decimal
  show      one section per item in pre-order: "[CAPTION/CAPTION/...]" (the captions
            from the controller down), "class = ", "code = " (block id), then one
            "name = value [unit]" line per field of the item's record, in the units its
            frame shows; signal lists end with "role", "count" and "signalN" lines; a
            block kept unread shows "kept_bytes". Sections are separated by blank lines.
            PATH is "A/B/C": node C somewhere below B below A (the first may be the
            controller)
  --json    tree: one object {"caption","class","code","kept","children":[...]};
            signals: an array of {"kind","number","name"}; show: an array of
            {"path","caption","class","code","fields":[{"name","value","key","unit"}]}
            (numbers as JSON numbers, texts as strings; "key" is the record key)
  records   "header" lines: the rows at offsets 0..143 (texts in double quotes, numbers
            in decimal, the checksum in hex); then one line per record, indented two
            spaces per block level: "@OFFSET block ID length N" or
            "@OFFSET value KEY length N: HEX" (at most 32 bytes shown, then "...")
  mib       one line per name that received an identifier, in the order of definition:
            name <TAB> dotted identifier <TAB> category (OBJECT-TYPE, OBJECT TABLE,
            TABLE ENTRY, OBJECT-GROUP, OID for "name OBJECT IDENTIFIER ::=", or the
            macro: MODULE-IDENTITY, MODULE-COMPLIANCE, NOTIFICATION-TYPE, ...); the
            files read, "Модуль: " lines and errors go to stderr. Imports are looked up
            beside FILE (also with .MIB, .mib, .txt), then in DIR (default: MIBs in the
            home folder). Exit 1 only when FILE itself cannot be read
  mib --tree one node per line, two spaces per level: the file, its modules, scalars,
            tables with row nodes 1.. and their columns NAME[ROW], groups; scalars,
            columns, tables and groups followed by <TAB> and the dotted identifier
  templates one line per device type, sorted by type: type <TAB> file <TAB> the rows
            of each table: "ТС=N ТУ=N ТИ=N ТР=N" (rows whose count is not 0; IEC-103:
            "ТС=N ТУ=N ТИ=N", the table entries). The home folder is DIR, else
            VILK_HOME, else the program's folder when writable, else
            ~/.local/share/Vilk. Files that cannot be read, values that do not fit
            (taken as the default) and types listed by two files (the first file by
            name wins) are reported on stderr. Exit 1 when the folder is missing or
            cannot be listed, or a file could not be read

  ladder    one block per task, blocks separated by an empty line: the output's
            signal name ("/" before it: inverted coil), then the line indented two
            spaces: contacts by signal name ("/" before it: inverted, "?" no signal,
            "!" before a name that left the pool), a parallel group as
            "[branch | branch]", "-" an empty line, "#ID" a block kept unread.
            --layout: "grid WxH", then per task "task N rows A..B", "output COL ROW
            NAME", and the lines, groups, branches and contacts, each with its column
            and row (lines and groups also WxH), indented by nesting. Exit 1 when the
            file has no discrete-logic port
  ladder-sim one line per task: "NAME = 0" or "NAME = 1" (the output after the last
            scan). Inputs are pool ТС names; an unknown name or an output given as
            input refuses the run (exit 1)

  table     the table editor's text: one line per row (the entries, then one empty
            row), every cell followed by a tab, CR LF, code page 1251; an empty cell
            keeps its column on import

Messages that the window would show in a box go to stderr, one message at a time, line
breaks inside a message as new lines. Exit status: 0 done, 1 refused (the messages say
why), 2 usage error. Files are written through a temporary file and renamed, so a failed
write never destroys an existing file.
)";

struct Session {
  Session(std::ostream& o, std::ostream& e) : out(o), err(e) {}
  std::ostream& out;
  std::ostream& err;
  StreamMessages messages{err};
  Configuration config{messages};
  ConfigImage image;
};

int Usage(std::ostream& err, const std::string& why) {
  err << "vilkcfg: " << why << "\nTry 'vilkcfg --help'.\n";
  return 2;
}

bool Load(Session& s, const std::string& path) {
  return OpenConfigFile(s.config, s.image, path);
}

int Save(Session& s, const std::string& path) {
  if (!BuildImage(s.config, s.image, path, "")) return 1;
  std::string error;
  if (!WriteFileAtomic(path, s.image.Data(), s.image.TotalSize, &error)) {
    s.messages.Error("Ошибка записи файла " + path + ": " + error);
    return 1;
  }
  return 0;
}

std::string HeaderText(const ConfigImage& image, std::size_t at, std::size_t n) {
  std::string text = "\"";
  text += Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(image.Data() + at), n));
  text += '"';
  return text;
}

void PrintRecords(std::ostream& out, const ConfigImage& image) {
  const std::size_t valid = image.ValidSize();
  if (valid < kDataOffset) {
    out << "header: file of " << valid << " bytes is shorter than the header\n";
    return;
  }
  const std::size_t total = image.U32(28);
  out << "header signature " << HeaderText(image, 0, 14) << " format " << int(image.Data()[14])
      << " type " << int(image.Data()[15]) << '\n';
  out << "header size " << HeaderText(image, 16, 12) << " total " << total << '\n';
  out << "header file " << HeaderText(image, 32, 16) << '\n';
  out << "header date " << HeaderText(image, 48, 16) << '\n';
  out << "header time " << HeaderText(image, 64, 16) << '\n';
  out << "header data " << HeaderText(image, 80, 12) << " offset " << image.U32(92) << '\n';
  out << "header marker " << HeaderText(image, 128, 16) << '\n';
  if (total >= 2 && total <= valid) {
    const std::uint16_t stored = image.U16(total - 2);
    const std::uint16_t sum = ByteSum(image.Data(), total - 2);
    out << "header checksum " << Format("%4.4x", stored)
        << (stored == sum ? " ok" : Format(" wrong (computed %4.4x)", sum)) << '\n';
  } else {
    out << "header checksum unknown: total size " << total << " outside the " << valid
        << " bytes read\n";
  }

  const std::size_t limit = total >= kMinImageSize && total <= valid ? total - 2 : valid;
  std::vector<std::size_t> ends;
  std::size_t at = image.U32(92);
  if (at < kDataOffset) at = kDataOffset;
  while (at + 8 <= limit) {
    while (!ends.empty() && at >= ends.back()) ends.pop_back();
    const std::uint16_t tag = image.U16(at), key = image.U16(at + 2);
    const std::uint32_t len = image.U32(at + 4);
    const std::string indent(ends.size() * 2, ' ');
    if (tag == kBlockTag) {
      out << indent << '@' << at << " block " << key << " length " << len << '\n';
      if (len < 8) break;
      ends.push_back(at + len);
      at += 8;
    } else if (tag == kValueTag) {
      out << indent << '@' << at << " value " << key << " length " << len << ':';
      if (len < 8 || len > limit - at) {
        out << " (runs past the data)\n";
        break;
      }
      const std::size_t n = len - 8;
      for (std::size_t i = 0; i < std::min<std::size_t>(n, 32); ++i)
        out << Format(" %2.2x", image.Data()[at + 8 + i]);
      if (n > 32) out << " ...";
      out << '\n';
      at += len;
    } else {
      out << '@' << at << " end of records\n";
      break;
    }
  }
}

}  // namespace

namespace {
DeviceRunner deviceRunner = nullptr;
const char* const kDeviceCommands[] = {"identify", "read-config", "write-config", "get-file",
                                       "put-file", "reboot",      "set-time",     "read-value"};
}  // namespace

bool IsDeviceCommand(const std::string& command) {
  for (const char* c : kDeviceCommands)
    if (command == c) return true;
  return false;
}

void SetDeviceRunner(DeviceRunner runner) {
  deviceRunner = runner;
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return Usage(err, "no command given");
  const std::string& cmd = args[0];
  if (IsDeviceCommand(cmd)) {
    if (deviceRunner) return deviceRunner(args, out, err);
    err << "vilkcfg: команды контроллера выполняет программа vilkcfg-link\n";
    return 1;
  }
  if (cmd == "--help" || cmd == "-h" || cmd == "help") {
    out << kUsage;
    return 0;
  }
  if (cmd == "--version") {
    out << "vilkcfg " << ProgramVersion() << "\n";
    return 0;
  }
  std::vector<std::string> rest(args.begin() + 1, args.end());
  if (cmd == "export-xml" || cmd == "export-ini") return RunExport(cmd, rest, out, err);
  if (cmd == "mib") return RunMib(rest, out, err);
  if (cmd == "csv-export" || cmd == "csv-import") return RunCsv(cmd, rest, out, err);
  if (cmd == "templates") return RunTemplates(rest, out, err);
  if (cmd == "table") return RunTable(rest, out, err);
  if (cmd == "ladder" || cmd == "ladder-sim") return RunLadder(cmd, rest, out, err);
  if (cmd == "diff") return RunDiff(rest, out, err);
  if (cmd == "report") return RunReport(rest, out, err);
  // A configuration and its image only for the commands that use them. Modbus devices
  // name their signals from the template library of the home folder, as in the window.
  SetTemplateHome(DefaultHome());
  Session s(out, err);

  if (cmd == "new") {
    int model = kDefaultModel;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < rest.size(); ++i) {
      if (rest[i] == "--model") {
        if (i + 1 >= rest.size()) return Usage(err, "--model needs 22, 23 or 26");
        const std::string& v = rest[++i];
        model = v == "22" ? 22 : v == "23" ? 23 : v == "26" ? 26 : -1;
        if (model < 0) return Usage(err, "unknown model " + v + " (22, 23 or 26)");
      } else {
        files.push_back(rest[i]);
      }
    }
    if (files.size() != 1) return Usage(err, "new needs one output file");
    TController& c = s.config.Controller();
    c.TypeCode = static_cast<std::uint8_t>(model);
    c.SelectModelRecord();
    c.ApplyModel();
    return Save(s, files[0]);
  }
  if (cmd == "records") {
    if (rest.size() != 1) return Usage(err, "records needs one file");
    // The records of any file are shown, loadable or not: this is the tool for damaged ones.
    std::vector<std::uint8_t> bytes;
    if (const ReadResult r = ReadFileLimited(rest[0], kImageCapacity, bytes); r != ReadResult::Ok) {
      s.messages.Error(DescribeReadFailure(r, rest[0]));
      return 1;
    }
    s.image.Assign(bytes);
    PrintRecords(out, s.image);
    return 0;
  }
  if (cmd == "tree" || cmd == "signals" || cmd == "check" || cmd == "show") {
    bool json = false;
    std::vector<std::string> files;
    for (const std::string& a : rest) {
      if (a == "--json")
        json = true;
      else if (a.size() > 2 && a.compare(0, 2, "--") == 0)
        return Usage(err, "unknown option " + a);
      else
        files.push_back(a);
    }
    const std::size_t most = cmd == "show" ? 2 : 1;
    if (files.empty() || files.size() > most)
      return Usage(
          err, cmd == "show" ? "show needs a file and at most one path" : cmd + " needs one file");
    if (!Load(s, files[0])) return 1;
    if (cmd == "tree") PrintTree(out, s.config.Controller(), json);
    if (cmd == "signals") PrintSignals(out, s.config.Storage(), json);
    if (cmd == "show") {
      const TItem* from = &s.config.Controller();
      if (files.size() == 2) from = FindByCaptionPath(s.config.Controller(), files[1]);
      if (!from) {
        s.messages.Error("Нет узла " + files[1]);
        return 1;
      }
      PrintShow(out, *from, json);
    }
    if (cmd == "check") {
      // Anything loading had to say is a finding: a reference dropped, a block kept unread
      // (written back untouched, but nothing checked it).
      const bool loadedClean = s.messages.Errors() == 0;
      const std::vector<std::string> kept = KeptUnreadReport(s.config.Controller());
      for (const std::string& line : kept) s.messages.Error(line);
      ConfigImage scratch;
      const bool builds = BuildImage(s.config, scratch, files[0], "");
      const std::vector<Problem> problems = Validate(s.config);
      PrintProblems(out, problems, json);
      return builds && kept.empty() && loadedClean && !HasErrors(problems) ? 0 : 1;
    }
    return 0;
  }
  if (cmd == "resave") {
    if (rest.size() != 2) return Usage(err, "resave needs an input and an output file");
    if (!Load(s, rest[0])) return 1;
    return Save(s, rest[1]);
  }
  return Usage(err, "unknown command " + cmd);
}

}  // namespace vilk::cli

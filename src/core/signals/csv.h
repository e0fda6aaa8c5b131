#pragma once
// Signal lists to and from CSV as the spreadsheets of this region open them: UTF-8 with a
// byte-order mark, ";" between fields, CR LF line ends, RFC 4180 quoting, "," as the decimal
// separator. An import is planned first (every row's result) and applied only when asked.
#include <string>
#include <string_view>
#include <vector>

#include "signals/params.h"

namespace vilk {

using CsvRecord = std::vector<std::string>;

// A CSV larger than this is no signal list (8,192 rows of a few hundred bytes each).
constexpr std::size_t kMaxCsvFileSize = 64u << 20;

// Writes records as CSV text (with the byte-order mark).
std::string WriteCsv(const std::vector<CsvRecord>& records);

struct CsvText {
  std::vector<CsvRecord> Records;
  std::vector<int> Lines;  // the line each record starts on (1-based)
  std::string Error;       // empty when the text parsed
};
// Reads CSV text: a leading byte-order mark is dropped, text that is not UTF-8 is read as
// code page 1251 (what spreadsheets save as "CSV" here), the separator is ";" unless the
// first line holds none and a tab or "," instead. An unterminated quote is an error.
CsvText ParseCsv(std::string_view text);

// The header and rows of a list as the list editor shows it, in CSV form.
std::vector<CsvRecord> ListToRecords(const TParams& list);
std::string ExportListCsv(const TParams& list);

enum class CsvRowResult { Unchanged, Changed, Error };

struct CsvRowPlan {
  int Line = 0;      // line in the file, counting the header as line 1
  int Position = 0;  // list row the CSV row names (-1 when it names none)
  CsvRowResult Result = CsvRowResult::Unchanged;
  std::string Reason;  // why the row is an error
  std::string Name;    // the signal name the row ends with

  // What applying does (own lists).
  bool SetName = false, SetInverted = false, SetType = false, SetGain = false, SetOffset = false,
       SetGroup = false, SetBlocking = false;
  std::string NewName;
  std::uint8_t Inverted = 0, Type = 0;
  float Gain = 0, Offset = 0;
  std::string Group, BlockOn, BlockOff;
  // What applying does (selection lists): the pool signal at `Position`, or a placeholder.
  TParam* Signal = nullptr;
};

struct CsvImportPlan {
  std::string Error;  // a fault of the whole file (header, quoting): nothing can be applied
  std::vector<CsvRowPlan> Rows;
  int Changed = 0, Unchanged = 0, Errors = 0;
  bool Ok() const { return Error.empty() && Errors == 0; }
};

// Checks every row of `csvText` against `list` without changing anything. Own lists are
// matched by row number, selection lists take pool signals by name at the rows given.
CsvImportPlan PlanListImport(const TParams& list, std::string_view csvText);
// The same for a file, read within kMaxCsvFileSize; a file that cannot be read is the
// plan's Error, naming the file and why.
CsvImportPlan PlanListImportFile(const TParams& list, const std::string& path);
// Applies the rows of a plan that are not errors (all or nothing unless `skipErrors`).
// Returns the number of rows applied; nothing when the plan has errors and !skipErrors.
int ApplyListImport(TParams& list, const CsvImportPlan& plan, bool skipErrors);

// One line per row for the preview: "Строка 5: изменена: <name>" and the like.
std::string DescribeRow(const CsvRowPlan& row);
std::string DescribePlan(const CsvImportPlan& plan);

}  // namespace vilk

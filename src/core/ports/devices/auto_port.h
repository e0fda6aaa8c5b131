#pragma once
// The link to the controller's local automation program. The program's outputs are
// known by name only: a ТС name list and a ТУ name list, imported from the program's INI
// file. The port builds one own ТС list and one own ТУ list from them, so the outputs
// join the pool like any device's signals. At most one such port exists.
#include <cstdint>
#include <string>
#include <vector>

#include "model/item.h"

namespace vilk {

class TParams;
class IMessages;

constexpr int kPortAuto = 117;

class TPortAuto : public TPort {
 public:
  explicit TPortAuto(Configuration& config);

  std::uint8_t Enabled = 0;  // "Включить автоматику"
  std::vector<std::string> TSNames, TUNames;

  TParams* TSList() const;  // nullptr while there is no ТС name
  TParams* TUList() const;  // nullptr while there is no ТУ name

  // Deletes a list whose name list is empty, creates the missing ones (ТС first), rebuilds
  // both from the names, marks their signals fixed and rebuilds the pool.
  void UpdateSignalList() override;

  // "Экспортировать список входных параметров": the sections "TS_in", "TU_in", "TI_in",
  // "TR_in" of the INI file are erased and refilled from the pool; the rest of the file
  // stays. False (with the error shown) when the file cannot be read or written.
  bool ExportInputs(const std::string& path) const;
  // "Импортировать список выходных параметров": "TS_out" gives the ТС names (duplicates
  // kept), "TU_out" the ТУ names (a repeated one once). A file with more names than a
  // list holds is refused. False (with the error shown) when nothing was imported.
  bool ImportOutputs(const std::string& path);

  const RecordDesc* Record() const override;
  void SaveToImage(TConfig& cfg) override { SaveRecordBlock(cfg); }
  void LoadFromImage(TConfig& cfg) override;

 private:
  TParams* List(int kind) const;
};

}  // namespace vilk

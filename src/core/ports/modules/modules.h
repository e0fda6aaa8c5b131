#pragma once
// External I/O modules polled on the DORO port: the discrete-signal module RIV-24
// (TMDS24), the relay-switching module DED-12 (TMRK12) and the discrete-switching module
// ZUZ-24 (TMDK24). The operating mode decides how many inputs, commands and outputs a
// module offers; the module builds its own signal lists from it.
#include <cstdint>
#include <string>
#include <vector>

#include "model/item.h"

namespace vilk {

class TParams;

constexpr int kPortDoro = 125;
constexpr int kModuleRIV24 = 221;  // TMDS24
constexpr int kModuleDED12 = 222;  // TMRK12
constexpr int kModuleZUZ24 = 229;  // TMDK24
constexpr int kModuleOutputMode = 3;

// What tells the three module kinds apart.
struct ModuleKindInfo {
  int Code;
  const char* Name;   // "RIV-24"
  const char* Title;  // the frame's title
  std::uint16_t DefaultWait;
  const char* ModeCaption;         // the mode selector's group title
  std::vector<const char*> Modes;  // mode captions, indexed by the stored mode byte
  std::vector<int> Commands;       // commands per mode (empty: no command list)
  std::vector<int> Outputs;        // discrete outputs per mode
  std::vector<int> Inputs;         // TS inputs per mode (the RIV-24 only)
  int MaxVersion;
};
const ModuleKindInfo& ModuleKind(int code);

class TModule : public TPort {
 public:
  TModule(Configuration& config, const ModuleKindInfo& info);

  const ModuleKindInfo& Info() const { return *info_; }
  std::string ListPrefix = "1_Порт";  // "%d_Порт" of the DORO port
  std::uint8_t Attempts = 5;          // 2..99
  std::uint16_t ReplyWait = 500;      // ms, 1..65500
  std::uint8_t Mode = 0;

  int ModeCount() const { return static_cast<int>(info_->Modes.size()); }
  // The signal counts of the current mode.
  int InputCount() const;
  int CommandCount() const;
  int OutputCount() const;

  // The own TS list, the own TU list and the output selection (nullptr where missing).
  TParams* Inputs() const;
  TParams* Commands() const;
  TParams* Outputs() const;
  // "%s.%s": list prefix and caption.
  std::string SignalPrefix() const;
  // Another module of the same port carries this module's address.
  bool Clashes() const;
  // The address takes effect at once: caption and lists follow.
  void SetAddress(std::uint8_t address);

  int MaxVersion() const override { return info_->MaxVersion; }
  void UpdateCaption() override;  // "%d_%s"
  void UpdateSignalList() override;
  std::string GetChannelName(int index) const override;
  std::string ChannelName(const TParams& list, int index) const override;
  void SaveToImage(TConfig& cfg) override;
  void LoadFromImage(TConfig& cfg) override;

 protected:
  // Reads the mode byte already loaded into Mode: one outside the table is named in a
  // message and replaced by mode 0.
  void CheckMode();

 private:
  const ModuleKindInfo* info_;
};

// RIV-24: 24 single-point or 12 double-point inputs.
class TMDS24 : public TModule {
 public:
  explicit TMDS24(Configuration& config);
  std::uint32_t CheckPeriod = 600000;  // ms, edited in minutes
  std::uint16_t Debounce = 50;         // ms
  const RecordDesc* Record() const override;
};

// DED-12 and ZUZ-24: commands, two status inputs and, in mode 3, discrete outputs driven
// by pool signals.
class TCommandModule : public TModule {
 public:
  TCommandModule(Configuration& config, const ModuleKindInfo& info);
  std::uint16_t OutputTime = 2000;  // ms, 100..60000 in steps of 100
  const RecordDesc* Record() const override;
};

class TMRK12 : public TCommandModule {
 public:
  explicit TMRK12(Configuration& config);
};

class TMDK24 : public TCommandModule {
 public:
  explicit TMDK24(Configuration& config);
};

}  // namespace vilk

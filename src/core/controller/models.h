#pragma once
// The three controller models, their identity records and what each allows.
#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

#include "model/kinds.h"

namespace vilk {

// The identity of a controller model (23 bytes in this order when packed; the
// controller's identity answer has the same layout).
struct ModelRecord {
  std::string Name;  // at most 16 characters
  std::uint16_t Year = 2025;
  std::int8_t Letter = -1;  // -1: none, else a character appended to the version
  std::uint8_t Minor = 12;
  std::uint8_t Major = 1;
  std::uint8_t TypeCode = 23;

  static constexpr std::size_t kPackedSize = 23;
  std::vector<std::uint8_t> Pack() const;
  static ModelRecord Unpack(const std::uint8_t* data);  // 23 bytes
  std::string VersionLabel() const;                     // "v %d.%d" and the letter
};

struct ControllerDescription {
  std::uint8_t TypeCode = 0;
  std::uint8_t EthernetCount = 0;
  std::uint8_t MaxComBoards = 0;
  std::uint8_t DiscreteInputs = 0;
  std::uint8_t Gsm = 0;
  std::vector<std::uint8_t> Boards;  // board kinds in order: 121, 200, 223
  PortKindSet PortKinds;
  std::string DisplayName;
};

constexpr int kDefaultModel = 23;
// Model codes in the order of the model selector: 23, 22, 26.
const std::vector<int>& ModelCodes();
bool IsModelSupported(int typeCode);
// The description and record of a supported model (nullptr otherwise).
const ControllerDescription* FindDescription(int typeCode);
const ModelRecord* FindModelRecord(int typeCode);

// Start-up time and receive gap for a serial setting (ms).
struct SerialTiming {
  int StartUp;
  int ReceiveGap;
};
SerialTiming SerialTimingDefaults(int speed, int parityIndex, int stopBitsIndex);

}  // namespace vilk

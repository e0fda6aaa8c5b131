#include "controller/models.h"

#include <algorithm>

#include "base/format.h"
#include "model/records.h"

namespace vilk {

namespace {

struct Model {
  ControllerDescription Desc;
  ModelRecord Record;
};

ModelRecord MakeRecord(const char* name, int code) {
  ModelRecord r;
  r.Name = name;
  r.TypeCode = static_cast<std::uint8_t>(code);
  return r;
}

const std::vector<Model>& Models() {
  static const std::vector<Model> models = [] {
    auto make = [](int code, const char* name, int eth, int com, int di, int gsm,
                   std::vector<std::uint8_t> boards) {
      Model m;
      m.Desc.TypeCode = static_cast<std::uint8_t>(code);
      m.Desc.EthernetCount = static_cast<std::uint8_t>(eth);
      m.Desc.MaxComBoards = static_cast<std::uint8_t>(com);
      m.Desc.DiscreteInputs = static_cast<std::uint8_t>(di);
      m.Desc.Gsm = static_cast<std::uint8_t>(gsm);
      m.Desc.Boards = std::move(boards);
      m.Desc.PortKinds = PortKindSetFor(1, 12);
      m.Desc.DisplayName = name;
      m.Record = MakeRecord(name, code);
      return m;
    };
    return std::vector<Model>{
        make(23, "ВИЛК.A2", 2, 8, 0, 0, std::vector<std::uint8_t>(8, 223)),
        make(22, "ВИЛК.A1", 1, 4, 0, 0, std::vector<std::uint8_t>(4, 223)),
        make(26, "ВИЛК.A1-X", 1, 4, 8, 1, {121, 223, 223, 223, 223}),
    };
  }();
  return models;
}

const Model* Find(int code) {
  for (const Model& m : Models())
    if (m.Desc.TypeCode == code) return &m;
  return nullptr;
}

}  // namespace

std::vector<std::uint8_t> ModelRecord::Pack() const {
  std::vector<std::uint8_t> out(kPackedSize, 0);
  PackShortString(Name, 16, out.data());
  out[17] = static_cast<std::uint8_t>(Year);
  out[18] = static_cast<std::uint8_t>(Year >> 8);
  out[19] = static_cast<std::uint8_t>(Letter);
  out[20] = Minor;
  out[21] = Major;
  out[22] = TypeCode;
  return out;
}

ModelRecord ModelRecord::Unpack(const std::uint8_t* data) {
  ModelRecord r;
  r.Name = UnpackShortString(data, 16);
  r.Year = static_cast<std::uint16_t>(data[17] | (data[18] << 8));
  r.Letter = static_cast<std::int8_t>(data[19]);
  r.Minor = data[20];
  r.Major = data[21];
  r.TypeCode = data[22];
  return r;
}

std::string ModelRecord::VersionLabel() const {
  std::string label = Format("v %d.%d", Major, Minor);
  if (Letter != -1) label += Format("%c", static_cast<int>(static_cast<std::uint8_t>(Letter)));
  return label;
}

const std::vector<int>& ModelCodes() {
  static const std::vector<int> codes{23, 22, 26};
  return codes;
}

bool IsModelSupported(int typeCode) {
  return Find(typeCode) != nullptr;
}

const ControllerDescription* FindDescription(int typeCode) {
  const Model* m = Find(typeCode);
  return m ? &m->Desc : nullptr;
}

const ModelRecord* FindModelRecord(int typeCode) {
  const Model* m = Find(typeCode);
  return m ? &m->Record : nullptr;
}

SerialTiming SerialTimingDefaults(int speed, int parityIndex, int stopBitsIndex) {
  if (speed <= 0) return {3, 2};
  int bits = 10;
  if (parityIndex != 0) ++bits;
  if (stopBitsIndex == 1) ++bits;
  return {std::max(3, bits * 2000 / speed), std::max(2, bits * 3000 / speed)};
}

}  // namespace vilk

#pragma once
// A kind's record described once: the value records of its block as a list of (key, name,
// field, type). The same list writes the block, reads it, prints the item for
// `vilkcfg show` and compares two items, so save and load can never drift apart.
#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "model/image.h"

namespace vilk {

class TItem;

enum class FieldType : std::uint8_t {
  U8,
  U16,
  U32,
  I8,
  I16,
  I32,
  F32,
  Ip,     // unsigned 32-bit, shown dotted
  Text,   // short string: length byte and `Size` cp1251 characters
  Bytes,  // `Size` raw bytes, shown as decimal numbers
  Custom  // written, read and shown by the field's own functions
};

// One shown field: its name, value text and unit, and the key it is stored under.
struct ShownField {
  std::string Name;
  std::string Value;
  std::string Unit;
  std::uint16_t Key = 0;
  bool IsText = false;  // a string value (quoted in JSON), else a number or a list
};

struct FieldDesc {
  std::uint16_t Key = 0;
  std::string Name;  // the key's name in `vilkcfg show`
  FieldType Type = FieldType::U8;
  std::size_t Size = 1;
  // Where the field lies in the item (nullptr for computed and custom fields).
  std::function<void*(TItem&)> Where;
  // Computed fields are written from the tree and never read back (counts).
  std::function<std::int64_t(const TItem&)> Computed;
  // Runs in place of reading when the key is missing (legacy layouts).
  std::function<void(TItem&, TConfig&)> OnMissing;
  // Custom fields.
  std::function<std::vector<std::uint8_t>(const TItem&)> Pack;
  std::function<void(TItem&, const std::uint8_t*, std::size_t)> Unpack;
  std::function<std::vector<ShownField>(const TItem&)> Show;
  // Written only when this says so (a password only when set, say); always shown.
  std::function<bool(const TItem&)> Present;
  // Shown divided by `Scale`, followed by `Unit` (the units the frame shows).
  int Scale = 1;
  std::string Unit;
};

class RecordDesc {
 public:
  // A numeric field; its width follows the member's type.
  template <typename Item, typename V>
  RecordDesc& Field(std::uint16_t key, std::string name, V Item::*member, int scale = 1,
                    std::string unit = {}) {
    static_assert(std::is_arithmetic_v<V>);
    FieldDesc f = Make(key, std::move(name), member);
    f.Type = NumberType<V>();
    f.Size = sizeof(V);
    f.Scale = scale;
    f.Unit = std::move(unit);
    return Add(std::move(f));
  }
  template <typename Item>
  RecordDesc& Ip(std::uint16_t key, std::string name, std::uint32_t Item::*member) {
    FieldDesc f = Make(key, std::move(name), member);
    f.Type = FieldType::Ip;
    f.Size = 4;
    return Add(std::move(f));
  }
  template <typename Item>
  RecordDesc& Text(std::uint16_t key, std::string name, std::string Item::*member,
                   std::size_t capacity) {
    FieldDesc f = Make(key, std::move(name), member);
    f.Type = FieldType::Text;
    f.Size = capacity;
    return Add(std::move(f));
  }
  // A fixed array of bytes (std::array<std::uint8_t, N>).
  template <typename Item, typename A>
  RecordDesc& Bytes(std::uint16_t key, std::string name, A Item::*member) {
    FieldDesc f = Make(key, std::move(name), member);
    f.Type = FieldType::Bytes;
    f.Size = sizeof(A);
    return Add(std::move(f));
  }
  // Written from the tree (a count), never read back.
  RecordDesc& Computed(std::uint16_t key, std::string name, FieldType type,
                       std::function<std::int64_t(const TItem&)> value);
  // The number of the board a port runs on, written only while it is linked to one
  // (TController::LoadBoard reads it back).
  RecordDesc& Board(std::uint16_t key);
  RecordDesc& Custom(std::uint16_t key, std::string name,
                     std::function<std::vector<std::uint8_t>(const TItem&)> pack,
                     std::function<void(TItem&, const std::uint8_t*, std::size_t)> unpack,
                     std::function<std::vector<ShownField>(const TItem&)> show);
  // The last field added is written only when `present` holds.
  RecordDesc& When(std::function<bool(const TItem&)> present);
  // The reading of the last field added falls back on `legacy` when its key is missing.
  RecordDesc& OnMissing(std::function<void(TItem&, TConfig&)> legacy);

  // Writes the value records in the described order (the version is the item's).
  void Save(TConfig& cfg, const TItem& item) const;
  // Reads every stored field; a missing key leaves its field as it is.
  void Load(TConfig& cfg, TItem& item) const;
  std::vector<ShownField> Show(const TItem& item) const;
  const std::vector<FieldDesc>& Fields() const { return fields_; }

 private:
  template <typename Item, typename V>
  static FieldDesc Make(std::uint16_t key, std::string name, V Item::*member) {
    FieldDesc f;
    f.Key = key;
    f.Name = std::move(name);
    f.Where = [member](TItem& item) -> void* { return &(static_cast<Item&>(item).*member); };
    return f;
  }
  template <typename V>
  static constexpr FieldType NumberType() {
    if constexpr (std::is_same_v<V, float>)
      return FieldType::F32;
    else if constexpr (std::is_signed_v<V>)
      return sizeof(V) == 1 ? FieldType::I8 : sizeof(V) == 2 ? FieldType::I16 : FieldType::I32;
    else
      return sizeof(V) == 1 ? FieldType::U8 : sizeof(V) == 2 ? FieldType::U16 : FieldType::U32;
  }
  RecordDesc& Add(FieldDesc f) {
    fields_.push_back(std::move(f));
    return *this;
  }

  std::vector<FieldDesc> fields_;
};

}  // namespace vilk

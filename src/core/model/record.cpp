#include "model/record.h"

#include <cstring>

#include "base/format.h"
#include "model/item.h"
#include "model/records.h"

namespace vilk {

namespace {

std::int64_t NumberAt(const void* p, FieldType type) {
  switch (type) {
    case FieldType::U8:
      return *static_cast<const std::uint8_t*>(p);
    case FieldType::U16:
      return LoadLE<std::uint16_t>(static_cast<const std::uint8_t*>(p));
    case FieldType::U32:
    case FieldType::Ip:
      return LoadLE<std::uint32_t>(static_cast<const std::uint8_t*>(p));
    case FieldType::I8:
      return *static_cast<const std::int8_t*>(p);
    case FieldType::I16:
      return LoadLE<std::int16_t>(static_cast<const std::uint8_t*>(p));
    case FieldType::I32:
      return LoadLE<std::int32_t>(static_cast<const std::uint8_t*>(p));
    default:
      return 0;
  }
}

std::size_t WidthOf(FieldType type) {
  switch (type) {
    case FieldType::U8:
    case FieldType::I8:
      return 1;
    case FieldType::U16:
    case FieldType::I16:
      return 2;
    default:
      return 4;
  }
}

// Whole numbers in full (a 32-bit address or a time in ms must not turn into "4e+07"),
// a value that is not a whole number of the frame's unit with its fraction.
std::string Scaled(std::int64_t value, int scale) {
  if (scale <= 1) return Format("%d", value);
  if (value % scale == 0) return Format("%d", value / scale);
  return Format("%.10g", static_cast<double>(value) / scale);
}

}  // namespace

RecordDesc& RecordDesc::Computed(std::uint16_t key, std::string name, FieldType type,
                                 std::function<std::int64_t(const TItem&)> value) {
  FieldDesc f;
  f.Key = key;
  f.Name = std::move(name);
  f.Type = type;
  f.Size = WidthOf(type);
  f.Computed = std::move(value);
  return Add(std::move(f));
}

RecordDesc& RecordDesc::Custom(std::uint16_t key, std::string name,
                               std::function<std::vector<std::uint8_t>(const TItem&)> pack,
                               std::function<void(TItem&, const std::uint8_t*, std::size_t)> unpack,
                               std::function<std::vector<ShownField>(const TItem&)> show) {
  FieldDesc f;
  f.Key = key;
  f.Name = std::move(name);
  f.Type = FieldType::Custom;
  f.Pack = std::move(pack);
  f.Unpack = std::move(unpack);
  f.Show = std::move(show);
  return Add(std::move(f));
}

RecordDesc& RecordDesc::Board(std::uint16_t key) {
  return Computed(key, "board", FieldType::U8,
                  [](const TItem& item) {
                    const TBlock* board = static_cast<const TPort&>(item).LinkedBoard;
                    return board ? board->Number : 0;
                  })
      .When(
          [](const TItem& item) { return static_cast<const TPort&>(item).LinkedBoard != nullptr; });
}

RecordDesc& RecordDesc::When(std::function<bool(const TItem&)> present) {
  if (!fields_.empty()) fields_.back().Present = std::move(present);
  return *this;
}

RecordDesc& RecordDesc::OnMissing(std::function<void(TItem&, TConfig&)> legacy) {
  if (!fields_.empty()) fields_.back().OnMissing = std::move(legacy);
  return *this;
}

void RecordDesc::Save(TConfig& cfg, const TItem& constItem) const {
  TItem& item = const_cast<TItem&>(constItem);  // fields are only read here
  for (const FieldDesc& f : fields_) {
    if (f.Present && !f.Present(item)) continue;
    if (f.Computed) {
      const std::int64_t v = f.Computed(item);
      std::uint8_t bytes[4];
      for (std::size_t i = 0; i < f.Size; ++i) bytes[i] = static_cast<std::uint8_t>(v >> (8 * i));
      cfg.WriteValue(f.Key, bytes, f.Size);
    } else if (f.Type == FieldType::Custom) {
      const std::vector<std::uint8_t> bytes = f.Pack(item);
      cfg.WriteValue(f.Key, bytes.data(), bytes.size());
    } else if (f.Type == FieldType::Text) {
      WriteShortString(cfg, f.Key, *static_cast<const std::string*>(f.Where(item)), f.Size);
    } else {
      cfg.WriteValue(f.Key, f.Where(item), f.Size);
    }
  }
}

void RecordDesc::Load(TConfig& cfg, TItem& item) const {
  for (const FieldDesc& f : fields_) {
    if (f.Computed) continue;
    bool found;
    if (f.Type == FieldType::Custom) {
      const std::uint8_t* data;
      std::size_t size;
      found = cfg.FindValue(f.Key, &data, &size);
      if (found && f.Unpack) f.Unpack(item, data, size);
    } else if (f.Type == FieldType::Text) {
      found = ReadShortString(cfg, f.Key, f.Size, *static_cast<std::string*>(f.Where(item)));
    } else {
      found = cfg.ReadValue(f.Key, f.Where(item), f.Size);
    }
    if (!found && f.OnMissing) f.OnMissing(item, cfg);
  }
}

std::vector<ShownField> RecordDesc::Show(const TItem& constItem) const {
  TItem& item = const_cast<TItem&>(constItem);
  std::vector<ShownField> shown;
  for (const FieldDesc& f : fields_) {
    ShownField s{f.Name, {}, f.Unit, f.Key, false};
    if (f.Computed) {
      s.Value = Scaled(f.Computed(item), f.Scale);
    } else if (f.Type == FieldType::Custom) {
      // A structured value shows as several lines of its own.
      if (f.Show)
        for (ShownField& part : f.Show(item)) shown.push_back(std::move(part));
      continue;
    } else {
      const void* p = f.Where(item);
      switch (f.Type) {
        case FieldType::Text:
          s.Value = *static_cast<const std::string*>(p);
          s.IsText = true;
          break;
        case FieldType::F32:
          s.Value = Format("%g", static_cast<double>(*static_cast<const float*>(p)));
          break;
        case FieldType::Ip: {
          const auto ip = static_cast<std::uint32_t>(NumberAt(p, f.Type));
          s.Value = Format("%d.%d.%d.%d", ip >> 24, (ip >> 16) & 255, (ip >> 8) & 255, ip & 255);
          s.IsText = true;
          break;
        }
        case FieldType::Bytes: {
          const auto* b = static_cast<const std::uint8_t*>(p);
          for (std::size_t i = 0; i < f.Size; ++i) {
            if (i) s.Value += ' ';
            s.Value += Format("%d", static_cast<int>(b[i]));
          }
          s.IsText = true;
          break;
        }
        default:
          s.Value = Scaled(NumberAt(p, f.Type), f.Scale);
          break;
      }
    }
    shown.push_back(std::move(s));
  }
  return shown;
}

}  // namespace vilk

#include "controller/proc.h"

#include <algorithm>
#include <cstring>

#include "base/format.h"
#include "model/configuration.h"
#include "model/record.h"
#include "model/records.h"
#include "signals/storage.h"

namespace vilk {

namespace {
constexpr std::uint16_t kKeyPlace = 77;
constexpr std::uint16_t kKeyAddress = 1;
constexpr std::uint16_t kKeyBoards = 2;
constexpr std::uint16_t kKeyPorts = 3;
constexpr std::uint16_t kKeyGroupCount = 20;
constexpr std::uint16_t kKeyGroups = 46;
constexpr std::uint16_t kKeyPasswords = 34;
// Pool counts, in the order they are written: TS, MTS, TU, TI, TII, TR.
constexpr int kCountOrder[] = {kKindTS, kKindMTS, kKindTU, kKindTI, kKindTII, kKindTR};

void PackGroup(const SporadicGroup& g, std::uint8_t* out) {
  std::memcpy(out, &g.AbsAperture, 4);
  std::memcpy(out + 4, &g.RelAperture, 4);
  std::memcpy(out + 8, &g.Upper, 4);
  std::memcpy(out + 12, &g.Lower, 4);
  PackShortString(g.Name, kMaxNameChars, out + 16);
}

SporadicGroup UnpackGroup(const std::uint8_t* in) {
  SporadicGroup g;
  g.AbsAperture = LoadLE<float>(in);
  g.RelAperture = LoadLE<float>(in + 4);
  g.Upper = LoadLE<float>(in + 8);
  g.Lower = LoadLE<float>(in + 12);
  g.Name = UnpackShortString(in + 16, kMaxNameChars);
  return g;
}
}  // namespace

TProc::TProc(Configuration& config) : TBlock(config) {
  Kind = 0;
  SetName("Процессор");
  ImageIndex = 1;
  SetIcon(1);
  Number = 255;
  Menu = PopupMenu::Add;
  UpdateCaption();
}

// Number 255 means "no number": the processor board is shown by its name.
void TProc::UpdateCaption() {
  SetCaption(Name());
}

void TProc::SetDefaults() {
  Place.clear();
  Address = 1;
  Groups.clear();
  PasswordFlags = {0, 1, 0, 0};
}

int TProc::GroupNumber(const std::string& name) const {
  for (std::size_t i = 0; i < Groups.size(); ++i)
    if (Groups[i].Name == name) return static_cast<int>(i) + 1;
  return 0;
}

const RecordDesc* TProc::Record() const {
  static const RecordDesc record = [] {
    RecordDesc r;
    r.Text(kKeyPlace, "place", &TProc::Place, kMaxNameChars)
        .Field(kKeyAddress, "address", &TProc::Address)
        .Computed(kKeyBoards, "boards", FieldType::U8,
                  [](const TItem& item) { return item.Parent() ? item.Parent()->ChildCount() : 1; })
        .Computed(kKeyPorts, "ports", FieldType::U8,
                  [](const TItem& item) { return item.ChildCount(); });
    // The pool's entry counts: written for the controller, rebuilt from the tree on loading.
    for (int kind : kCountOrder)
      r.Computed(SignalKindOf(kind)->CountKey, Format("pool_%s", SignalKindOf(kind)->Caption),
                 FieldType::U16, [kind](const TItem& item) { return item.Storage().Count(kind); });
    r.Computed(kKeyGroupCount, "group_count", FieldType::U8,
               [](const TItem& item) {
                 return std::min<std::size_t>(static_cast<const TProc&>(item).Groups.size(),
                                              kMaxSporadicGroups);
               })
        .Custom(
            kKeyGroups, "groups",
            [](const TItem& item) {
              const auto& groups = static_cast<const TProc&>(item).Groups;
              const std::size_t count = std::min<std::size_t>(groups.size(), kMaxSporadicGroups);
              std::vector<std::uint8_t> table(count * SporadicGroup::kPackedSize);
              for (std::size_t i = 0; i < count; ++i)
                PackGroup(groups[i], &table[i * SporadicGroup::kPackedSize]);
              return table;
            },
            nullptr,
            [](const TItem& item) {
              std::vector<ShownField> shown;
              const auto& groups = static_cast<const TProc&>(item).Groups;
              for (std::size_t i = 0; i < groups.size(); ++i) {
                const SporadicGroup& g = groups[i];
                shown.push_back({Format("group%d", static_cast<int>(i) + 1),
                                 Format("%s; %g; %g; %g; %g", g.Name, g.AbsAperture, g.RelAperture,
                                        g.Lower, g.Upper),
                                 "", kKeyGroups, true});
              }
              return shown;
            })
        .Bytes(kKeyPasswords, "password_flags", &TProc::PasswordFlags);
    return r;
  }();
  return &record;
}

void TProc::SaveToImage(TConfig& cfg) {
  const std::size_t start = cfg.BeginBlock(0);
  WriteVersion(cfg);
  Record()->Save(cfg, *this);
  cfg.EndBlock(start);
}

void TProc::LoadFromImage(TConfig& cfg) {
  if (!ReadVersion(cfg)) return;
  ReadShortString(cfg, kKeyPlace, kMaxNameChars, Place);
  cfg.ReadScalar(kKeyAddress, Address);
  // The board and port counts are not read: the blocks present are (nothing is lost when
  // they disagree).
  std::uint8_t groups = 0;
  cfg.ReadScalar(kKeyGroupCount, groups);
  const std::uint8_t* data;
  std::size_t size;
  Groups.clear();
  if (cfg.FindValue(kKeyGroups, &data, &size)) {
    const std::size_t n = std::min(
        {std::size_t{groups}, std::size_t{kMaxSporadicGroups}, size / SporadicGroup::kPackedSize});
    for (std::size_t i = 0; i < n; ++i)
      Groups.push_back(UnpackGroup(data + i * SporadicGroup::kPackedSize));
  }
  cfg.ReadValue(kKeyPasswords, PasswordFlags.data(), PasswordFlags.size());
}

}  // namespace vilk

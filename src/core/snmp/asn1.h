#pragma once
// Object identifiers as the MIB reader produces them and as the SNMP device records carry
// them: the BER content octets of an OBJECT IDENTIFIER (no tag, no length), ready for the
// controller's requests.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vilk {

// V[0] is the number of arcs (0..15), V[1..n] the arcs.
struct OidValue {
  static constexpr int kMaxArcs = 15;
  static constexpr std::uint32_t kMaxArc = 65535;

  std::array<std::uint16_t, 16> V{};

  int Count() const { return V[0] > kMaxArcs ? kMaxArcs : V[0]; }
  std::uint16_t Arc(int i) const { return V[static_cast<std::size_t>(i) + 1]; }
  // Appends one arc; false (and nothing changes) when the identifier is full or the arc
  // does not fit 16 bits.
  bool Append(std::uint32_t arc);
  void Clear() { V.fill(0); }
  bool operator==(const OidValue& other) const = default;
};

// Dotted text of arcs 1..n; empty for no arcs.
std::string OidToText(const OidValue& oid);
// "1.3.6.1" -> arcs; false for anything else (empty parts, letters, too many or too big arcs).
bool OidFromText(const std::string& text, OidValue* oid);

// A BER object: tag class and number, and its content octets.
class TASNobject {
 public:
  explicit TASNobject(std::uint8_t tagClass = 0, std::uint8_t tagNumber = 0,
                      std::size_t capacity = 8)
      : TagClass(tagClass), TagNumber(tagNumber), content_(capacity < 8 ? 8 : capacity, 0) {}
  virtual ~TASNobject() = default;

  std::uint8_t TagClass;  // class and constructed bits
  std::uint8_t TagNumber;
  std::size_t Length() const { return length_; }
  std::size_t Capacity() const { return content_.size(); }
  const std::uint8_t* Content() const { return content_.data(); }

  // Appends the content octets at out[count..] and advances `count` by Length().
  void WriteContent(std::uint8_t* out, std::size_t& count) const;
  void WriteContent(std::vector<std::uint8_t>& out) const;

 protected:
  std::vector<std::uint8_t> content_;
  std::size_t length_ = 0;
};

// OBJECT IDENTIFIER (universal, primitive, tag 6). The content of a tag holds 32 octets:
// an identifier whose encoding is longer is not stored (Fits() is false, Length() is 0),
// so a caller can never write a cut identifier.
class TASNObjectIdentifier : public TASNobject {
 public:
  static constexpr std::size_t kMaxContent = 32;

  explicit TASNObjectIdentifier(const OidValue& oid);

  const OidValue& Value() const { return oid_; }
  bool Fits() const { return fits_; }
  // Octets the content takes, whether it fits or not.
  static std::size_t EncodedLength(const OidValue& oid);

 private:
  OidValue oid_;
  bool fits_ = true;
};

}  // namespace vilk

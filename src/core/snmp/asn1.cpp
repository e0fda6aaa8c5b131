#include "snmp/asn1.h"

#include <charconv>

namespace vilk {

namespace {

// Sub-identifiers of the content: arc1 * 40 + arc2, then arc3 .. arcn.
template <typename F>
void ForEachSubIdentifier(const OidValue& oid, F f) {
  const int n = oid.Count();
  if (n < 2) return;
  f(static_cast<std::uint32_t>(oid.Arc(0)) * 40 + oid.Arc(1));
  for (int i = 2; i < n; ++i) f(oid.Arc(i));
}

std::size_t Base128Length(std::uint32_t v) {
  std::size_t n = 1;
  while (v >= 128) {
    v >>= 7;
    ++n;
  }
  return n;
}

}  // namespace

bool OidValue::Append(std::uint32_t arc) {
  if (V[0] >= kMaxArcs || arc > kMaxArc) return false;
  V[++V[0]] = static_cast<std::uint16_t>(arc);
  return true;
}

std::string OidToText(const OidValue& oid) {
  std::string text;
  for (int i = 0; i < oid.Count(); ++i) {
    if (i) text += '.';
    text += std::to_string(oid.Arc(i));
  }
  return text;
}

bool OidFromText(const std::string& text, OidValue* oid) {
  OidValue v;
  const char* p = text.data();
  const char* end = p + text.size();
  if (p == end) return false;
  while (true) {
    std::uint32_t arc = 0;
    auto [next, ec] = std::from_chars(p, end, arc);
    if (ec != std::errc() || next == p || !v.Append(arc)) return false;
    p = next;
    if (p == end) break;
    if (*p != '.') return false;
    ++p;
  }
  *oid = v;
  return true;
}

void TASNobject::WriteContent(std::uint8_t* out, std::size_t& count) const {
  for (std::size_t i = 0; i < length_; ++i) out[count + i] = content_[i];
  count += length_;
}

void TASNobject::WriteContent(std::vector<std::uint8_t>& out) const {
  out.insert(out.end(), content_.begin(), content_.begin() + static_cast<long>(length_));
}

std::size_t TASNObjectIdentifier::EncodedLength(const OidValue& oid) {
  std::size_t n = 0;
  ForEachSubIdentifier(oid, [&](std::uint32_t v) { n += Base128Length(v); });
  return n;
}

TASNObjectIdentifier::TASNObjectIdentifier(const OidValue& oid)
    : TASNobject(0, 6, kMaxContent), oid_(oid) {
  if (EncodedLength(oid) > kMaxContent) {
    fits_ = false;
    return;
  }
  ForEachSubIdentifier(oid, [&](std::uint32_t v) {
    // Most significant group first; bit 7 marks every octet but the last.
    const std::size_t n = Base128Length(v);
    for (std::size_t i = n; i-- > 0;) {
      const auto group = static_cast<std::uint8_t>((v >> (7 * i)) & 0x7F);
      content_[length_++] = static_cast<std::uint8_t>(i ? group | 0x80 : group);
    }
  });
}

}  // namespace vilk

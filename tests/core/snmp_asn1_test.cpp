// Object identifiers: the BER content octets (checked by hand and against openssl's DER
// encoder), the 32-octet limit of a tag, and the dotted text.
#include "snmp/asn1.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace vilk {
namespace {

using Octets = std::vector<std::uint8_t>;

OidValue Oid(std::initializer_list<std::uint32_t> arcs) {
  OidValue v;
  for (std::uint32_t a : arcs) EXPECT_TRUE(v.Append(a));
  return v;
}

Octets Content(const OidValue& oid) {
  const TASNObjectIdentifier asn(oid);
  Octets out;
  asn.WriteContent(out);
  EXPECT_EQ(out.size(), asn.Length());
  return out;
}

TEST(OidEncoding, ExamplesAndArcBoundaries) {
  EXPECT_EQ(Content(Oid({1, 3, 6, 1, 2, 1, 1, 5})),
            (Octets{0x2B, 0x06, 0x01, 0x02, 0x01, 0x01, 0x05}));
  EXPECT_EQ(Content(Oid({1, 3, 6, 1, 4, 1})), (Octets{0x2B, 0x06, 0x01, 0x04, 0x01}));
  EXPECT_EQ(Content(Oid({1, 3, 200})), (Octets{0x2B, 0x81, 0x48}));
  // 127 and 16383 are the largest values of one and two octets.
  EXPECT_EQ(Content(Oid({1, 3, 127})), (Octets{0x2B, 0x7F}));
  EXPECT_EQ(Content(Oid({1, 3, 128})), (Octets{0x2B, 0x81, 0x00}));
  EXPECT_EQ(Content(Oid({1, 3, 16383})), (Octets{0x2B, 0xFF, 0x7F}));
  EXPECT_EQ(Content(Oid({1, 3, 16384})), (Octets{0x2B, 0x81, 0x80, 0x00}));
  EXPECT_EQ(Content(Oid({1, 3, 65535})), (Octets{0x2B, 0x83, 0xFF, 0x7F}));
  // The first two arcs share one sub-identifier: 2 * 40 + 65535 = 65615 = 4.0.79 in base 128.
  EXPECT_EQ(Content(Oid({2, 65535})), (Octets{0x84, 0x80, 0x4F}));
  EXPECT_EQ(Content(Oid({0, 0})), (Octets{0x00}));
}

TEST(OidEncoding, FewerThanTwoArcsGiveNoOctets) {
  EXPECT_TRUE(Content(OidValue{}).empty());
  EXPECT_TRUE(Content(Oid({1})).empty());
  EXPECT_TRUE(TASNObjectIdentifier(Oid({1})).Fits());
}

TEST(OidEncoding, WriteContentAdvancesTheCallersCount) {
  std::uint8_t buffer[16] = {0xEE, 0xEE};
  std::size_t count = 2;
  TASNObjectIdentifier(Oid({1, 3, 6, 1})).WriteContent(buffer, count);
  EXPECT_EQ(count, 5u);
  EXPECT_EQ(Octets(buffer, buffer + 6), (Octets{0xEE, 0xEE, 0x2B, 0x06, 0x01, 0x00}));
}

TEST(OidEncoding, ContentLongerThan32OctetsIsNotStored) {
  // 1.3 takes one octet, each 16384 three: 1 + 10 * 3 + 1 = 32 octets fit, 33 do not.
  OidValue fits = Oid({1, 3});
  for (int i = 0; i < 10; ++i) fits.Append(16384);
  fits.Append(1);
  const TASNObjectIdentifier a(fits);
  EXPECT_TRUE(a.Fits());
  EXPECT_EQ(a.Length(), 32u);
  EXPECT_EQ(a.Content()[31], 0x01);

  OidValue tooLong = fits;
  tooLong.Append(1);
  const TASNObjectIdentifier b(tooLong);
  EXPECT_FALSE(b.Fits());
  EXPECT_EQ(b.Length(), 0u);
  EXPECT_EQ(TASNObjectIdentifier::EncodedLength(tooLong), 33u);
  std::vector<std::uint8_t> out;
  b.WriteContent(out);
  EXPECT_TRUE(out.empty());

  // The longest identifier there is: 15 arcs of 65535, 4 + 13 * 3 octets.
  OidValue longest;
  for (int i = 0; i < 15; ++i) longest.Append(65535);
  EXPECT_EQ(TASNObjectIdentifier::EncodedLength(longest), 43u);
  EXPECT_FALSE(TASNObjectIdentifier(longest).Fits());
}

TEST(OidValue, HoldsAtMost15ArcsOf16Bits) {
  OidValue v;
  EXPECT_FALSE(v.Append(65536));
  EXPECT_EQ(v.Count(), 0);
  for (int i = 0; i < 15; ++i) EXPECT_TRUE(v.Append(static_cast<std::uint32_t>(i)));
  EXPECT_FALSE(v.Append(1));
  EXPECT_EQ(v.Count(), 15);
  EXPECT_EQ(v.V[0], 15);
  EXPECT_EQ(v.V[15], 14);
}

TEST(OidText, DottedFormBothWays) {
  EXPECT_EQ(OidToText(OidValue{}), "");
  EXPECT_EQ(OidToText(Oid({1, 3, 6, 1, 4, 1})), "1.3.6.1.4.1");
  EXPECT_EQ(OidToText(Oid({0, 65535})), "0.65535");
  // A count above 15 (not made by Append) still writes only 15 arcs.
  OidValue wild;
  wild.V.fill(7);
  wild.V[0] = 40;
  EXPECT_EQ(OidToText(wild), "7.7.7.7.7.7.7.7.7.7.7.7.7.7.7");

  OidValue v;
  ASSERT_TRUE(OidFromText("1.3.6.1.2.1.31.1.1.1.6", &v));
  EXPECT_EQ(v, Oid({1, 3, 6, 1, 2, 1, 31, 1, 1, 1, 6}));
  ASSERT_TRUE(OidFromText("5", &v));
  EXPECT_EQ(v, Oid({5}));
  for (const char* bad : {"", ".1", "1.", "1..3", "1.3a", "1.65536", "-1.3", " 1.3",
                          "1.2.3.4.5.6.7.8.9.10.11.12.13.14.15.16"})
    EXPECT_FALSE(OidFromText(bad, &v)) << bad;
}

// --- against openssl's encoder ---

bool HaveOpenssl() {
  return std::system("command -v openssl >/dev/null 2>&1") == 0;
}

// The contents of the OBJECT IDENTIFIERs inside one DER SEQUENCE.
std::vector<Octets> DerOids(const Octets& der) {
  std::vector<Octets> out;
  auto length = [&](std::size_t& at) {
    std::size_t n = der.at(at++);
    if (n & 0x80) {
      const std::size_t bytes = n & 0x7F;
      n = 0;
      for (std::size_t i = 0; i < bytes; ++i) n = (n << 8) | der.at(at++);
    }
    return n;
  };
  std::size_t at = 0;
  if (der.empty() || der[at++] != 0x30) return out;
  const std::size_t end = at + length(at);
  while (at < end && at < der.size()) {
    if (der[at++] != 0x06) break;
    const std::size_t n = length(at);
    out.emplace_back(der.begin() + static_cast<long>(at), der.begin() + static_cast<long>(at + n));
    at += n;
  }
  return out;
}

TEST(OidEncoding, AgreesWithOpensslForGeneratedIdentifiers) {
  if (!HaveOpenssl()) GTEST_SKIP() << "openssl is not installed";
  // Fixed seed: the same identifiers every run. Arcs of every size class, first arcs as
  // X.690 allows them (0..2, second below 40 under 0 and 1).
  std::mt19937 rng(20260305);
  auto arc = [&]() -> std::uint32_t {
    switch (rng() % 4) {
      case 0:
        return rng() % 128;
      case 1:
        return 128 + rng() % (16384 - 128);
      case 2:
        return 16384 + rng() % (65536 - 16384);
      default:
        return std::vector<std::uint32_t>{0, 127, 128, 16383, 16384, 65535}[rng() % 6];
    }
  };
  std::vector<OidValue> oids{Oid({1, 3, 6, 1, 2, 1, 1, 5}), Oid({1, 3, 6, 1, 4, 1}),
                             Oid({1, 3, 200})};
  while (oids.size() < 400) {
    OidValue v;
    const std::uint32_t first = rng() % 3;
    v.Append(first);
    v.Append(first < 2 ? rng() % 40 : arc());
    const int more = static_cast<int>(rng() % 14);
    for (int i = 0; i < more; ++i) v.Append(arc());
    oids.push_back(v);
  }

  const std::filesystem::path dir =
      std::filesystem::path(::testing::TempDir()) / ("oid_openssl_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  {
    std::ofstream cnf(dir / "oids.cnf");
    cnf << "asn1 = SEQUENCE:seq\n[seq]\n";
    for (std::size_t i = 0; i < oids.size(); ++i)
      cnf << "o" << i << " = OID:" << OidToText(oids[i]) << "\n";
  }
  const std::string cmd = "openssl asn1parse -genconf '" + (dir / "oids.cnf").string() +
                          "' -out '" + (dir / "oids.der").string() + "' -noout >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::ifstream in(dir / "oids.der", std::ios::binary);
  const Octets der((std::istreambuf_iterator<char>(in)), {});
  const std::vector<Octets> expected = DerOids(der);
  std::filesystem::remove_all(dir);

  ASSERT_EQ(expected.size(), oids.size());
  int tooLong = 0;
  for (std::size_t i = 0; i < oids.size(); ++i) {
    const TASNObjectIdentifier asn(oids[i]);
    EXPECT_EQ(TASNObjectIdentifier::EncodedLength(oids[i]), expected[i].size())
        << OidToText(oids[i]);
    if (expected[i].size() > 32) {
      ++tooLong;
      EXPECT_FALSE(asn.Fits());
      continue;
    }
    EXPECT_EQ(Content(oids[i]), expected[i]) << OidToText(oids[i]);
  }
  EXPECT_GT(tooLong, 0);  // the refusal was exercised, not only the happy path
}

}  // namespace
}  // namespace vilk

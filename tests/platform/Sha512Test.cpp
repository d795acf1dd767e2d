// SHA-512 from the system's library against the known values of FIPS 180-2, fed whole and in
// pieces.
#include "platform/ContentHash.h"
#include "platform/Sha512.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>

namespace quillon::platform {
namespace {

std::string Hex(const std::array<std::uint8_t, 64>& digest) { return HexOf(digest); }

struct Known {
  const char* name;
  std::string input;
  std::size_t piece;  // fed this many bytes at a time
  const char* sha512;
};

void PrintTo(const Known& known, std::ostream* out) { *out << known.name; }

class Sha512Known : public testing::TestWithParam<Known> {};

TEST_P(Sha512Known, MatchesTheKnownDigest) {
  const Known& k = GetParam();
  Sha512 sha;
  for (std::size_t at = 0; at < k.input.size(); at += k.piece) {
    sha.Update(k.input.data() + at, std::min(k.piece, k.input.size() - at));
  }
  const auto digest = sha.Digest();
  ASSERT_TRUE(digest);
  EXPECT_EQ(Hex(*digest), k.sha512);
}

INSTANTIATE_TEST_SUITE_P(
    Fips, Sha512Known,
    testing::Values(
        Known{"Empty", "", 1,
              "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce47d0d13c5d85f2b0ff8318d2877eec2f"
              "63b931bd47417a81a538327af927da3e"},
        Known{"Abc", "abc", 3,
              "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd"
              "454d4423643ce80e2a9ac94fa54ca49f"},
        Known{"TwoBlocksByteByByte",
              "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmn"
              "opqrstnopqrstu",
              1,
              "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018501d289e4900f7e4331b99dec4b5433a"
              "c7d329eeb6dd26545e96e55b874be909"},
        Known{"MillionAInOddPieces", std::string(1'000'000, 'a'), 997,
              "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973ebde0ff244877ea60a4cb0432ce577c31b"
              "eb009c5c2c49aa2e4eadb217ad8cc09b"}),
    [](const testing::TestParamInfo<Known>& info) { return std::string(info.param.name); });

TEST(Sha512, DigestLetsTheStreamGoOnAndResetStartsAgain) {
  Sha512 sha;
  sha.Update("a", 1);
  const auto ofA = sha.Digest();
  sha.Update("bc", 2);
  const auto ofAbc = sha.Digest();
  ASSERT_TRUE(ofA && ofAbc);
  EXPECT_EQ(Hex(*ofAbc).substr(0, 16), "ddaf35a193617aba");
  sha.Reset();
  sha.Update("a", 1);
  EXPECT_EQ(sha.Digest(), ofA);
}

}  // namespace
}  // namespace quillon::platform

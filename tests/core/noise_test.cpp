// Value noises and gradient noise.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>

#include "core/noise.h"

namespace {

// The hash from its definition, independently of the implementation.
double ReferenceHash(int32_t n) {
  uint64_t m = static_cast<uint32_t>(n);
  m = (m ^ (m << 13)) & 0xFFFFFFFFu;
  uint64_t inner = (m * m % 4294967296u * 15731u + 789221u) % 4294967296u;
  uint64_t h = (m * inner % 4294967296u + 4294967296u - 771171059u) % 4294967296u & 0x7FFFFFFFu;
  return 1.0 - static_cast<double>(h) / 1073741824.0;
}

TEST(NoiseTest, HashReferenceValues) {
  // N(0): only the subtracted constant: (2^32 - 771171059) & 0x7FFFFFFF = 1376312589.
  EXPECT_DOUBLE_EQ(IntegerNoise(0), 1.0 - 1376312589.0 / 1073741824.0);
  EXPECT_NEAR(IntegerNoise(0), -0.28179, 1e-5);
  for (int32_t n : {1, 2, 57, -1, -58, 123456, INT32_MAX, INT32_MIN}) {
    EXPECT_DOUBLE_EQ(IntegerNoise(n), ReferenceHash(n)) << n;
    EXPECT_GT(IntegerNoise(n), -1.0);
    EXPECT_LE(IntegerNoise(n), 1.0);
  }
}

TEST(NoiseTest, OctaveNoiseAtLatticePointsAndWithoutOctaves) {
  EXPECT_EQ(OctaveNoise1D(0, 3.3, 1.0, 0.5), 0.0);
  EXPECT_EQ(OctaveNoise1D(-2, 3.3, 1.0, 0.5), 0.0);
  // g integer in every octave: w = 0, so each octave gives N(k) x persistence^i.
  double expected = IntegerNoise(3) + IntegerNoise(6) * 0.5 + IntegerNoise(12) * 0.25;
  EXPECT_DOUBLE_EQ(OctaveNoise1D(3, 6.0, 2.0, 0.5), expected);
  // Halfway, the cosine weight with the 3.1415927 constant.
  double w = (1.0 - std::cos(0.5 * 3.1415927)) * 0.5;
  EXPECT_DOUBLE_EQ(OctaveNoise1D(1, 2.5, 1.0, 0.7), IntegerNoise(2) * (1.0 - w) + IntegerNoise(3) * w);
  // Negative x truncates toward zero: -0.5 lies in the cell of 0.
  double wn = (1.0 - std::cos(-0.5 * 3.1415927)) * 0.5;
  EXPECT_DOUBLE_EQ(OctaveNoise1D(1, -0.5, 1.0, 1.0), IntegerNoise(0) * (1.0 - wn) + IntegerNoise(1) * wn);
  EXPECT_EQ(OctaveNoise1D(4, 12.345, 3.0, 0.6), OctaveNoise1D(4, 12.345, 3.0, 0.6));
}

double Smoothed(int32_t i, int32_t j) {
  auto n = [](int32_t x, int32_t y) { return IntegerNoise(x + 57 * y); };
  return (n(i - 1, j - 1) + n(i + 1, j - 1) + n(i - 1, j + 1) + n(i + 1, j + 1)) / 16.0 +
         (n(i - 1, j) + n(i + 1, j) + n(i, j - 1) + n(i, j + 1)) / 8.0 + n(i, j) / 4.0;
}

TEST(NoiseTest, SmoothNoiseAtLatticePointsAndBetween) {
  EXPECT_DOUBLE_EQ(SmoothNoise2D(3.0, 5.0), Smoothed(3, 5));
  EXPECT_DOUBLE_EQ(SmoothNoise2D(-2.0, 7.0), Smoothed(-2, 7));
  // Halfway in both directions: the four corners weigh a quarter each.
  double mid = (Smoothed(3, 5) + Smoothed(4, 5) + Smoothed(3, 6) + Smoothed(4, 6)) / 4.0;
  EXPECT_NEAR(SmoothNoise2D(3.5, 5.5), mid, 1e-12);
  EXPECT_EQ(SmoothNoise2D(1.25, 9.75), SmoothNoise2D(1.25, 9.75));
}

TEST(NoiseTest, ImprovedNoiseIsAPermutationAndZeroAtLatticePoints) {
  ImprovedNoise noise(12345u);
  ASSERT_EQ(noise.permutation.size(), 512u);
  std::set<uint32_t> seen(noise.permutation.begin(), noise.permutation.begin() + 256);
  EXPECT_EQ(seen.size(), 256u);
  EXPECT_EQ(*seen.rbegin(), 255u);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(noise.permutation[256 + i], noise.permutation[i]);

  for (double x : {0.0, 1.0, -3.0, 255.0, 256.0, 1000.0})
    EXPECT_EQ(noise.Noise(x, 2.0, -7.0), 0.0) << x;
  double v = noise.Noise(0.3, 1.7, 2.2);
  EXPECT_GE(v, -1.5);
  EXPECT_LE(v, 1.5);
  EXPECT_EQ(noise.Noise(0.3, 1.7, 2.2), v);
}

TEST(NoiseTest, EachObjectHasItsOwnShuffle) {
  ImprovedNoise a(1u), b(2u), again(1u);
  EXPECT_NE(a.permutation, b.permutation);
  EXPECT_EQ(a.permutation, again.permutation);
  EXPECT_NE(a.Noise(0.5, 0.5, 0.5), b.Noise(0.5, 0.5, 0.5));

  // The default constructor takes its seed from the injectable source.
  SetNoiseSeedSource([] { return 1u; });
  ImprovedNoise seeded;
  SetNoiseSeedSource(nullptr);
  EXPECT_EQ(seeded.permutation, a.permutation);
  ImprovedNoise r1, r2;  // the random device
  EXPECT_EQ(r1.permutation.size(), 512u);
}

TEST(NoiseTest, HugeAndInvalidCoordinatesStayDefined) {
  ImprovedNoise noise(3u);
  const double nan = std::nan("");
  EXPECT_TRUE(std::isfinite(OctaveNoise1D(2, 1e300, 1.0, 0.5)));
  EXPECT_TRUE(std::isfinite(SmoothNoise2D(1e30, -1e30)));
  (void)SmoothNoise2D(nan, 0.0);
  (void)noise.Noise(1e300, -1e300, nan);
}

TEST(NoiseTest, PerlinNoise1DSumsOctavesAlongTheSeedLine) {
  PerlinNoise1D n;
  EXPECT_EQ(n.persistence, 0.5);
  EXPECT_EQ(n.frequency, 1.0);
  EXPECT_EQ(n.amplitude, 2.0);
  EXPECT_EQ(n.octaves, 1);
  n.seed = 1683;
  EXPECT_DOUBLE_EQ(n.Sum(0.3), SmoothNoise2D(1683.0, 0.3 + 1683.0));
  n.octaves = 3;
  n.frequency = 2.0;
  const double expected = SmoothNoise2D(1683.0, 0.3 * 2.0 + 1683.0) + SmoothNoise2D(1683.0, 0.3 * 4.0 + 1683.0) * 0.5 +
                          SmoothNoise2D(1683.0, 0.3 * 8.0 + 1683.0) * 0.25;
  EXPECT_DOUBLE_EQ(n.Sum(0.3), expected);
  n.octaves = 0;
  EXPECT_EQ(n.Sum(0.3), 0.0);
}

}  // namespace

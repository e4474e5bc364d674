#include "core/noise.h"

#include <cmath>
#include <random>
#include <utility>

namespace {

std::function<uint32_t()>& SeedSource() {
  static std::function<uint32_t()> source;
  return source;
}

// Truncation toward zero into 32 bits, wrapping like the integer lattice
// arithmetic; NaN and values beyond 64 bits give 0 instead of undefined results.
int32_t TruncWrap(double v) {
  if (!(std::fabs(v) < 9.2e18)) return 0;
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(v))));
}

int32_t FloorWrap(double v) { return TruncWrap(std::floor(v)); }

// Uniform in [0, n) by rejection, so every shuffle position is equally likely.
uint32_t UniformBelow(std::mt19937& g, uint32_t n) {
  const uint32_t max = 0xFFFFFFFFu;
  for (;;) {
    uint32_t r = g();
    if (r / n < max / n || max % n == n - 1) return r % n;
  }
}

double Fade(double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }
double Lerp(double t, double a, double b) { return a + t * (b - a); }
double Grad(uint32_t hash, double x, double y, double z) {
  uint32_t h = hash & 15;
  double a = h < 8 ? x : y;
  double b = h < 4 ? y : (h == 12 || h == 14 ? x : z);
  return ((h & 1) == 0 ? a : -a) + ((h & 2) == 0 ? b : -b);
}

}  // namespace

double IntegerNoise(int32_t n) {
  uint32_t m = static_cast<uint32_t>(n);
  m = m ^ (m << 13);
  uint32_t h = (m * (m * m * 15731u + 789221u) - 771171059u) & 0x7FFFFFFFu;
  return 1.0 - static_cast<double>(h) / 1073741824.0;
}

double OctaveNoise1D(int32_t octaves, double x, double wavelength, double persistence) {
  double sum = 0.0;
  for (int32_t i = 0; i < octaves; ++i) {
    double f = std::pow(2.0, i);
    double a = std::pow(persistence, i);
    double g = f * x / wavelength;
    int32_t k = TruncWrap(g);
    double t = g - static_cast<double>(k);
    double w = (1.0 - std::cos(t * 3.1415927)) * 0.5;
    int32_t k1 = static_cast<int32_t>(static_cast<uint32_t>(k) + 1u);
    sum += (IntegerNoise(k) * (1.0 - w) + IntegerNoise(k1) * w) * a;
  }
  return sum;
}

double SmoothNoise2D(double x, double y) {
  int32_t i = TruncWrap(x);
  int32_t j = TruncWrap(y);
  // The 4 x 4 lattice values around (i, j), from (i - 1, j - 1).
  double n[4][4];
  for (int dj = 0; dj < 4; ++dj)
    for (int di = 0; di < 4; ++di) {
      uint32_t li = static_cast<uint32_t>(i) + static_cast<uint32_t>(di - 1);
      uint32_t lj = static_cast<uint32_t>(j) + static_cast<uint32_t>(dj - 1);
      n[dj][di] = IntegerNoise(static_cast<int32_t>(li + 57u * lj));
    }
  auto smoothed = [&](int ci, int cj) {  // centre at n[cj][ci]
    double corners = (n[cj - 1][ci - 1] + n[cj - 1][ci + 1] + n[cj + 1][ci - 1] + n[cj + 1][ci + 1]) / 16.0;
    double sides = (n[cj][ci - 1] + n[cj][ci + 1] + n[cj - 1][ci] + n[cj + 1][ci]) / 8.0;
    return corners + sides + n[cj][ci] / 4.0;
  };
  double s00 = smoothed(1, 1), s10 = smoothed(2, 1), s01 = smoothed(1, 2), s11 = smoothed(2, 2);
  double fx = x - static_cast<double>(i);
  double fy = y - static_cast<double>(j);
  auto s = [](double t) { return 3.0 * t * t - 2.0 * t * t * t; };
  return (s00 * s(1.0 - fx) + s10 * s(fx)) * s(1.0 - fy) + (s01 * s(1.0 - fx) + s11 * s(fx)) * s(fy);
}

void SetNoiseSeedSource(std::function<uint32_t()> source) { SeedSource() = std::move(source); }

ImprovedNoise::ImprovedNoise() {
  uint32_t seed;
  if (SeedSource()) {
    seed = SeedSource()();
  } else {
    std::random_device device;
    seed = device();
  }
  Build(seed);
}

ImprovedNoise::ImprovedNoise(uint32_t seed) { Build(seed); }

void ImprovedNoise::Build(uint32_t seed) {
  permutation.assign(512, 0);
  for (uint32_t i = 0; i < 256; ++i) permutation[i] = i;
  std::mt19937 g(seed);
  for (uint32_t i = 1; i < 256; ++i) {
    uint32_t j = UniformBelow(g, i + 1);
    std::swap(permutation[i], permutation[j]);
  }
  for (uint32_t i = 0; i < 256; ++i) permutation[256 + i] = permutation[i];
}

double ImprovedNoise::Noise(double x, double y, double z) const {
  const std::vector<uint32_t>& p = permutation;
  double fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
  uint32_t X = static_cast<uint32_t>(FloorWrap(x)) & 255u;
  uint32_t Y = static_cast<uint32_t>(FloorWrap(y)) & 255u;
  uint32_t Z = static_cast<uint32_t>(FloorWrap(z)) & 255u;
  x -= fx;
  y -= fy;
  z -= fz;
  double u = Fade(x), v = Fade(y), w = Fade(z);
  uint32_t A = p[X] + Y, AA = p[A] + Z, AB = p[A + 1] + Z;
  uint32_t B = p[X + 1] + Y, BA = p[B] + Z, BB = p[B + 1] + Z;
  return Lerp(w,
              Lerp(v, Lerp(u, Grad(p[AA], x, y, z), Grad(p[BA], x - 1, y, z)),
                   Lerp(u, Grad(p[AB], x, y - 1, z), Grad(p[BB], x - 1, y - 1, z))),
              Lerp(v, Lerp(u, Grad(p[AA + 1], x, y, z - 1), Grad(p[BA + 1], x - 1, y, z - 1)),
                   Lerp(u, Grad(p[AB + 1], x, y - 1, z - 1), Grad(p[BB + 1], x - 1, y - 1, z - 1))));
}

double PerlinNoise1D::Sum(double t) const {
  // More octaves than a double's exponent can double add nothing but time.
  const int32_t n = octaves < 0 ? 0 : (octaves > 64 ? 64 : octaves);
  const double s = static_cast<double>(seed);
  double f = frequency;
  double w = 1.0;
  double sum = 0.0;
  for (int32_t i = 0; i < n; ++i) {
    sum += SmoothNoise2D(s, t * f + s) * w;
    f *= 2.0;
    w *= persistence;
  }
  return sum;
}

#pragma once
// Noise for organic flicker and drift: 1-D octave value noise, 2-D smoothed
// value noise (both pure functions) and improved gradient noise in 3-D over
// a permutation table shuffled per object.
#include <cstdint>
#include <functional>
#include <vector>

// The integer-hash lattice value in (-1, 1] shared by the value noises.
double IntegerNoise(int32_t n);

// Sum over octaves i of persistence^i x value noise at x x 2^i / wavelength,
// cosine-interpolated between lattice points. No octaves give 0.
double OctaveNoise1D(int32_t octaves, double x, double wavelength, double persistence);

// 2-D value noise: lattice values smoothed over their 3 x 3 neighbourhood and
// blended with the fade 3t^2 - 2t^3. Callers pass the seed as x.
double SmoothNoise2D(double x, double y);

class ImprovedNoise {
 public:
  // Shuffles 0..255 with a Mersenne twister seeded from the seed source
  // (the platform's random device unless a test replaced it).
  ImprovedNoise();
  // Shuffles with the given seed.
  explicit ImprovedNoise(uint32_t seed);

  double Noise(double x, double y, double z) const;

  std::vector<uint32_t> permutation;

 private:
  void Build(uint32_t seed);
};

// Tests may replace the seed source of ImprovedNoise; an empty function
// restores the random device.
void SetNoiseSeedSource(std::function<uint32_t()> source);

// A one-dimensional noise setting shared by counted pointer between the
// particle transforms that hold it: octaves of SmoothNoise2D along a line
// through the seed.
struct PerlinNoise1D {
  double persistence = 0.5;
  double frequency = 1.0;
  double amplitude = 2.0;
  int32_t octaves = 1;
  int32_t seed = 0;

  // Sum over octaves of SmoothNoise2D(seed, t x F + seed) x W, F starting at
  // the frequency and doubling, W starting at 1 and multiplied by the
  // persistence. The amplitude is the caller's to apply.
  double Sum(double t) const;
};

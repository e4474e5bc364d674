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

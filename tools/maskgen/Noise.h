// Deterministic pseudo-random values and fractal edge profiles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace maskgen {

// A well-mixed 32-bit hash of a seed and an index.
uint32_t Hash(uint32_t seed, uint32_t index);

// Uniform value in [0, 1) for a seed and an index.
double HashUnit(uint32_t seed, uint32_t index);

// A 1-D function sampled on a regular grid and read back with linear
// interpolation: edge profiles are evaluated millions of times per mask.
class Profile {
 public:
  Profile(double first, double last, double step);

  double operator()(double s) const;

  double first() const { return first_; }
  double step() const { return step_; }
  std::vector<double>& samples() { return samples_; }
  double PositionOf(size_t index) const { return first_ + step_ * static_cast<double>(index); }

 private:
  double first_;
  double step_;
  std::vector<double> samples_;
};

// Adds fractal (fBm) value noise: `octaves` octaves, the first with the given
// wavelength and amplitude, each next one half the wavelength and `roughness`
// times the amplitude.
void AddFractalNoise(Profile& profile, uint32_t seed, double wavelength, double amplitude, double roughness,
                     int octaves);

// Adds thin spikes (torn fibres): spacing, width and length are drawn per
// spike; a longer spike wins where two overlap.
struct FibreStyle {
  double meanSpacing;
  double minWidth, maxWidth;
  double minLength, maxLength;
};
void AddFibres(Profile& profile, uint32_t seed, const FibreStyle& style);

}  // namespace maskgen

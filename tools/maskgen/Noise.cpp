#include "Noise.h"

#include <algorithm>
#include <cmath>

namespace maskgen {

uint32_t Hash(uint32_t seed, uint32_t index) {
  uint32_t h = seed * 0x9E3779B1u ^ (index + 0x7F4A7C15u) * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return h;
}

double HashUnit(uint32_t seed, uint32_t index) { return Hash(seed, index) / 4294967296.0; }

Profile::Profile(double first, double last, double step)
    : first_(first), step_(step), samples_(static_cast<size_t>(std::ceil((last - first) / step)) + 2, 0.0) {}

double Profile::operator()(double s) const {
  double position = (s - first_) / step_;
  position = std::clamp(position, 0.0, static_cast<double>(samples_.size() - 1));
  auto index = std::min(static_cast<size_t>(position), samples_.size() - 2);
  double fraction = position - static_cast<double>(index);
  return samples_[index] + (samples_[index + 1] - samples_[index]) * fraction;
}

namespace {

// Smoothly interpolated lattice noise in [-1, 1].
double ValueNoise(uint32_t seed, double x) {
  double cell = std::floor(x);
  double f = x - cell;
  auto i = static_cast<uint32_t>(static_cast<int64_t>(cell));
  double a = HashUnit(seed, i) * 2.0 - 1.0;
  double b = HashUnit(seed, i + 1) * 2.0 - 1.0;
  double w = f * f * f * (f * (f * 6.0 - 15.0) + 10.0);
  return a + (b - a) * w;
}

}  // namespace

void AddFractalNoise(Profile& profile, uint32_t seed, double wavelength, double amplitude, double roughness,
                     int octaves) {
  std::vector<double>& samples = profile.samples();
  for (int octave = 0; octave < octaves; ++octave) {
    uint32_t octaveSeed = Hash(seed, static_cast<uint32_t>(octave));
    // Offsets keep the lattice points of different octaves apart.
    double offset = HashUnit(octaveSeed, 0xFFFFu) * 1000.0;
    for (size_t i = 0; i < samples.size(); ++i) {
      samples[i] += amplitude * ValueNoise(octaveSeed, profile.PositionOf(i) / wavelength + offset);
    }
    wavelength *= 0.5;
    amplitude *= roughness;
  }
}

void AddFibres(Profile& profile, uint32_t seed, const FibreStyle& style) {
  std::vector<double>& samples = profile.samples();
  double end = profile.PositionOf(samples.size() - 1);
  double at = profile.first();
  for (uint32_t n = 0; at < end; ++n) {
    // Exponential gaps give the irregular clustering of real fibres.
    at += -std::log(1.0 - HashUnit(seed, 4 * n)) * style.meanSpacing;
    double width = style.minWidth + (style.maxWidth - style.minWidth) * HashUnit(seed, 4 * n + 1);
    // Most fibres are short; a few are long.
    double u = HashUnit(seed, 4 * n + 2);
    double length = style.minLength + (style.maxLength - style.minLength) * u * u * u;
    auto from = static_cast<long>(std::floor((at - width - profile.first()) / profile.step()));
    auto to = static_cast<long>(std::ceil((at + width - profile.first()) / profile.step()));
    for (long i = std::max(0L, from); i <= to && i < static_cast<long>(samples.size()); ++i) {
      double across = std::abs(profile.PositionOf(static_cast<size_t>(i)) - at) / width;
      if (across < 1.0) samples[i] = std::max(samples[i], length * (1.0 - across * across));
    }
  }
}

}  // namespace maskgen

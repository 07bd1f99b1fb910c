#include "RevealAnimation.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "Parallel.h"

namespace maskgen {

namespace {

constexpr int kRampSteps = 4096;

// Smoothstep, scaled to 0..255 and rounded: non-decreasing by construction.
const std::vector<uint8_t>& RampTable() {
  static const std::vector<uint8_t> table = [] {
    std::vector<uint8_t> values(kRampSteps + 1);
    for (int i = 0; i <= kRampSteps; ++i) {
      double x = static_cast<double>(i) / kRampSteps;
      values[i] = static_cast<uint8_t>(std::lround(255.0 * x * x * (3.0 - 2.0 * x)));
    }
    return values;
  }();
  return table;
}

// Maps every time through the weighted distribution of all times, so that the
// share of black grows about linearly with time and no part of the animation
// is squeezed into a few steps of the frame-time search.
void EqualiseTimes(std::vector<std::vector<float>>& layers, const std::vector<float>& weights) {
  float low = std::numeric_limits<float>::max(), high = std::numeric_limits<float>::lowest();
  for (const auto& times : layers) {
    auto [mn, mx] = std::minmax_element(times.begin(), times.end());
    low = std::min(low, *mn);
    high = std::max(high, *mx);
  }
  if (!(high > low)) throw std::invalid_argument("a reveal field needs more than one time");
  constexpr int kBins = 1 << 16;
  std::vector<double> mass(kBins + 1, 0.0);
  double scale = kBins / (static_cast<double>(high) - low);
  auto binOf = [&](float t) { return std::min(kBins - 1, static_cast<int>((t - low) * scale)); };
  for (size_t l = 0; l < layers.size(); ++l) {
    for (float t : layers[l]) mass[binOf(t)] += weights[l];
  }
  // below[b]: share of all weight in bins before b.
  std::vector<double> below(kBins + 1, 0.0);
  double total = 0.0;
  for (int b = 0; b < kBins; ++b) {
    below[b] = total;
    total += mass[b];
  }
  below[kBins] = total;
  for (auto& times : layers) {
    for (float& t : times) {
      int b = binOf(t);
      double within = (t - low) * scale - b;
      t = static_cast<float>((below[b] + mass[b] * std::clamp(within, 0.0, 1.0)) / total);
    }
  }
}

}  // namespace

RevealField SampleField(int width, int height, const std::vector<float>& layerWeights,
                        const std::function<void(double u, double v, float* out)>& times, int threads) {
  if (width <= 0 || height <= 0) throw std::invalid_argument("picture size must be positive");
  RevealField field;
  field.width = width;
  field.height = height;
  field.layerWeights = layerWeights;
  size_t layers = layerWeights.size();
  field.layerTimes.assign(layers, std::vector<float>(static_cast<size_t>(width) * height));
  ParallelFor(height, threads, [&](int y) {
    std::vector<float> out(layers);
    double v = (y + 0.5 - height * 0.5) / height;
    for (int x = 0; x < width; ++x) {
      double u = (x + 0.5 - width * 0.5) / height;
      times(u, v, out.data());
      for (size_t l = 0; l < layers; ++l) field.layerTimes[l][static_cast<size_t>(y) * width + x] = out[l];
    }
  });
  return field;
}

RevealAnimation::RevealAnimation(RevealField field, int frameCount, double featherPixels, int threads)
    : width_(field.width), height_(field.height), frameCount_(frameCount) {
  if (frameCount < 2) throw std::invalid_argument("an animation needs at least two frames");
  if (field.layerTimes.empty() || field.layerTimes.size() != field.layerWeights.size()) {
    throw std::invalid_argument("every layer needs a weight");
  }
  EqualiseTimes(field.layerTimes, field.layerWeights);

  // Integer weights summing to exactly 256 keep the last frame fully black.
  double weightSum = 0.0;
  for (float w : field.layerWeights) weightSum += w;
  uint32_t given = 0;
  for (size_t l = 0; l < field.layerTimes.size(); ++l) {
    Layer layer;
    layer.weight = l + 1 == field.layerTimes.size()
                       ? 256 - given
                       : static_cast<uint32_t>(std::lround(256.0 * field.layerWeights[l] / weightSum));
    given += layer.weight;
    layer.start = std::move(field.layerTimes[l]);
    layers_.push_back(std::move(layer));
  }

  // A pixel turns black over the time its edge takes to cross featherPixels.
  // The edge comes from the side of earlier neighbours and goes on towards
  // later ones, so the ramp starts half a feather's travel before the pixel's
  // time at the speed behind it and ends half a feather's travel after at the
  // speed ahead. A ridge of the field (a line closing last) thus ends on
  // time, and a pixel beside a slow band does not start early.
  const int w = width_, h = height_;
  for (Layer& layer : layers_) {
    std::vector<float>& t = layer.start;
    std::vector<float> start(t.size());
    layer.rampScale.resize(t.size());
    ParallelFor(h, threads, [&](int y) {
      for (int x = 0; x < w; ++x) {
        size_t i = static_cast<size_t>(y) * w + x;
        float here = t[i];
        float left = x > 0 ? t[i - 1] : here, right = x + 1 < w ? t[i + 1] : here;
        float up = y > 0 ? t[i - w] : here, down = y + 1 < h ? t[i + w] : here;
        double behindX = std::max(0.0f, here - std::min(left, right));
        double behindY = std::max(0.0f, here - std::min(up, down));
        double aheadX = std::max(0.0f, std::max(left, right) - here);
        double aheadY = std::max(0.0f, std::max(up, down) - here);
        double behind = 0.5 * featherPixels * std::sqrt(behindX * behindX + behindY * behindY);
        double ahead = 0.5 * featherPixels * std::sqrt(aheadX * aheadX + aheadY * aheadY);
        start[i] = static_cast<float>(here - behind);
        layer.rampScale[i] = static_cast<float>(1.0 / std::max(behind + ahead, 1e-6));
      }
    });
    t = std::move(start);
  }
  ChooseFrameTimes();
}

// Frame times follow the darkness actually drawn: frame f is the moment at
// which the mean level has fallen by f / (frames - 1) of the way, measured on
// a sparse grid of pixels. The first frame comes before any ramp starts and
// the last after every ramp has ended.
void RevealAnimation::ChooseFrameTimes() {
  double first = std::numeric_limits<double>::max(), last = std::numeric_limits<double>::lowest();
  for (const Layer& layer : layers_) {
    for (size_t i = 0; i < layer.start.size(); ++i) {
      first = std::min(first, double(layer.start[i]));
      last = std::max(last, layer.start[i] + 1.0 / layer.rampScale[i]);
    }
  }
  constexpr int kSteps = 4096;
  const double step = (last - first) / kSteps;
  std::vector<double> darkness(kSteps + 2, 0.0), settled(kSteps + 2, 0.0);
  const int stride = std::max(1, std::min(width_, height_) / 360);
  for (const Layer& layer : layers_) {
    for (int y = stride / 2; y < height_; y += stride) {
      for (int x = stride / 2; x < width_; x += stride) {
        size_t i = static_cast<size_t>(y) * width_ + x;
        double begin = layer.start[i], scale = layer.rampScale[i];
        auto k0 = static_cast<int>(std::ceil((begin - first) / step));
        auto k1 = std::min(kSteps, static_cast<int>(std::floor((begin + 1.0 / scale - first) / step)));
        for (int k = k0; k <= k1; ++k) {
          double p = std::clamp((first + k * step - begin) * scale, 0.0, 1.0);
          darkness[k] += layer.weight * p * p * (3.0 - 2.0 * p);
        }
        settled[k1 + 1] += layer.weight;
      }
    }
  }
  double carried = 0.0;
  for (int k = 0; k <= kSteps; ++k) {
    carried += settled[k];
    darkness[k] += carried;
  }
  frameTimes_.assign(frameCount_, first);
  frameTimes_.back() = last;
  int k = 0;
  for (int f = 1; f + 1 < frameCount_; ++f) {
    double target = darkness[kSteps] * f / (frameCount_ - 1);
    while (k < kSteps && darkness[k + 1] < target) ++k;
    double span = darkness[k + 1] - darkness[k];
    double fraction = span > 0.0 ? std::clamp((target - darkness[k]) / span, 0.0, 1.0) : 0.0;
    frameTimes_[f] = std::max(frameTimes_[f - 1], first + (k + fraction) * step);
  }
}

void RevealAnimation::RenderFrame(int frame, uint8_t* pixels) const {
  if (frame < 0 || frame >= frameCount_) throw std::out_of_range("frame out of range");
  const std::vector<uint8_t>& ramp = RampTable();
  auto now = static_cast<float>(frameTimes_[frame]);
  size_t count = static_cast<size_t>(width_) * height_;
  std::vector<uint32_t> black(count, 0);
  for (const Layer& layer : layers_) {
    const float* start = layer.start.data();
    const float* scale = layer.rampScale.data();
    for (size_t i = 0; i < count; ++i) {
      // Clamping before the conversion keeps the index monotonic in `now`.
      float x = std::clamp((now - start[i]) * scale[i], 0.0f, 1.0f);
      black[i] += layer.weight * ramp[static_cast<int>(x * kRampSteps)];
    }
  }
  // A 1-2-1 blur in both directions softens what the ramps cannot: where an
  // edge stops at a crease of the field and then races on, the ramps of the
  // pixels on either side of the crease need not overlap. Weights are
  // positive, so a pixel still only ever darkens, and flat frames stay flat.
  const int w = width_, h = height_;
  std::vector<uint32_t> across(count);
  for (int y = 0; y < h; ++y) {
    const uint32_t* row = &black[static_cast<size_t>(y) * w];
    uint32_t* out = &across[static_cast<size_t>(y) * w];
    for (int x = 0; x < w; ++x) out[x] = row[x > 0 ? x - 1 : 0] + 2 * row[x] + row[x + 1 < w ? x + 1 : x];
  }
  for (int y = 0; y < h; ++y) {
    const uint32_t* above = &across[static_cast<size_t>(y > 0 ? y - 1 : 0) * w];
    const uint32_t* row = &across[static_cast<size_t>(y) * w];
    const uint32_t* below = &across[static_cast<size_t>(y + 1 < h ? y + 1 : y) * w];
    uint8_t* out = pixels + static_cast<size_t>(y) * w;
    for (int x = 0; x < w; ++x) {
      // Sixteen times the blurred darkness, which is at most 255 * 256.
      uint32_t sum = above[x] + 2 * row[x] + below[x];
      out[x] = static_cast<uint8_t>(255 - ((sum + 2048) >> 12));
    }
  }
}

}  // namespace maskgen

// A wipe described by reveal times: every pixel of every layer has the time
// at which it turns from white to black, and frames are that field sampled at
// evenly spaced times. A pixel's value is then a fixed, non-increasing
// function of time, so no frame can brighten a pixel again.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace maskgen {

// Reveal-time fields for one picture. Layers are weighted and summed: two
// layers with offset edges give an edge a semi-transparent fringe.
struct RevealField {
  int width = 0;
  int height = 0;
  std::vector<float> layerWeights;
  // layerTimes[l][y * width + x]: when pixel (x, y) of layer l turns black.
  // The field must be continuous: an edge is a moving level set of it.
  std::vector<std::vector<float>> layerTimes;
};

// Builds a field by evaluating `times(u, v, out)` at every pixel centre on
// `threads` threads. u and v are in picture heights from the picture centre
// (v grows downwards), so shapes keep their proportions at any aspect ratio
// and a centre crop shows the same pattern. `out` receives one time per layer.
RevealField SampleField(int width, int height, const std::vector<float>& layerWeights,
                        const std::function<void(double u, double v, float* out)>& times, int threads);

class RevealAnimation {
 public:
  // Derives each pixel's ramp from the local slope of its time so that every
  // edge is `featherPixels` wide whatever its speed, then picks frame times
  // at which the mean level falls at an even pace.
  RevealAnimation(RevealField field, int frameCount, double featherPixels, int threads);

  int width() const { return width_; }
  int height() const { return height_; }
  int frameCount() const { return frameCount_; }

  // Writes frame `frame` as width * height 8-bit pixels, top row first:
  // 255 where nothing is revealed yet, 0 where everything is.
  void RenderFrame(int frame, uint8_t* pixels) const;

 private:
  struct Layer {
    uint32_t weight;               // out of 256
    std::vector<float> start;      // when each pixel starts to darken
    std::vector<float> rampScale;  // 1 / how long it takes
  };

  void ChooseFrameTimes();

  int width_;
  int height_;
  int frameCount_;
  std::vector<double> frameTimes_;
  std::vector<Layer> layers_;
};

}  // namespace maskgen

#include "RenderCommand.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "Console.h"
#include "FrameMixer.h"
#include "FrameOutputs.h"
#include "OutputClashes.h"
#include "RenderLoop.h"
#include "RenderMemory.h"
#include "SettingsCommand.h"
#include "Sources.h"
#include "hosting/LoadedPlugin.h"
#include "hosting/MaskChoice.h"
#include "hosting/PluginFiles.h"
#include "media/Y4mPacked.h"

namespace kavro {

namespace {

void WarnAboutMasks(const std::string& pluginPath, uint32_t mask) {
  const std::string resources = ResourceModulePath(pluginPath);
  const MaskFramesFound found = CountMaskFrames(resources);
  if (!found.moduleLoaded) {
    std::fprintf(stderr, "kavro: masks not found (%s): the output is source A unmixed\n",
                 WhyNoMasks(found, resources).c_str());
  } else if (found.present[mask] < MaskFrameCount(mask)) {
    std::fprintf(stderr, "kavro: %u of %u frames of %s found in %s: frames without a mask show source A\n",
                 found.present[mask], MaskFrameCount(mask), MaskName(mask).c_str(), resources.c_str());
  }
}

std::unique_ptr<Source> OpenOrMake(const RenderOptions& options, size_t which, const SourcePlacement& placement) {
  if (which < options.sources.size()) return OpenSource(options.sources[which], placement);
  return nullptr;
}

// What the render holds per thread and per frame, from its sources and outputs.
RenderCosts Costs(int width, int height, const Source& a, const Source& b, const RenderOptions& options) {
  RenderShape shape;
  shape.width = static_cast<uint32_t>(width);
  shape.height = static_cast<uint32_t>(height);
  const uint64_t area = uint64_t{shape.width} * shape.height;
  const Source* sources[2] = {&a, &b};
  for (int s = 0; s < 2; ++s) {
    const Y4mFormat* format = sources[s]->y4mFormat();
    const bool asItIs = format && PacksAsItIs(*format, PackedLayout(shape.width, shape.height));
    if (format) shape.sourceFrameBytes[s] = Y4mFrameBytes(*format);
    if (!asItIs) {
      shape.convertedArea[s] =
          uint64_t{static_cast<uint32_t>(sources[s]->width())} * static_cast<uint32_t>(sources[s]->height());
    }
  }
  if (!options.output.empty()) shape.encodedBytes += 2 * area;
  if (!options.pngFolder.empty()) shape.encodedBytes += 8 * area;  // RGBA and its PNG
  return EstimateRenderCosts(shape);
}

// B is sampled on A's clock and in A's matrix; the built-in A runs at 25 fps.
SourcePlacement PlacementAfter(const Source* a, double startSeconds) {
  SourcePlacement placement;
  placement.startSeconds = startSeconds;
  placement.rateNumerator = kDefaultClipRate;
  placement.rateDenominator = 1;
  if (a && a->y4mFormat()) {
    placement.rateNumerator = a->y4mFormat()->rateNumerator;
    placement.rateDenominator = a->y4mFormat()->rateDenominator;
    placement.rateOfAClip = true;
  }
  placement.matrix = a ? a->colour().matrix : ColourTags().matrix;
  return placement;
}

// The stream header of the output: the first YUV4MPEG2 source's frame rate
// and interlacing, and a pixel aspect that shows the output at source A's
// proportions.
Y4mFormat OutputFormat(int width, int height, const Source& a, const Source& b) {
  Y4mFormat format;
  format.width = width;
  format.height = height;
  format.chroma = Y4mChroma::k422;
  format.range = Y4mRange::kLimited;
  format.rateNumerator = kDefaultClipRate;
  format.rateDenominator = 1;
  const Y4mFormat* first = a.y4mFormat() ? a.y4mFormat() : b.y4mFormat();
  if (first) {
    format.rateNumerator = first->rateNumerator;
    format.rateDenominator = first->rateDenominator;
    // A mixed stream's frames go out without their own tags: unknown.
    format.interlace = first->interlace == 'm' ? '?' : first->interlace;
  }
  const Proportions shown = a.proportions();
  const Proportions pixel = PictureProportions(uint64_t{shown.width} * static_cast<uint32_t>(height),
                                               uint64_t{shown.height} * static_cast<uint32_t>(width), 1, 1);
  format.aspectNumerator = pixel.width;
  format.aspectDenominator = pixel.height;
  // At A's own size, A's unknown pixel aspect stays unknown; scaled, the
  // output keeps the proportions A has when its pixels are taken as square.
  const Y4mFormat* formatA = a.y4mFormat();
  const bool sizeOfA = formatA && height == formatA->height && width - formatA->width == formatA->width % 2;
  if (sizeOfA && (formatA->aspectNumerator == 0 || formatA->aspectDenominator == 0)) {
    format.aspectNumerator = format.aspectDenominator = 0;
  }
  return format;
}

// Closed as after the last frame, its encoders drained.
int FinishInterrupted(FrameOutputs& outputs, uint32_t written, uint32_t frames, int signal) {
  try {
    outputs.Finish();
  } catch (const MediaError& error) {
    std::fprintf(stderr, "kavro: interrupted, then %s (%u of %u frames written)\n", error.what(),
                 outputs.FramesInFile(written), frames);
    return 1;
  }
  std::fprintf(stderr, "kavro: interrupted: %u of %u frames written\n", outputs.FramesInFile(written), frames);
  return 128 + signal;
}

}  // namespace

int RunRender(const RenderOptions& options) {
  RefuseClashingOutputs(options);
  const std::string pluginPath = FindPlugin(options.plugin);
  LoadedPlugin plugin(pluginPath);
  if (!plugin.error().empty()) {
    std::fprintf(stderr, "kavro: %s\n", plugin.error().c_str());
    return 1;
  }

  // The user's own matte, read before anything is written.
  const std::unique_ptr<Matte> matte = OpenMatte(options);

  SourcePlacement placementA;
  placementA.startSeconds = options.startA;
  std::unique_ptr<Source> a = OpenOrMake(options, 0, placementA);
  std::unique_ptr<Source> b = OpenOrMake(options, 1, PlacementAfter(a.get(), options.startB));
  int width = options.width, height = options.height;
  if (width == 0) {
    // A's size, an odd width made even by one column.
    width = a ? a->width() + a->width() % 2 : kDefaultClipWidth;
    height = a ? a->height() : kDefaultClipHeight;
  }
  CheckPictureSize(width, height, "the output");
  if (!a) a = MakeDefaultSource(DefaultClip::kTestPattern, width, height);
  if (!b) b = MakeDefaultSource(DefaultClip::kGradient, width, height);

  const Y4mFormat header = OutputFormat(width, height, *a, *b);
  uint32_t frames = options.frames;
  if (options.durationSeconds > 0) {
    const double count = options.durationSeconds * header.rateNumerator / header.rateDenominator + 0.5;
    frames = static_cast<uint32_t>(std::clamp(count, 1.0, 1000000.0));
  }
  if (frames == 0) {
    uint64_t shorter = 0;
    for (const Source* source : {a.get(), b.get()}) {
      if (source->length()) shorter = shorter ? std::min(shorter, *source->length()) : *source->length();
    }
    frames = shorter ? static_cast<uint32_t>(std::min<uint64_t>(shorter, 1000000)) : kDefaultTransitionFrames;
  }

  RenderSettings settings;
  settings.width = static_cast<uint32_t>(width);
  settings.height = static_cast<uint32_t>(height);
  settings.frames = frames;
  settings.parameters.maskIndex = options.mask;
  settings.parameters.invert = options.invert ? 1 : 0;
  settings.parameters.reverse = options.reverse ? 1 : 0;
  if (options.settingsDialog) {
    const MaskParameters chosen = ChooseInDialog(plugin.factory(), settings.parameters, frames);
    // OK without a mask picked leaves no valid index; the mask stays.
    if (chosen.maskIndex < MaskCount()) settings.parameters.maskIndex = chosen.maskIndex;
    settings.parameters.invert = chosen.invert;
    settings.parameters.reverse = chosen.reverse;
  }
  settings.maskFrames = MaskFrameCount(settings.parameters.maskIndex);
  settings.cropToOutput = options.cropToOutput;
  settings.matte = matte.get();
  settings.rate = {header.rateNumerator, header.rateDenominator};
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  const int threads = std::min<int>(options.threads ? options.threads : cores, static_cast<int>(frames));
  const InFlightPlan plan = PlanInFlight(threads, Costs(width, height, *a, *b, options), kRenderMemoryBudget);
  settings.threads = plan.threads;
  settings.maxInFlight = plan.maxInFlight;
  if (plan.threads < threads && options.threads && !options.quiet) {
    std::fprintf(stderr, "kavro: %d thread%s, not %d: more frames of %dx%d would not fit in memory\n", plan.threads,
                 plan.threads == 1 ? "" : "s", threads, width, height);
  }

  OutputOptions outputOptions;
  outputOptions.y4mPath = options.output;
  outputOptions.pngFolder = options.pngFolder;
  outputOptions.sheetPath = options.sheet;
  outputOptions.sheetEvery = options.sheetEvery;
  EncodingOptions& encoding = outputOptions.encoding;
  encoding.codec = options.codec;
  encoding.pixelFormat = options.pixelFormat;
  encoding.quality = options.quality;
  encoding.audio = !options.noAudio;
  // A pipe is read once, by its source: its sound is left out.
  if (!options.sources.empty() && ReadableTwice(options.sources[0])) {
    encoding.audioA = {options.sources[0], options.startA};
  }
  if (options.sources.size() > 1 && ReadableTwice(options.sources[1])) {
    encoding.audioB = {options.sources[1], options.startB};
  }
  encoding.colour = a->colour();
  CatchInterrupts();
  FrameOutputs outputs(outputOptions, header, frames);
  for (const std::string& note : outputs.notes()) std::fprintf(stderr, "kavro: %s\n", note.c_str());

  if (!matte) WarnAboutMasks(pluginPath, settings.parameters.maskIndex);
  HeldClip clipA(std::move(a)), clipB(std::move(b));
  Progress progress(frames, !options.quiet && Progress::StandardErrorIsTerminal(), !options.quiet);
  uint32_t written = 0;
  try {
    written = RenderTransition(plugin.factory(), settings, clipA, clipB, outputs, progress);
  } catch (const RenderError& error) {
    progress.Clear();
    if (error.signal()) return FinishInterrupted(outputs, error.written(), frames, error.signal());
    std::fprintf(stderr, "kavro: %s (%u of %u frames written)\n", error.what(), outputs.FramesInFile(error.written()),
                 frames);
    return 1;
  }
  try {
    outputs.Finish([&](uint32_t out) { progress.Update(out); });
  } catch (const MediaError& error) {
    progress.Clear();
    // The encoders drained into a file that could not take them.
    if (!outputs.encodes()) throw;
    std::fprintf(stderr, "kavro: %s (%u of %u frames written)\n", error.what(), outputs.FramesInFile(written), frames);
    return 1;
  } catch (...) {
    progress.Clear();
    throw;
  }
  for (const auto& [label, clip] : {std::pair<const char*, const HeldClip*>{"A", &clipA}, {"B", &clipB}}) {
    if (clip->endedAfter()) {
      std::fprintf(stderr, "kavro: %s ended after %llu of %u frames: its last frame is held\n", label,
                   static_cast<unsigned long long>(*clip->endedAfter()), frames);
    }
  }
  progress.Finish(written);
  return 0;
}

}  // namespace kavro

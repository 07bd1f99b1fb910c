// The MLT transition kavro_wipe: A is the a_track's frame, B the b_track's,
// both taken as MLT's packed 4:2:2 with their alpha planes and mixed by the
// plug-in without any conversion.
//
// The plug-in sits in the "kavro" folder beside the module, loaded by path
// through its exported factory, once per process, when the first transition
// renders. (Not beside the module itself: MLT opens every file in its module
// folder at every start, so the plug-in and its resource module would be
// loaded into every MLT program, and a damaged copy would bring each one
// down.) What is wrong with it is said once on standard error; the
// transition then passes source A through.
//
// `mask` (or `matte`, which Kdenlive's panel sets) may name a matte of the
// user's own instead: a video, an image sequence or a folder of PNG files, or
// a luma map, opened once for the transition and shared by its render
// threads (hosting/Matte.h), and mixed by the plug-in's own fitting and blend
// kernel (hosting/MatteWipe.h).
#include <framework/mlt.h>
#include <sys/stat.h>

#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "PackOnHelper.h"
#include "WipeChoice.h"
#include "hosting/HostedTransition.h"
#include "hosting/HostingError.h"
#include "hosting/MaskChoice.h"
#include "hosting/Matte.h"
#include "hosting/MatteWipe.h"
#include "hosting/PluginForLibraryHost.h"
#include "media/MediaLimits.h"
#include "media/PackedFrame.h"

namespace kavro_mlt {

namespace {

// The transition's own properties. Not "invert": MLT's transitions take
// that for swapping their inputs.
constexpr const char* kProgressProperty = "progress";  // 0..1, animatable; unset: the transition's own position
constexpr const char* kMaskProperty = "mask";          // an index, a name or a matte's path
constexpr const char* kMatteProperty = "matte";        // a matte's path; set, it takes the place of mask
constexpr const char* kSoftnessProperty = "softness";  // a luma map's edge, 0..1
constexpr const char* kTimingProperty = "mask_timing";
constexpr const char* kKindProperty = "mask_kind";
constexpr const char* kInvertProperty = "invert_mask";
constexpr const char* kReverseProperty = "reverse";
constexpr const char* kCropProperty = "crop_to_output";

constexpr const char* kStateKey = "_kavro_wipe_state";
constexpr const char* kFrameKey = "_kavro_wipe_frame";
constexpr const char* kMetadataFile = "transition_kavro_wipe.yml";

kavro::ProblemsOnce& Problems() {
  static kavro::ProblemsOnce problems("kavro_wipe");
  return problems;
}

// Where the plug-in, its resource module, the image library and the
// transition's metadata are: "kavro/" in the module's folder.
std::string PluginFolder() { return kavro::FolderOfLibraryHolding(reinterpret_cast<void*>(&PluginFolder)) + "kavro/"; }

KavroCreateVideoTransitionProc PluginFactory() {
  static const KavroCreateVideoTransitionProc factory =
      kavro::PluginFactoryBeside(reinterpret_cast<void*>(&PluginFactory), "kavro/", Problems());
  return factory;
}

// What one frame hands the plug-in's fetches.
struct WipeFrame {
  kavro::PackedLayout layout{0, 0};
  kavro::Proportions shown{0, 0};  // the pictures' shown proportions
  SourcePicture a, b;
  // An output buffer that already holds A, packed: fetching A into it copies nothing.
  const uint8_t* outputHoldingA = nullptr;
};

// One transition object of the plug-in, rendering MLT's own 4:2:2 pictures:
// the fetches copy them into the plug-in's frames as they are, and the mix
// lands in the caller's buffer, alpha plane after the YUY2 rows.
class WipeRenderer {
 public:
  explicit WipeRenderer(KavroCreateVideoTransitionProc factory)
      : transition_(factory, reinterpret_cast<uintptr_t>(this), FetchA, FetchB),
        matteWipe_(reinterpret_cast<uintptr_t>(this), FetchA, FetchB) {}

  bool valid() const { return transition_.valid(); }

  // Room for the frames RenderLayered makes, kept with the object so that
  // every render thread has its own and reuses it.
  std::vector<uint8_t> over, alphaA, alphaOver, alphaMixed;

  // The plug-in's result code; RESULT_FAILED when it refused the setup.
  // Under a matte's weights when there are some, else the built-in mask.
  int32_t Render(const WipeFrame& frame, const WipeChoice& choice, const kavro::MatteWeights* weights, int32_t fetchArg,
                 uint8_t* output, uint64_t outputBytes) {
    if (weights) {
      kavro::TransitionSettings settings;
      settings.width = frame.layout.width;
      settings.height = frame.layout.height;
      settings.totalFrames = 1;  // the weights are those of this frame
      settings.cropToOutput = choice.cropToOutput;
      settings.mask.invert = choice.invert ? 1 : 0;
      if (!matteWipe_.Apply(settings)) return RESULT_FAILED;
      frame_ = &frame;
      const int32_t result = matteWipe_.Render(*weights, 0, fetchArg, output, outputBytes);
      frame_ = nullptr;
      return result;
    }
    kavro::TransitionSettings settings;
    settings.width = frame.layout.width;
    settings.height = frame.layout.height;
    // The setup's length is the mask's: the frame index handed over is a mask frame.
    settings.totalFrames = kavro::MaskFrameCount(choice.mask);
    settings.cropToOutput = choice.cropToOutput;
    settings.mask.maskIndex = choice.mask;
    settings.mask.invert = choice.invert ? 1 : 0;
    settings.mask.reverse = choice.reverse ? 1 : 0;
    if (!transition_.Apply(settings)) return RESULT_FAILED;
    frame_ = &frame;
    const int32_t result = transition_.Render(choice.maskFrame, fetchArg, output, outputBytes);
    frame_ = nullptr;
    return result;
  }

 private:
  static uint8_t FetchA(uintptr_t userData, FrameFormat* request, uint32_t, int32_t, FrameBuffer* buffer) {
    auto* renderer = reinterpret_cast<WipeRenderer*>(userData);
    return renderer && renderer->frame_ ? renderer->Fetch(renderer->frame_->a, request, buffer) : 0;
  }

  static uint8_t FetchB(uintptr_t userData, FrameFormat* request, uint32_t, int32_t, FrameBuffer* buffer) {
    auto* renderer = reinterpret_cast<WipeRenderer*>(userData);
    return renderer && renderer->frame_ ? renderer->Fetch(renderer->frame_->b, request, buffer) : 0;
  }

  // MLT's packed rows are the plug-in's rows; only the alpha plane moves in
  // behind them (or is made opaque). Every picture handed over here is
  // opaque, and the plug-in keeps its work buffer from frame to frame and
  // never writes its alpha plane: once B's opaque plane is in a work buffer
  // of this size, later B pictures need only their rows.
  uint8_t Fetch(const SourcePicture& source, const FrameFormat* request, FrameBuffer* buffer) {
    if (!request || !buffer || !source.image) return 0;
    const kavro::PackedLayout& own = frame_->layout;
    const std::optional<kavro::PackedLayout> asked = kavro::FetchLayout(*request, *buffer);
    if (!asked || asked->width != own.width || asked->height != own.height || asked->stride != own.stride) return 0;
    if (&source == &frame_->b) {
      const bool planeHeld =
          buffer->data == opaqueWork_ && own.width == opaqueWorkWidth_ && own.height == opaqueWorkHeight_;
      CopyPicture(source, own, buffer->data, !planeHeld);
      opaqueWork_ = buffer->data;
      opaqueWorkWidth_ = own.width;
      opaqueWorkHeight_ = own.height;
    } else if (buffer->data != frame_->outputHoldingA) {
      CopyPicture(source, own, buffer->data);
    }
    kavro::ReportSourceValues(*request, frame_->shown, *buffer);
    return 1;
  }

  kavro::HostedTransition transition_;
  kavro::MatteWipe matteWipe_;
  const WipeFrame* frame_ = nullptr;  // during Render only
  // The work buffer whose alpha plane holds an opaque one, and its frame size.
  const uint8_t* opaqueWork_ = nullptr;
  uint32_t opaqueWorkWidth_ = 0, opaqueWorkHeight_ = 0;
};

// The transition objects of one MLT transition. MLT renders several frames
// of a transition at once on its worker threads; each render takes an object
// of its own from here and gives it back, so no object is ever shared.
class RendererPool {
 public:
  // A spare object, or a new one; null when the plug-in gives none.
  std::unique_ptr<WipeRenderer> Take() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!spare_.empty()) {
        std::unique_ptr<WipeRenderer> renderer = std::move(spare_.back());
        spare_.pop_back();
        return renderer;
      }
    }
    const KavroCreateVideoTransitionProc factory = PluginFactory();
    if (!factory) return nullptr;
    auto renderer = std::make_unique<WipeRenderer>(factory);
    if (!renderer->valid()) {
      Problems().Tell("no transition", "the plug-in could not create a transition: such frames show source A");
      return nullptr;
    }
    return renderer;
  }

  void Give(std::unique_ptr<WipeRenderer> renderer) {
    if (!renderer) return;
    std::lock_guard<std::mutex> lock(mutex_);
    spare_.push_back(std::move(renderer));
  }

 private:
  std::mutex mutex_;
  std::vector<std::unique_ptr<WipeRenderer>> spare_;
};

// The matte a transition's properties name, opened when a frame first asks
// for it and kept while the path and the options stay the same (Kdenlive
// changes them as the user does); render threads share it. One that cannot
// be opened is said once for its path and tried again only when they change.
class MatteHeld {
 public:
  std::shared_ptr<kavro::Matte> Get(const std::string& path, const MatteOpening& opening) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (tried_ && path == path_ && opening == opening_) return matte_;
    tried_ = true;
    path_ = path;
    opening_ = opening;
    matte_.reset();
    kavro::MatteOptions options;
    options.kind = opening.kind;
    options.timing = opening.timing;
    options.softness = opening.softness;
    options.warn = [](const std::string& text) { Problems().Tell("matte frame " + text, text); };
    try {
      matte_ = kavro::Matte::Open(path, options);
    } catch (const std::exception& error) {
      Problems().Tell("matte " + path, std::string(error.what()) + ": such frames show source A");
    }
    return matte_;
  }

 private:
  std::mutex mutex_;
  bool tried_ = false;
  std::string path_;
  MatteOpening opening_;
  std::shared_ptr<kavro::Matte> matte_;
};

// What one transition keeps between frames: its transition objects, its
// matte, and what it has said about its own properties.
struct TransitionState {
  RendererPool pool;
  MatteHeld matte;
  kavro::ProblemsOnce problems{"kavro_wipe"};  // by property
};

void DestroyState(void* state) { delete static_cast<TransitionState*>(state); }

// The frame's settings, read under the service's lock: MLT's worker threads
// render frames of one transition at once. A value out of range or not
// understood is said once for each property of the transition, and a line
// once in the process (melt makes its transitions twice when it takes the
// profile from the first clip).
WipeChoice ReadChoice(mlt_transition transition, mlt_frame frame, kavro::ProblemsOnce& problems) {
  mlt_service service = MLT_TRANSITION_SERVICE(transition);
  mlt_properties properties = MLT_TRANSITION_PROPERTIES(transition);
  mlt_service_lock(service);
  const mlt_position position = mlt_transition_get_position(transition, frame);
  const mlt_position length = mlt_transition_get_length(transition);
  WipeChoice choice;
  const char* matte = mlt_properties_get(properties, kMatteProperty);
  const MaskNamed named = MaskFromText(mlt_properties_get(properties, kMaskProperty));
  if (matte && *matte) {
    choice.matte = matte;
  } else {
    if (!named.problem.empty() && problems.First(kMaskProperty)) Problems().Tell(named.problem, named.problem);
    choice.mask = named.mask;
    choice.matte = named.matte;
  }
  for (const char* property : {kProgressProperty, kInvertProperty, kReverseProperty, kCropProperty}) {
    const std::string problem = CheckValues(property, mlt_properties_get(properties, property),
                                            property == kProgressProperty ? ValueKind::kProgress : ValueKind::kFlag);
    if (!problem.empty() && problems.First(property)) Problems().Tell(problem, problem);
  }
  const MatteOpeningRead opening =
      ReadMatteOpening(mlt_properties_get(properties, kTimingProperty), mlt_properties_get(properties, kKindProperty),
                       mlt_properties_get(properties, kSoftnessProperty));
  for (const auto& [property, problem] : opening.problems) {
    if (problems.First(property)) Problems().Tell(problem, problem);
  }
  choice.opening = opening.opening;
  const char* progress = mlt_properties_get(properties, kProgressProperty);
  WipeTime& time = choice.time;
  if (progress && *progress && !ProgressLeftAsDropped(progress)) {
    time.byProgress = true;
    time.progress = mlt_properties_anim_get_double(properties, kProgressProperty, position, length);
  } else if (length > 0) {
    time.position = position;
    time.length = length;
  } else {
    // Always active (no out point): MLT's progress over the frame's producer.
    time.byProgress = true;
    time.progress = mlt_transition_get_progress(transition, frame);
  }
  const uint32_t maskFrames = kavro::MaskFrameCount(choice.mask);
  choice.maskFrame = time.byProgress ? kavro::MaskFrameAtProgress(time.progress, maskFrames)
                                     : kavro::MaskFrameAtPosition(time.position, time.length, maskFrames);
  choice.invert = mlt_properties_anim_get_int(properties, kInvertProperty, position, length) != 0;
  choice.reverse = mlt_properties_anim_get_int(properties, kReverseProperty, position, length) != 0;
  choice.cropToOutput = mlt_properties_anim_get_int(properties, kCropProperty, position, length) != 0;
  mlt_service_unlock(service);
  return choice;
}

// A frame's alpha plane when it covers the picture; null (opaque) when there
// is none. `usable` turns false for a plane too small for the picture.
const uint8_t* AlphaOf(mlt_frame frame, int pixels, bool& usable) {
  int size = 0;
  const uint8_t* alpha = mlt_frame_get_alpha_size(frame, &size);
  if (alpha && size > 0 && size < pixels) usable = false;
  return alpha;
}

bool IsOpaque(const uint8_t* alpha, int pixels) {
  if (!alpha) return true;
  for (int i = 0; i < pixels; ++i) {
    if (alpha[i] != 0xFF) return false;
  }
  return true;
}

// Frames with transparency are mixed the way MLT's transitions take their
// tracks: B, the upper one, laid over A by B's alpha, and that mixed into A
// by the mask's weight; the alpha planes likewise. The plug-in gets opaque
// frames for it: A and B-over-A for the picture, then both alpha planes as
// luma for the alpha, so each comes out of the same fitted mask and kernel.
int32_t RenderLayered(WipeRenderer& renderer, const WipeFrame& frame, const WipeChoice& choice,
                      const kavro::MatteWeights* weights, int32_t fetchArg, uint8_t* mixed, uint64_t bytes) {
  const kavro::PackedLayout& layout = frame.layout;
  const size_t pixels = size_t{layout.width} * layout.height;
  std::vector<uint8_t>&over = renderer.over, &alphaA = renderer.alphaA, &alphaOver = renderer.alphaOver,
  &alphaMixed = renderer.alphaMixed;
  over.resize(2 * pixels);
  alphaA.assign(2 * pixels, 128);
  alphaOver.assign(2 * pixels, 128);
  alphaMixed.resize(static_cast<size_t>(bytes));
  for (size_t i = 0; i < pixels; ++i) {
    const int a = frame.a.alpha ? frame.a.alpha[i] : 255, b = frame.b.alpha ? frame.b.alpha[i] : 255;
    // A pixel's luma and its chroma byte, both under its own alpha.
    for (size_t byte = 2 * i; byte < 2 * i + 2; ++byte) {
      over[byte] = static_cast<uint8_t>((frame.b.image[byte] * b + frame.a.image[byte] * (255 - b) + 127) / 255);
    }
    alphaA[2 * i] = static_cast<uint8_t>(a);
    alphaOver[2 * i] = static_cast<uint8_t>(b + (a * (255 - b) + 127) / 255);
  }
  WipeFrame picture = frame;
  picture.a.alpha = picture.b.alpha = nullptr;
  picture.b.image = over.data();
  picture.outputHoldingA = nullptr;
  int32_t result = renderer.Render(picture, choice, weights, fetchArg, mixed, bytes);
  if (result != RESULT_OK) return result;
  WipeFrame alpha = picture;
  alpha.a.image = alphaA.data();
  alpha.b.image = alphaOver.data();
  result = renderer.Render(alpha, choice, weights, fetchArg, alphaMixed.data(), bytes);
  if (result != RESULT_OK) return result;
  uint8_t* const plane = mixed + layout.alphaOffset();
  for (size_t i = 0; i < pixels; ++i) plane[i] = alphaMixed[2 * i];
  return RESULT_OK;
}

kavro::FrameRate FrameRateOf(mlt_profile profile) {
  if (!profile || profile->frame_rate_num <= 0 || profile->frame_rate_den <= 0) return {};
  return {static_cast<uint32_t>(profile->frame_rate_num), static_cast<uint32_t>(profile->frame_rate_den)};
}

// Mixes B into A's picture. A stays the result when anything is missing.
int GetImage(mlt_frame aFrame, uint8_t** image, mlt_image_format* format, int* width, int* height, int writable) {
  mlt_frame bFrame = mlt_frame_pop_frame(aFrame);
  auto transition = static_cast<mlt_transition>(mlt_frame_pop_service(aFrame));
  mlt_properties properties = MLT_TRANSITION_PROPERTIES(transition);
  auto* state = static_cast<TransitionState*>(mlt_properties_get_data(properties, kStateKey, nullptr));
  if (!state) return mlt_frame_get_image(aFrame, image, format, width, height, writable);
  RendererPool* pool = &state->pool;
  WipeChoice choice = ReadChoice(transition, aFrame, state->problems);
  std::shared_ptr<kavro::Matte> matte;
  if (!choice.matte.empty()) {
    matte = state->matte.Get(choice.matte, choice.opening);
    if (!matte) return mlt_frame_get_image(aFrame, image, format, width, height, writable);
  }

  *format = mlt_image_yuv422;
  const int error = mlt_frame_get_image(aFrame, image, format, width, height, writable);
  if (error || !*image || !bFrame || *format != mlt_image_yuv422 || !PluginFactory()) return error;
  if (*width <= 0 || *height <= 0 || *width % 2 != 0) {
    Problems().Tell("unusable picture", "pictures " + std::to_string(*width) + " pixels wide (not even) show source A");
    return 0;
  }
  if (!kavro::SizeWithinLimits(*width, *height)) {
    Problems().Tell("unusable picture", "pictures of " + std::to_string(*width) + "x" + std::to_string(*height) + " (" +
                                            kavro::SizeLimitsText() + ") show source A");
    return 0;
  }
  WipeFrame frame;
  frame.layout = kavro::PackedLayout(static_cast<uint32_t>(*width), static_cast<uint32_t>(*height));
  // Within the limits a frame stays far below MLT's int-sized buffers.
  const uint64_t bytes = frame.layout.bufferBytes();
  static_assert(4 * kavro::kMaxArea < INT32_MAX, "a frame of the largest area must fit MLT's buffers");
  const int pixels = *width * *height;
  bool usable = true;
  frame.a = {*image, AlphaOf(aFrame, pixels, usable)};
  if (!usable) {
    Problems().Tell("unusable picture", "an alpha plane smaller than its picture: such frames show source A");
    return 0;
  }
  auto* mixed = static_cast<uint8_t*>(mlt_pool_alloc(static_cast<int>(bytes)));
  if (!mixed) return 0;

  uint8_t* bImage = nullptr;
  mlt_image_format bFormat = mlt_image_yuv422;
  int bWidth = *width, bHeight = *height;
  bool bTaken = false;
  {
    PackOnHelper packing(frame.a, frame.layout, mixed);
    bTaken = mlt_frame_get_image(bFrame, &bImage, &bFormat, &bWidth, &bHeight, 0) == 0 && bImage &&
             bFormat == mlt_image_yuv422 && bWidth == *width && bHeight == *height;
  }
  frame.b = {bImage, bTaken ? AlphaOf(bFrame, pixels, usable) : nullptr};
  if (!bTaken || !usable) {
    Problems().Tell("unusable picture", bTaken ? "an alpha plane smaller than its picture: such frames show source A"
                                               : "source B came in another size or format than A: such frames show "
                                                 "source A");
    mlt_pool_release(mixed);
    return 0;
  }
  mlt_profile profile = mlt_service_profile(MLT_TRANSITION_SERVICE(transition));
  const int pixelWidth = profile ? profile->sample_aspect_num : 1,
            pixelHeight = profile ? profile->sample_aspect_den : 1;
  frame.shown = ShownProportions(frame.layout.width, frame.layout.height, pixelWidth, pixelHeight);
  // The plug-in crops to the output's proportions in pixels; with pixels that
  // are not square, the picture's shown proportions are what it must crop
  // to, and those are what the fetches report.
  if (choice.cropToOutput && pixelWidth > 0 && pixelHeight > 0 && pixelWidth != pixelHeight) {
    choice.cropToOutput = false;
  }
  const int32_t fetchArg = static_cast<int32_t>(mlt_frame_get_position(aFrame));

  std::unique_ptr<WipeRenderer> renderer;
  int32_t result = RESULT_FAILED;
  try {
    kavro::MatteWeights weights;
    if (matte) {
      const WipeTime& time = choice.time;
      weights = time.byProgress ? matte->WeightsAtProgress(time.progress, choice.reverse)
                                : matte->WeightsAt(time.position, time.length, FrameRateOf(profile), choice.reverse);
    }
    const kavro::MatteWeights* matteWeights = matte ? &weights : nullptr;
    renderer = pool->Take();
    if (renderer && IsOpaque(frame.a.alpha, pixels) && IsOpaque(frame.b.alpha, pixels)) {
      frame.outputHoldingA = mixed;
      result = renderer->Render(frame, choice, matteWeights, fetchArg, mixed, bytes);
    } else if (renderer) {
      result = RenderLayered(*renderer, frame, choice, matteWeights, fetchArg, mixed, bytes);
    }
  } catch (const kavro::HostingError& failure) {
    // No frame of the matte decodes (said once, with its path).
    Problems().Tell("matte frames " + choice.matte, std::string(failure.what()) + ": such frames show source A");
    mlt_pool_release(mixed);
    pool->Give(std::move(renderer));
    return 0;
  } catch (const std::exception&) {
    result = RESULT_FAILED;
  }
  pool->Give(std::move(renderer));
  if (result != RESULT_OK) {
    if (PluginFactory()) {
      Problems().Tell("render failed", kavro::PluginAnswerText(result) + " for a frame: such frames show source A");
    }
    mlt_pool_release(mixed);
    return 0;
  }
  // The frame owns the buffer; picture and alpha plane both point into it, so
  // neither can outlive the other's storage.
  mlt_properties aProperties = MLT_FRAME_PROPERTIES(aFrame);
  mlt_properties_set_data(aProperties, kFrameKey, mixed, static_cast<int>(bytes), mlt_pool_release, nullptr);
  mlt_frame_set_image(aFrame, mixed, static_cast<int>(frame.layout.alphaOffset()), nullptr);
  mlt_frame_set_alpha(aFrame, mixed + frame.layout.alphaOffset(), pixels, nullptr);
  *image = mixed;
  return 0;
}

mlt_frame Process(mlt_transition transition, mlt_frame aFrame, mlt_frame bFrame) {
  mlt_frame_push_service(aFrame, transition);
  mlt_frame_push_frame(aFrame, bFrame);
  mlt_frame_push_get_image(aFrame, GetImage);
  return aFrame;
}

// MLT's constructor for the service; `argument` (as in kavro_wipe:wafu2)
// sets the mask.
void* CreateWipeTransition(mlt_profile, mlt_service_type, const char*, const void* argument) {
  mlt_transition transition = mlt_transition_new();
  if (!transition) return nullptr;
  auto* state = new (std::nothrow) TransitionState;
  if (!state) {
    mlt_transition_close(transition);
    return nullptr;
  }
  mlt_properties properties = MLT_TRANSITION_PROPERTIES(transition);
  mlt_properties_set_data(properties, kStateKey, state, 0, DestroyState, nullptr);
  mlt_properties_set_int(properties, "_transition_type", 1);  // video only
  if (argument) mlt_properties_set(properties, kMaskProperty, static_cast<const char*>(argument));
  transition->process = Process;
  return transition;
}

bool IsFile(const std::string& path) {
  struct stat info = {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Beside the plug-in, then in MLT's data folder, where a system install puts it.
mlt_properties Metadata(mlt_service_type, const char*, void*) {
  std::string path = PluginFolder() + kMetadataFile;
  if (!IsFile(path)) {
    const char* data = mlt_environment("MLT_DATA");
    if (!data) return nullptr;
    path = std::string(data) + "/kavro/" + kMetadataFile;
  }
  return mlt_properties_parse_yaml(path.c_str());
}

}  // namespace

}  // namespace kavro_mlt

extern "C" __attribute__((visibility("default"))) MLT_REPOSITORY {
  MLT_REGISTER(mlt_service_transition_type, "kavro_wipe", kavro_mlt::CreateWipeTransition);
  MLT_REGISTER_METADATA(mlt_service_transition_type, "kavro_wipe", kavro_mlt::Metadata, nullptr);
}

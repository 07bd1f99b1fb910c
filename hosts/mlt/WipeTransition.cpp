#include "WipeTransition.h"

#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "hosting/MaskChoice.h"
#include "media/MediaLimits.h"
#include "PackOnHelper.h"
#include "media/PackedFrame.h"
#include "PluginFolder.h"
#include "RendererPool.h"
#include "WipeChoice.h"
#include "WipeProperties.h"

namespace kavro_mlt {

namespace {

constexpr const char* kPoolKey = "_kavro_wipe_pool";
constexpr const char* kFrameKey = "_kavro_wipe_frame";

void DestroyPool(void* pool) { delete static_cast<RendererPool*>(pool); }

// The frame's settings, read under the service's lock: MLT's worker threads
// render frames of one transition at once.
WipeChoice ReadChoice(mlt_transition transition, mlt_frame frame) {
  mlt_service service = MLT_TRANSITION_SERVICE(transition);
  mlt_properties properties = MLT_TRANSITION_PROPERTIES(transition);
  mlt_service_lock(service);
  const mlt_position position = mlt_transition_get_position(transition, frame);
  const mlt_position length = mlt_transition_get_length(transition);
  WipeChoice choice;
  const MaskNamed named = MaskFromText(mlt_properties_get(properties, kMaskProperty));
  if (!named.understood) {
    TellOnce(Problem::kUnknownMask, std::string("no mask '") + mlt_properties_get(properties, kMaskProperty) +
                                        "': mask 0 (" + kavro::MaskName(0) + ") is used");
  }
  choice.mask = named.mask;
  const uint32_t maskFrames = kavro::MaskFrameCount(choice.mask);
  const char* progress = mlt_properties_get(properties, kProgressProperty);
  if (progress && *progress) {
    choice.maskFrame = MaskFrameAtProgress(
        mlt_properties_anim_get_double(properties, kProgressProperty, position, length), maskFrames);
  } else if (length > 0) {
    choice.maskFrame = MaskFrameAtPosition(position, length, maskFrames);
  } else {
    // Always active (no out point): MLT's progress over the frame's producer.
    choice.maskFrame = MaskFrameAtProgress(mlt_transition_get_progress(transition, frame), maskFrames);
  }
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

// Mixes B into A's picture. A stays the result when anything is missing.
int GetImage(mlt_frame aFrame, uint8_t** image, mlt_image_format* format, int* width, int* height, int writable) {
  mlt_frame bFrame = mlt_frame_pop_frame(aFrame);
  auto transition = static_cast<mlt_transition>(mlt_frame_pop_service(aFrame));
  mlt_properties properties = MLT_TRANSITION_PROPERTIES(transition);
  auto* pool = static_cast<RendererPool*>(mlt_properties_get_data(properties, kPoolKey, nullptr));
  const WipeChoice choice = ReadChoice(transition, aFrame);

  *format = mlt_image_yuv422;
  const int error = mlt_frame_get_image(aFrame, image, format, width, height, writable);
  if (error || !*image || !bFrame || !pool || *format != mlt_image_yuv422 || !PluginFactory()) return error;
  if (*width <= 0 || *height <= 0 || *width % 2 != 0) {
    TellOnce(Problem::kUnusablePicture, "pictures " + std::to_string(*width) + " pixels wide (not even) show source A");
    return 0;
  }
  if (!kavro::SizeWithinLimits(*width, *height)) {
    TellOnce(Problem::kUnusablePicture, "pictures of " + std::to_string(*width) + "x" + std::to_string(*height) + " (" +
                                            kavro::SizeLimitsText() + ") show source A");
    return 0;
  }
  const kavro::PackedLayout layout(static_cast<uint32_t>(*width), static_cast<uint32_t>(*height));
  // Within the limits a frame stays far below MLT's int-sized buffers.
  const uint64_t bytes = layout.bufferBytes();
  static_assert(4 * kavro::kMaxArea < INT32_MAX, "a frame of the largest area must fit MLT's buffers");
  const int pixels = *width * *height;
  bool usable = true;
  const SourcePicture a = {*image, AlphaOf(aFrame, pixels, usable)};
  if (!usable) {
    TellOnce(Problem::kUnusablePicture, "an alpha plane smaller than its picture: such frames show source A");
    return 0;
  }
  auto* mixed = static_cast<uint8_t*>(mlt_pool_alloc(static_cast<int>(bytes)));
  if (!mixed) return 0;

  uint8_t* bImage = nullptr;
  mlt_image_format bFormat = mlt_image_yuv422;
  int bWidth = *width, bHeight = *height;
  bool bTaken = false;
  {
    PackOnHelper packing(a, layout, mixed);
    bTaken = mlt_frame_get_image(bFrame, &bImage, &bFormat, &bWidth, &bHeight, 0) == 0 && bImage &&
             bFormat == mlt_image_yuv422 && bWidth == *width && bHeight == *height;
  }
  const SourcePicture b = {bImage, bTaken ? AlphaOf(bFrame, pixels, usable) : nullptr};
  if (!bTaken || !usable) {
    TellOnce(Problem::kUnusablePicture, bTaken ? "an alpha plane smaller than its picture: such frames show source A"
                                               : "source B came in another size or format than A: such frames show "
                                                 "source A");
    mlt_pool_release(mixed);
    return 0;
  }

  WipeFrame frame;
  frame.width = layout.width;
  frame.height = layout.height;
  frame.a = a;
  frame.b = b;
  frame.outputHoldingA = mixed;
  mlt_profile profile = mlt_service_profile(MLT_TRANSITION_SERVICE(transition));
  const Proportions shown = ShownProportions(frame.width, frame.height, profile ? profile->sample_aspect_num : 1,
                                             profile ? profile->sample_aspect_den : 1);
  frame.aspectWidth = shown.width;
  frame.aspectHeight = shown.height;
  frame.choice = choice;
  frame.fetchArg = static_cast<int32_t>(mlt_frame_get_position(aFrame));

  std::unique_ptr<WipeRenderer> renderer;
  int32_t result = RESULT_FAILED;
  try {
    renderer = pool->Take();
    if (renderer) result = renderer->Render(frame, mixed, bytes);
  } catch (const std::exception&) {
    result = RESULT_FAILED;
  }
  pool->Give(std::move(renderer));
  if (result != RESULT_OK) {
    if (PluginFactory()) {
      TellOnce(Problem::kRenderFailed,
               "the plug-in answered " + std::to_string(result) + " for a frame: such frames show source A");
    }
    mlt_pool_release(mixed);
    return 0;
  }
  // The frame owns the buffer; picture and alpha plane both point into it, so
  // neither can outlive the other's storage.
  mlt_properties aProperties = MLT_FRAME_PROPERTIES(aFrame);
  mlt_properties_set_data(aProperties, kFrameKey, mixed, static_cast<int>(bytes), mlt_pool_release, nullptr);
  mlt_frame_set_image(aFrame, mixed, static_cast<int>(layout.alphaOffset()), nullptr);
  mlt_frame_set_alpha(aFrame, mixed + layout.alphaOffset(), pixels, nullptr);
  *image = mixed;
  return 0;
}

mlt_frame Process(mlt_transition transition, mlt_frame aFrame, mlt_frame bFrame) {
  mlt_frame_push_service(aFrame, transition);
  mlt_frame_push_frame(aFrame, bFrame);
  mlt_frame_push_get_image(aFrame, GetImage);
  return aFrame;
}

}  // namespace

void* CreateWipeTransition(mlt_profile, mlt_service_type, const char*, const void* argument) {
  mlt_transition transition = mlt_transition_new();
  if (!transition) return nullptr;
  auto* pool = new (std::nothrow) RendererPool;
  if (!pool) {
    mlt_transition_close(transition);
    return nullptr;
  }
  mlt_properties properties = MLT_TRANSITION_PROPERTIES(transition);
  mlt_properties_set_data(properties, kPoolKey, pool, 0, DestroyPool, nullptr);
  mlt_properties_set_int(properties, "_transition_type", 1);  // video only
  if (argument) mlt_properties_set(properties, kMaskProperty, static_cast<const char*>(argument));
  transition->process = Process;
  return transition;
}

}  // namespace kavro_mlt

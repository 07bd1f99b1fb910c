// The plug-in as a host sees it: the transition interface and the exported
// factory. Include this header alone; it brings the records with it.
#pragma once

#include <stdint.h>

#include "KavroHostRecords.h"
#include "KivVector.h"

#if defined(_WIN32)
#if defined(KIV_BUILDING_PLUGIN)
#define KIV_PLUGIN_API  // the module-definition file lists every export
#else
#define KIV_PLUGIN_API __declspec(dllimport)
#endif
#define KIV_CDECL __cdecl
#else
#define KIV_PLUGIN_API __attribute__((visibility("default")))
#define KIV_CDECL
#endif

// Result codes of RenderFrame.
enum KIV_RENDER_RESULT : int32_t {
  RESULT_OK = 0,
  RESULT_OUT_OF_MEMORY = 1,
  RESULT_FAILED = 2,
  RESULT_NOT_SET_UP = 3,
};

// The slot order is fixed: hosts call through the table by position.
// There is deliberately no virtual destructor; objects end with Release().
class KIV_PLUGIN_API IKavroVideoTransition {
 public:
  IKavroVideoTransition();
  IKavroVideoTransition(const IKavroVideoTransition&);
  IKavroVideoTransition& operator=(const IKavroVideoTransition&);

  virtual uint32_t Reserved0(uint32_t value) = 0;                                               // slot 0
  virtual const TransitionVersion* GetVersion() = 0;                                            // slot 1
  virtual kiv::vector<KIV_COLOR_FORMAT>* GetSupportedFormats() = 0;                             // slot 2
  virtual TransitionSetup* SetSetup(const TransitionSetup* setup) = 0;                          // slot 3
  virtual void SetParameters(const ParameterDescriptor* parameters) = 0;                        // slot 4
  virtual int32_t RenderFrame(uint32_t frameIndex, int32_t fetchArg, FrameBuffer* output) = 0;  // slot 5
  virtual TransitionSetup* GetSetup() = 0;                                                      // slot 6
  virtual ParameterDescriptor* GetParameters() = 0;                                             // slot 7
  virtual uintptr_t Reserved8() = 0;                                                            // slot 8
  virtual void Reserved9(uint32_t value) = 0;                                                   // slot 9
  virtual void Reserved10(uint32_t value) = 0;                                                  // slot 10
  virtual void Reserved11() = 0;                                                                // slot 11
  virtual uint8_t ShowSettingsDialog() = 0;                                                     // slot 12
  virtual void ReleaseWorkBuffer() = 0;                                                         // slot 13
  virtual void Release() = 0;                                                                   // slot 14

 protected:
  ~IKavroVideoTransition() = default;
};

// Creates one transition object; nonzero on success. The caller gives the
// object back with Release(), never with delete.
extern "C" KIV_PLUGIN_API uint8_t KIV_CDECL KavroCreateVideoTransition(IKavroVideoTransition** transition);

typedef uint8_t(KIV_CDECL* KavroCreateVideoTransitionProc)(IKavroVideoTransition** transition);

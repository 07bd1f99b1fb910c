// What the plug-in uses of the image library (libPeltU / PeltU.dll).
#pragma once

#if defined(_WIN32)
#if defined(PELT_BUILDING_LIBRARY)
#define PELT_API __declspec(dllexport)
#else
#define PELT_API __declspec(dllimport)
#endif
#else
#define PELT_API __attribute__((visibility("default")))
#endif

// Starts and stops the library; calls nest. InitializePelt answers the depth
// reached, UninitializePelt the depth left (negative when it was not started).
PELT_API int InitializePelt(int flags);
PELT_API int UninitializePelt();

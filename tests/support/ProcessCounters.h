// What a process holds, counted from inside it (Windows only): heap bytes in
// use, kernel handles and GDI objects. Leak tests compare two readings.
#pragma once

#include <stddef.h>

struct ProcessCounters {
  size_t heapBytes = 0;     // busy bytes over every heap of the process
  long kernelHandles = -1;  // -1: the system could not say
  long gdiObjects = -1;

  static ProcessCounters Now();
  // Reads again for up to two seconds until the handle and GDI counts are
  // back at `earlier`'s: the system tears ended threads down a little later.
  static ProcessCounters Settled(const ProcessCounters& earlier);
};

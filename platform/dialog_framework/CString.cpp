#include "CString.h"

#include <stdarg.h>
#include <wchar.h>

#include <vector>

void CString::Format(const wchar_t* format, ...) {
  std::vector<wchar_t> buffer(128);
  for (;;) {
    va_list arguments;
    va_start(arguments, format);
    const int written = vswprintf(buffer.data(), buffer.size(), format, arguments);
    va_end(arguments);
    if (written >= 0 && static_cast<size_t>(written) < buffer.size()) {
      text_.assign(buffer.data(), static_cast<size_t>(written));
      return;
    }
    // vswprintf only says "too small", or the format is bad; stop somewhere.
    if (buffer.size() >= 65536) {
      text_.clear();
      return;
    }
    buffer.resize(buffer.size() * 4);
  }
}

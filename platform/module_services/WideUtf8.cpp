#include "WideUtf8.h"

#include <cstdint>

namespace kiv_platform {

std::string WideToUtf8(const wchar_t* text) {
  std::string out;
  for (; *text; ++text) {
    uint32_t c = static_cast<uint32_t>(*text);
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::wstring Utf8ToWide(const char* text) {
  std::wstring out;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  while (*s) {
    uint32_t c = *s;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (c >= 0x80 && extra == 0) {  // stray continuation byte
      out += L'\uFFFD';
      ++s;
      continue;
    }
    c &= extra == 3 ? 0x07 : extra == 2 ? 0x0F : extra == 1 ? 0x1F : 0x7F;
    ++s;
    bool valid = true;
    for (int i = 0; i < extra; ++i, ++s) {
      if ((*s & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      c = (c << 6) | (*s & 0x3F);
    }
    out += valid ? static_cast<wchar_t>(c) : L'\uFFFD';
  }
  return out;
}

}  // namespace kiv_platform

// Reads an extended dialog template, as stored in a module's resources.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

struct TemplateItem {
  uint32_t helpId = 0;
  uint32_t exStyle = 0;
  uint32_t style = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  int32_t id = 0;
  uint16_t classAtom = 0;  // 0x80 button, 0x82 static, 0x85 combo box; 0 when named
  std::wstring className;
  std::wstring text;
  uint16_t extraBytes = 0;
};

struct DialogTemplate {
  uint16_t version = 0;
  uint16_t signature = 0;
  uint32_t helpId = 0;
  uint32_t exStyle = 0;
  uint32_t style = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::wstring menu;
  std::wstring windowClass;
  std::wstring title;
  uint16_t pointSize = 0;
  uint16_t weight = 0;
  uint8_t italic = 0;
  uint8_t charset = 0;
  std::wstring typeface;
  std::vector<TemplateItem> items;
};

// False when the bytes end early or are not an extended template.
bool ReadDialogTemplate(const void* bytes, size_t size, DialogTemplate& out);

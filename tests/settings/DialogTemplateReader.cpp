#include "DialogTemplateReader.h"

#include <string.h>

namespace {

class Reader {
 public:
  Reader(const void* bytes, size_t size) : at_(static_cast<const uint8_t*>(bytes)), end_(at_ + size) {}

  bool ok() const { return ok_; }

  template <typename T>
  T Take() {
    T value{};
    if (static_cast<size_t>(end_ - at_) < sizeof value) {
      ok_ = false;
      return value;
    }
    memcpy(&value, at_, sizeof value);
    at_ += sizeof value;
    return value;
  }

  std::wstring Text() {
    std::wstring text;
    for (uint16_t c = Take<uint16_t>(); ok_ && c != 0; c = Take<uint16_t>()) text += static_cast<wchar_t>(c);
    return text;
  }

  // A name or an ordinal: 0xFFFF then a 16-bit number, or a text.
  std::wstring NameOrOrdinal(uint16_t& ordinal) {
    ordinal = 0;
    const uint8_t* mark = at_;
    if (Take<uint16_t>() == 0xFFFF) {
      ordinal = Take<uint16_t>();
      return std::wstring();
    }
    at_ = mark;
    return Text();
  }

  void AlignTo4(const void* start) {
    while (ok_ && (at_ - static_cast<const uint8_t*>(start)) % 4 != 0) Take<uint8_t>();
  }

 private:
  const uint8_t* at_;
  const uint8_t* end_;
  bool ok_ = true;
};

}  // namespace

bool ReadDialogTemplate(const void* bytes, size_t size, DialogTemplate& out) {
  Reader in(bytes, size);
  out.version = in.Take<uint16_t>();
  out.signature = in.Take<uint16_t>();
  if (!in.ok() || out.version != 1 || out.signature != 0xFFFF) return false;
  out.helpId = in.Take<uint32_t>();
  out.exStyle = in.Take<uint32_t>();
  out.style = in.Take<uint32_t>();
  const uint16_t count = in.Take<uint16_t>();
  out.x = in.Take<int16_t>();
  out.y = in.Take<int16_t>();
  out.cx = in.Take<int16_t>();
  out.cy = in.Take<int16_t>();
  uint16_t ordinal = 0;
  out.menu = in.NameOrOrdinal(ordinal);
  out.windowClass = in.NameOrOrdinal(ordinal);
  out.title = in.Text();
  if (out.style & 0x40) {  // DS_SETFONT
    out.pointSize = in.Take<uint16_t>();
    out.weight = in.Take<uint16_t>();
    out.italic = in.Take<uint8_t>();
    out.charset = in.Take<uint8_t>();
    out.typeface = in.Text();
  }
  for (uint16_t i = 0; i < count && in.ok(); ++i) {
    in.AlignTo4(bytes);
    TemplateItem item;
    item.helpId = in.Take<uint32_t>();
    item.exStyle = in.Take<uint32_t>();
    item.style = in.Take<uint32_t>();
    item.x = in.Take<int16_t>();
    item.y = in.Take<int16_t>();
    item.cx = in.Take<int16_t>();
    item.cy = in.Take<int16_t>();
    item.id = in.Take<int32_t>();
    item.className = in.NameOrOrdinal(item.classAtom);
    uint16_t textOrdinal = 0;
    item.text = in.NameOrOrdinal(textOrdinal);
    item.extraBytes = in.Take<uint16_t>();
    for (uint16_t b = 0; b < item.extraBytes; ++b) in.Take<uint8_t>();
    out.items.push_back(item);
  }
  return in.ok() && out.items.size() == count;
}

// The dialog framework's text class, reduced to what the plug-in uses.
// Wide characters, like the framework's Unicode build.
#pragma once

#include <string>

class CString {
 public:
  CString() = default;
  CString(const wchar_t* text) : text_(text ? text : L"") {}  // NOLINT: implicit like the framework's

  const wchar_t* GetString() const { return text_.c_str(); }
  operator const wchar_t*() const { return text_.c_str(); }  // NOLINT: the framework converts implicitly
  int GetLength() const { return static_cast<int>(text_.size()); }
  bool IsEmpty() const { return text_.empty(); }
  void Empty() { text_.clear(); }

  // printf-style formatting of wide text; a format that cannot be formatted
  // leaves the text empty.
  void Format(const wchar_t* format, ...);

  friend bool operator==(const CString& a, const CString& b) { return a.text_ == b.text_; }
  friend bool operator!=(const CString& a, const CString& b) { return a.text_ != b.text_; }

 private:
  std::wstring text_;
};

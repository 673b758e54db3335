// WString: the one text type of the program, a growable string of UTF-16 code
// units with value semantics. Code units are compared as unsigned 16-bit
// values; there is no locale, case folding or surrogate handling, and the
// calculator signs U+0080..U+00FF are ordinary units.
//
// Positions and counts are signed 32-bit. A position beyond the length, or a
// length past kMaxLength, is a program error and ends the program (callers
// check first; TryRemoveAt exists for the input line's backspace and delete).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace abacine {

class WString {
 public:
  static constexpr int32_t kMaxLength = 2147483646;

  WString();
  WString(const char16_t* text);  // NOLINT(google-explicit-constructor): text literals read naturally
  WString(const char16_t* units, int32_t count);
  WString(const WString& other, int32_t start, int32_t count);  // count is cut to what remains
  WString(const WString&) = default;
  WString(WString&&) noexcept = default;
  WString& operator=(const WString&) = default;
  WString& operator=(WString&&) noexcept = default;

  // Assignment reuses the buffer when it is large enough.
  WString& Assign(const char16_t* text);
  WString& Assign(const char16_t* units, int32_t count);
  WString& AssignRepeated(int32_t count, char16_t unit);

  WString& Append(const char16_t* text);
  WString& Append(const WString& other);
  WString& Append(const char16_t* units, int32_t count);
  WString& Append(char16_t unit);
  // Appends value in radix 2..36 (lower-case digits, '-' for negatives, no
  // leading zeros). Any other radix is treated as 10.
  WString& AppendInt(int32_t value, int radix = 10);

  // Inserts other before position pos (0 <= pos <= Length()).
  WString& Insert(int32_t pos, const WString& other);

  // Removes count units from pos; count is cut to what remains.
  WString& Remove(int32_t pos, int32_t count);
  WString& RemoveAt(int32_t pos);
  // Removes the unit at i and returns true; returns false and changes nothing
  // when i is not inside the text.
  bool TryRemoveAt(int32_t i);

  int32_t Length() const { return static_cast<int32_t>(text_.size()); }
  bool Empty() const { return text_.empty(); }
  const char16_t* CStr() const { return text_.c_str(); }
  char16_t operator[](int32_t i) const;
  std::u16string_view View() const { return text_; }

  bool Equals(const char16_t* text) const;
  bool operator==(const WString& other) const { return text_ == other.text_; }
  bool operator==(const char16_t* text) const { return Equals(text); }
  bool IsChar(char16_t unit) const { return text_.size() == 1 && text_[0] == unit; }

  // Three-way comparison of two runs of count units: -1, 0 or 1 by the first
  // differing unit.
  static int CompareUnits(const char16_t* a, const char16_t* b, int32_t count);

 private:
  void GrowFor(size_t extra);

  std::u16string text_;
};

WString operator+(const WString& left, const char16_t* right);

// Length of a zero-terminated UTF-16 text.
int32_t TextLength(const char16_t* text);

}  // namespace abacine

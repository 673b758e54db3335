#include "text/wstring.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace abacine {
namespace {

[[noreturn]] void Fatal(const char* what) {
  std::fprintf(stderr, "WString: %s\n", what);
  std::abort();
}

void CheckPosition(int32_t pos, int32_t length) {
  if (pos < 0 || pos > length) Fatal("position beyond the length");
}

void CheckCount(int32_t count) {
  if (count < 0) Fatal("negative count");
}

}  // namespace

int32_t TextLength(const char16_t* text) {
  if (text == nullptr) return 0;
  size_t n = std::char_traits<char16_t>::length(text);
  if (n > static_cast<size_t>(WString::kMaxLength)) Fatal("text too long");
  return static_cast<int32_t>(n);
}

WString::WString() { text_.reserve(7); }

WString::WString(const char16_t* text) : WString() { Append(text); }

WString::WString(const char16_t* units, int32_t count) : WString() { Append(units, count); }

WString::WString(const WString& other, int32_t start, int32_t count) : WString() {
  CheckPosition(start, other.Length());
  CheckCount(count);
  count = std::min(count, other.Length() - start);
  Append(other.CStr() + start, count);
}

// Growth doubles: a string of length s that must take n more units gets room
// for s + max(s, n) units, so repeated single appends stay linear.
void WString::GrowFor(size_t extra) {
  size_t s = text_.size();
  if (extra > static_cast<size_t>(kMaxLength) - s) Fatal("length limit exceeded");
  if (s + extra > text_.capacity()) text_.reserve(s + std::max(s, extra));
}

WString& WString::Assign(const char16_t* text) { return Assign(text, TextLength(text)); }

WString& WString::Assign(const char16_t* units, int32_t count) {
  CheckCount(count);
  text_.assign(units, static_cast<size_t>(count));
  return *this;
}

WString& WString::AssignRepeated(int32_t count, char16_t unit) {
  CheckCount(count);
  text_.assign(static_cast<size_t>(count), unit);
  return *this;
}

WString& WString::Append(const char16_t* text) { return Append(text, TextLength(text)); }

WString& WString::Append(const WString& other) {
  // Appending a string to itself must read the old text, so copy first.
  if (&other == this) {
    std::u16string copy = text_;
    return Append(copy.data(), Length());
  }
  return Append(other.CStr(), other.Length());
}

WString& WString::Append(const char16_t* units, int32_t count) {
  CheckCount(count);
  GrowFor(static_cast<size_t>(count));
  text_.append(units, static_cast<size_t>(count));
  return *this;
}

WString& WString::Append(char16_t unit) {
  GrowFor(1);
  text_.push_back(unit);
  return *this;
}

WString& WString::AppendInt(int32_t value, int radix) {
  if (radix < 2 || radix > 36) radix = 10;
  char16_t digits[34];
  int n = 0;
  // Work on the magnitude in 64 bits so that INT32_MIN has one.
  int64_t magnitude = value < 0 ? -static_cast<int64_t>(value) : value;
  do {
    int d = static_cast<int>(magnitude % radix);
    digits[n++] = static_cast<char16_t>(d < 10 ? u'0' + d : u'a' + d - 10);
    magnitude /= radix;
  } while (magnitude != 0);
  if (value < 0) digits[n++] = u'-';
  std::reverse(digits, digits + n);
  return Append(digits, n);
}

WString& WString::Insert(int32_t pos, const WString& other) {
  CheckPosition(pos, Length());
  if (&other == this) {
    WString copy(*this);
    return Insert(pos, copy);
  }
  GrowFor(static_cast<size_t>(other.Length()));
  text_.insert(static_cast<size_t>(pos), other.text_);
  return *this;
}

WString& WString::Remove(int32_t pos, int32_t count) {
  CheckPosition(pos, Length());
  CheckCount(count);
  count = std::min(count, Length() - pos);
  text_.erase(static_cast<size_t>(pos), static_cast<size_t>(count));
  return *this;
}

WString& WString::RemoveAt(int32_t pos) {
  if (pos < 0 || pos >= Length()) Fatal("position beyond the length");
  return Remove(pos, 1);
}

bool WString::TryRemoveAt(int32_t i) {
  if (i < 0 || i >= Length()) return false;
  text_.erase(static_cast<size_t>(i), 1);
  return true;
}

char16_t WString::operator[](int32_t i) const {
  if (i < 0 || i > Length()) Fatal("index beyond the length");
  return text_.c_str()[i];  // index Length() reads the terminator
}

bool WString::Equals(const char16_t* text) const {
  if (text == nullptr) return text_.empty();
  return text_ == std::u16string_view(text);
}

int WString::CompareUnits(const char16_t* a, const char16_t* b, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    // char16_t is unsigned, so this is the unsigned 16-bit order.
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}

WString operator+(const WString& left, const char16_t* right) {
  WString result(left);
  result.Append(right);
  return result;
}

}  // namespace abacine

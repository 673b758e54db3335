// Exact whole-number products in a fixed-size wide integer of 32-bit limbs.
//
// Every result at or past 2^1024 is +infinity, so the loops stop there: a
// falling factorial has at most 170 factors below that (it is at least r!),
// and a binomial coefficient's running value C(n-k+i, i) only grows, so it
// stops once past the limit too; k itself is capped at 1100, since C(2k, k)
// passes 2^1024 from k = 515 on. The wide integer holds one value below
// 2^1024 times one factor below 2^1024, so no step can overflow it.
#include "numeric/whole_product.h"

#include <cassert>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>

namespace abacine {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr int kLimitBits = 1024;  // 2^1024 rounds to +infinity
constexpr double kTwo64 = 18446744073709551616.0;

class Wide {
 public:
  explicit Wide(uint64_t v) {
    limbs_[0] = static_cast<uint32_t>(v);
    limbs_[1] = static_cast<uint32_t>(v >> 32);
    size_ = limbs_[1] != 0 ? 2 : limbs_[0] != 0 ? 1 : 0;
  }

  // The exact value of a whole double 0 <= x < 2^1024.
  static Wide FromWhole(double x) {
    if (x < kTwo64) return Wide(static_cast<uint64_t>(x));
    int exponent = 0;
    const double mantissa = std::frexp(x, &exponent);  // x = mantissa 2^exponent
    Wide w(static_cast<uint64_t>(std::ldexp(mantissa, 53)));
    w.ShiftLeft(exponent - 53);
    return w;
  }

  int Bits() const {
    if (size_ == 0) return 0;
    int bits = 32 * (size_ - 1);
    for (uint32_t top = limbs_[size_ - 1]; top != 0; top >>= 1) ++bits;
    return bits;
  }

  void Add(uint32_t v) {
    uint64_t carry = v;
    for (int i = 0; carry != 0; ++i) {
      if (i == size_) limbs_[size_++] = 0;
      const uint64_t sum = uint64_t{limbs_[i]} + carry;
      limbs_[i] = static_cast<uint32_t>(sum);
      carry = sum >> 32;
    }
  }

  // Requires v <= *this.
  void Subtract(uint32_t v) {
    uint64_t borrow = v;
    for (int i = 0; borrow != 0; ++i) {
      const uint64_t limb = limbs_[i];
      limbs_[i] = static_cast<uint32_t>(limb - borrow);
      borrow = limb < borrow ? 1 : 0;
    }
    Trim();
  }

  void Multiply(const Wide& f) {
    uint32_t product[kLimbs];
    for (int i = 0; i < size_ + f.size_; ++i) product[i] = 0;
    for (int i = 0; i < size_; ++i) {
      uint64_t carry = 0;
      for (int j = 0; j < f.size_; ++j) {
        const uint64_t t = uint64_t{limbs_[i]} * f.limbs_[j] + product[i + j] + carry;
        product[i + j] = static_cast<uint32_t>(t);
        carry = t >> 32;
      }
      product[i + f.size_] = static_cast<uint32_t>(carry);
    }
    size_ += f.size_;
    assert(size_ <= kLimbs);
    for (int i = 0; i < size_; ++i) limbs_[i] = product[i];
    Trim();
  }

  // Divides by d > 0 and returns the remainder.
  uint32_t Divide(uint32_t d) {
    uint64_t rest = 0;
    for (int i = size_ - 1; i >= 0; --i) {
      const uint64_t t = (rest << 32) | limbs_[i];
      limbs_[i] = static_cast<uint32_t>(t / d);
      rest = t % d;
    }
    Trim();
    return static_cast<uint32_t>(rest);
  }

  // Rounded once to the nearest double: the top 64 bits with every lower bit
  // folded into the lowest one, which lies far below the 53 that are kept,
  // so it only decides ties; the hardware conversion of that word rounds to
  // nearest even.
  double ToDouble() const {
    const int bits = Bits();
    if (bits > kLimitBits) return kInf;
    if (bits <= 64) return static_cast<double>(Low64(0));
    const int shift = bits - 64;
    uint64_t top = Low64(shift);
    bool sticky = false;
    for (int i = 0; i < shift / 32 && !sticky; ++i) sticky = limbs_[i] != 0;
    if (shift % 32 != 0 && (limbs_[shift / 32] & ((uint32_t{1} << (shift % 32)) - 1)) != 0) sticky = true;
    if (sticky) top |= 1;
    return std::ldexp(static_cast<double>(top), shift);
  }

 private:
  static constexpr int kLimbs = 68;  // 2176 bits

  void Trim() {
    while (size_ > 0 && limbs_[size_ - 1] == 0) --size_;
  }

  void ShiftLeft(int bits) {
    const int limbShift = bits / 32;
    const int bitShift = bits % 32;
    for (int i = size_ - 1 + limbShift + 1; i >= 0; --i) {
      const int from = i - limbShift;
      uint64_t v = 0;
      if (from >= 0 && from < size_) v = uint64_t{limbs_[from]} << bitShift;
      if (from - 1 >= 0 && from - 1 < size_ && bitShift != 0) v |= limbs_[from - 1] >> (32 - bitShift);
      limbs_[i] = static_cast<uint32_t>(v);
    }
    size_ += limbShift + 1;
    Trim();
  }

  // The 64 bits starting at bit `from`.
  uint64_t Low64(int from) const {
    uint64_t v = 0;
    for (int b = 0; b < 64; b += 32) {
      const int bit = from + b;
      const int i = bit / 32;
      const int s = bit % 32;
      uint64_t part = i < size_ ? limbs_[i] >> s : 0;
      if (s != 0 && i + 1 < size_) part |= uint64_t{limbs_[i + 1]} << (32 - s);
      v |= (part & 0xFFFFFFFFu) << b;
    }
    return v;
  }

  uint32_t limbs_[kLimbs] = {};
  int size_ = 0;
};

// The common case first: while every step fits in 64 bits (the conversion of
// the final word to double rounds to nearest). False when a step would not.
bool FallingFactorial64(uint64_t n, uint32_t count, uint64_t& value) {
  value = 1;
  for (uint32_t i = 0; i < count; ++i) {
    if (__builtin_mul_overflow(value, n - i, &value)) return false;
  }
  return true;
}

// C(n-k+i, i) step by step: value (n-k+i) / i while the product fits, else
// with i's common part g = gcd(value, i) divided out of value first; i/g
// then divides n-k+i, since i divides value (n-k+i) and shares nothing more
// with value/g.
bool Binomial64(uint64_t n, uint32_t k, uint64_t& value) {
  value = 1;
  for (uint32_t i = 1; i <= k; ++i) {
    const uint64_t factor = n - k + i;
    uint64_t product = 0;
    if (!__builtin_mul_overflow(value, factor, &product)) {
      value = product / i;
      continue;
    }
    const uint64_t g = std::gcd(value, uint64_t{i});
    if (__builtin_mul_overflow(value / g, factor / (i / g), &value)) return false;
  }
  return true;
}

}  // namespace

bool IsWholeNumber(double x) { return std::isfinite(x) && std::trunc(x) == x; }

double WholeFallingFactorial(double n, double r) {
  assert(IsWholeNumber(n) && IsWholeNumber(r) && 0 <= r && r <= n);
  if (r > 170) return kInf;  // at least r!, which is past 2^1024 from 171! on
  const auto count = static_cast<uint32_t>(r);
  uint64_t small = 0;
  if (n < kTwo64 && FallingFactorial64(static_cast<uint64_t>(n), count, small)) return static_cast<double>(small);
  Wide product(1);
  Wide factor = Wide::FromWhole(n);
  for (uint32_t i = 0; i < count; ++i) {
    if (i > 0) factor.Subtract(1);
    product.Multiply(factor);
    if (product.Bits() > kLimitBits) return kInf;
  }
  return product.ToDouble();
}

double WholeBinomial(double n, double r) {
  assert(IsWholeNumber(n) && IsWholeNumber(r) && 0 <= r && r <= n);
  // k = min(r, n - r); n - r is only formed where it is exact (r >= n/2).
  const double k = r <= n / 2 ? r : n - r;
  if (k > 1100) return kInf;  // C(n, k) >= C(2k, k) > 2^1024
  const auto count = static_cast<uint32_t>(k);
  uint64_t small = 0;
  if (n < kTwo64 && Binomial64(static_cast<uint64_t>(n), count, small)) return static_cast<double>(small);
  // C(n-k+i, i) = C(n-k+i-1, i-1) (n-k+i) / i: every quotient is whole.
  Wide value(1);
  Wide factor = Wide::FromWhole(n);
  if (count > 0) factor.Subtract(count - 1);
  for (uint32_t i = 1; i <= count; ++i) {
    if (i > 1) factor.Add(1);
    value.Multiply(factor);
    [[maybe_unused]] const uint32_t rest = value.Divide(i);
    assert(rest == 0);
    if (value.Bits() > kLimitBits) return kInf;
  }
  return value.ToDouble();
}

}  // namespace abacine

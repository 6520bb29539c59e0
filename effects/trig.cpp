// trig.cpp - sine and cosine from an exact argument reduction and Taylor polynomials.
//
// x = n pi/2 + r with |r| <= pi/4 (a hair more), r carried as a sum of two
// doubles hi + lo; n mod 4 then picks sin r or cos r and the sign. pi/2 is
// split into pieces of at most 27 significant bits, so that n times a piece
// is exact for every |n| < 2^26, and the pieces' differences are gathered
// with error-free sums: r comes out within about 2^-112 absolute, well below
// what the doubles of the range closest to a multiple of pi/2 need for 1 ulp.
// Everything is +, - and * on doubles, in the order written: every platform
// rounds each step the same way.
#include "effects/trig.h"

#include <cstdint>
#include <limits>

namespace {

constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
// pi/2 = kHalfPi1 + ... + kHalfPi5, to about 2^-165.
constexpr double kHalfPi1 = 0x1.921fb54p+0;
constexpr double kHalfPi2 = 0x1.10b461p-30;
constexpr double kHalfPi3 = 0x1.a62633p-58;
constexpr double kHalfPi4 = 0x1.45c06ep-86;
constexpr double kHalfPi5 = 0x1.cd129024e088ap-115;
constexpr double kHalfPiMiddle[] = {kHalfPi2, kHalfPi3, kHalfPi4};  // n * each is exact

constexpr double kQuarterPi = 0x1.921fb54442d18p-1;  // below it x is its own reduced argument
constexpr double kAccurateRange = 0x1p26;            // |n| < 2^26 keeps n * kHalfPiK exact
// Far arguments are reduced modulo this exactly (27 bits, so each multiple
// by a power of two is a double and each subtraction is exact).
constexpr double kWrapPeriod = 4 * kHalfPi1;
constexpr double kSplitter = 0x1p27 + 1;  // splits a double into two 26-bit halves

// Taylor coefficients (-1)^k / (2k+1)! and (-1)^k / (2k)!, as the nearest
// doubles. On |r| <= pi/4 the first term left out is below 2^-62 of the result.
constexpr double kSin3 = -0x1.5555555555555p-3;
constexpr double kSin5 = 0x1.1111111111111p-7;
constexpr double kSin7 = -0x1.a01a01a01a01ap-13;
constexpr double kSin9 = 0x1.71de3a556c734p-19;
constexpr double kSin11 = -0x1.ae64567f544e4p-26;
constexpr double kSin13 = 0x1.6124613a86d09p-33;
constexpr double kSin15 = -0x1.ae7f3e733b81fp-41;
constexpr double kSin17 = 0x1.952c77030ad4ap-49;
constexpr double kCos4 = 0x1.5555555555555p-5;
constexpr double kCos6 = -0x1.6c16c16c16c17p-10;
constexpr double kCos8 = 0x1.a01a01a01a01ap-16;
constexpr double kCos10 = -0x1.27e4fb7789f5cp-22;
constexpr double kCos12 = 0x1.1eed8eff8d898p-29;
constexpr double kCos14 = -0x1.93974a8c07c9dp-37;
constexpr double kCos16 = 0x1.ae7f3e733b81fp-45;
constexpr double kCos18 = -0x1.6827863b97d97p-53;

// The exact rounding error of sum = a + b (Knuth's two-sum).
double sumError(double a, double b, double sum) {
  const double bPart = sum - a;
  const double aPart = sum - bPart;
  return (a - aPart) + (b - bPart);
}

struct Reduced {
  double hi;
  double lo;
  int32_t quadrant;  // n mod 4
};

// For pi/4 < |x| <= 2^26.
Reduced reduce(double x) {
  const int32_t n = static_cast<int32_t>(x * kTwoOverPi + (x < 0 ? -0.5 : 0.5));
  const double k = n;
  double hi = x - k * kHalfPi1;  // exact: the two are within a factor of 2
  double lo = 0.0;
  for (const double piece : kHalfPiMiddle) {
    const double product = k * piece;
    const double sum = hi - product;
    lo += sumError(hi, -product, sum);
    hi = sum;
  }
  lo -= k * kHalfPi5;
  const double r = hi + lo;
  return {r, sumError(hi, lo, r), n & 3};
}

// sin(hi + lo) for |hi| <= pi/4, |lo| <= ulp(hi): hi plus a tail of at most
// a ninth of the result, so the tail's own rounding costs little.
double sineKernel(double hi, double lo) {
  const double z = hi * hi;
  const double poly =
      kSin3 +
      z * (kSin5 +
           z * (kSin7 + z * (kSin9 + z * (kSin11 + z * (kSin13 + z * (kSin15 + z * kSin17))))));
  return hi + ((z * hi) * poly + lo * (1.0 - 0.5 * z));  // lo * cos(hi), to second order
}

// cos(hi + lo) for |hi| <= pi/4. 1 - hi^2/2 cancels up to a third of the
// result, so hi^2 is formed exactly (Dekker) and the subtraction's error kept.
double cosineKernel(double hi, double lo) {
  const double split = kSplitter * hi;
  const double head = split - (split - hi);
  const double rest = hi - head;
  const double z = hi * hi;
  const double zError = ((head * head - z) + 2.0 * head * rest) + rest * rest;
  const double halfZ = 0.5 * z;
  const double w = 1.0 - halfZ;
  const double wError = (1.0 - w) - halfZ;  // exact, as 1 >= halfZ
  const double poly =
      kCos4 +
      z * (kCos6 +
           z * (kCos8 + z * (kCos10 + z * (kCos12 + z * (kCos14 + z * (kCos16 + z * kCos18))))));
  return w + (((wError - 0.5 * zError) + (z * z) * poly) - hi * lo);  // - lo * sin(hi)
}

SineCosine fromReduced(const Reduced& r) {
  const double s = sineKernel(r.hi, r.lo);
  const double c = cosineKernel(r.hi, r.lo);
  switch (r.quadrant) {
    case 0:
      return {s, c};
    case 1:
      return {c, -s};
    case 2:
      return {-s, -c};
    default:
      return {-c, s};
  }
}

// |x| modulo kWrapPeriod, exactly: binary long division in which each
// subtraction of period * 2^j from a value below twice that is exact.
double wrapFar(double ax) {
  double step = kWrapPeriod;
  while (step <= 0.5 * ax) step *= 2.0;
  for (; step >= kWrapPeriod; step *= 0.5)
    if (ax >= step) ax -= step;
  return ax;
}

}  // namespace

SineCosine sineCosine(double x) {
  const double ax = x < 0 ? -x : x;
  if (ax <= kQuarterPi) {
    if (x == 0) return {x, 1.0};  // keeps the sign of a zero
    return {sineKernel(x, 0.0), cosineKernel(x, 0.0)};
  }
  if (ax <= kAccurateRange) return fromReduced(reduce(x));
  if (!(ax <= std::numeric_limits<double>::max())) return {x - x, x - x};  // NaN, infinity
  const SineCosine wrapped = fromReduced(reduce(wrapFar(ax)));
  return {x < 0 ? -wrapped.sine : wrapped.sine, wrapped.cosine};
}

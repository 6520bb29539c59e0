// trig.cpp - sine and cosine from an exact argument reduction and two short polynomials.
//
// x = n pi/2 + r with |r| <= pi/4 (a hair more), r carried as a sum of two
// doubles hi + lo; n mod 4 then picks sin r or cos r and the sign. pi/2 is
// split into pieces short enough that n times a piece is exact, and the
// pieces' differences are gathered with error-free sums: r comes out with a
// relative error below 2^-64 even where it is smallest (no double lies much
// closer than 2^-61 to a multiple of pi/2), far below an ulp. The drawing
// code's arguments are nearly all below 2048, where two 42-bit pieces and a
// rounded third suffice; up to 2^26 it takes four 27-bit pieces and a fifth.
// Everything is +, - and * on doubles, in the order written, so every
// platform rounds each step alike; the one conversion, of the whole number n
// to int for its quadrant, is exact.
#include "effects/trig.h"

#include <cstdint>
#include <limits>

namespace {

constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
// pi/2 = kNearHalfPi1 + kNearHalfPi2 + kNearHalfPi3 to about 2^-142, the
// first two of 42 bits, so that n * each is exact for |n| < 2^11.
constexpr double kNearRange = 2048.0;
constexpr double kNearHalfPi1 = 0x1.921fb54442800p+0;
constexpr double kNearHalfPi2 = 0x1.4611a62633000p-42;
constexpr double kNearHalfPi3 = 0x1.45c06e0e68948p-86;
// pi/2 = kHalfPi1 + ... + kHalfPi5 to about 2^-165, the first four of 27
// bits, so that n * each is exact for |n| < 2^26.
constexpr double kAccurateRange = 0x1p26;
constexpr double kHalfPi1 = 0x1.921fb54p+0;
constexpr double kHalfPi2 = 0x1.10b461p-30;
constexpr double kHalfPi3 = 0x1.a62633p-58;
constexpr double kHalfPi4 = 0x1.45c06ep-86;
constexpr double kHalfPi5 = 0x1.cd129024e088ap-115;
constexpr double kHalfPiMiddle[] = {kHalfPi2, kHalfPi3, kHalfPi4};

constexpr double kQuarterPi = 0x1.921fb54442d18p-1;  // below it x is its own reduced argument
// Far arguments are reduced modulo this exactly (27 bits, so each multiple
// by a power of two is a double and each subtraction is exact).
constexpr double kWrapPeriod = 4 * kHalfPi1;
constexpr double kSplitter = 0x1p27 + 1;  // splits a double into two 26-bit halves

// sin r = r + r^3 P(r^2), cos r = 1 - r^2/2 + r^4 Q(r^2): P and Q are
// Chebyshev fits (near minimax; mpmath's chebyfit at 120 bits) on r^2 in
// [0, (pi/4 + 2^-20)^2], which takes in the far range's slightly longer r,
// of degree 6 and 5. The fits are off by under 2^-66 and 2^-59; with their
// coefficients rounded to doubles, under 0.06 and 0.02 ulp of the results.
constexpr double kSin[7] = {-0x1.5555555555555p-3, 0x1.1111111111110p-7,   -0x1.a01a01a019938p-13,
                            0x1.71de3a5460950p-19, -0x1.ae645412c4390p-26, 0x1.61217f0a95ad6p-33,
                            -0x1.ab17d37ab5989p-41};
constexpr double kCos[6] = {0x1.5555555555555p-5,   -0x1.6c16c16c16967p-10, 0x1.a01a019f4eaf9p-16,
                            -0x1.27e4fa17d9624p-22, 0x1.1eeb68e88cbb9p-29,  -0x1.907da2e9cd397p-37};

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

// The nearest whole number to x / (pi/2), for |x| <= 2^26: adding 1.5 * 2^52
// leaves no bit below the units, so the sum is rounded to a whole number
// and taking the shift off again is exact.
constexpr double kRoundingShift = 0x1.8p52;
double quadrantCount(double x) { return (x * kTwoOverPi + kRoundingShift) - kRoundingShift; }
int32_t quadrantOf(double k) { return static_cast<int32_t>(k) & 3; }

// For pi/4 < |x| <= kNearRange.
Reduced reduceNear(double x) {
  const double k = quadrantCount(x);
  const double hi = x - k * kNearHalfPi1;  // exact: the two are within a factor of 2
  const double product = k * kNearHalfPi2;
  const double sum = hi - product;
  const double lo = sumError(hi, -product, sum) - k * kNearHalfPi3;
  // |lo| is at most half an ulp of sum plus 2^-75, and |sum| >= 2^-61 (the
  // nearest of these doubles to a multiple of pi/2 is 2^-60.5 off 29 pi/2),
  // so |sum| >= |lo| and the short form of the error-free sum holds.
  const double r = sum + lo;
  return {r, lo - (r - sum), quadrantOf(k)};
}

// For kNearRange < |x| <= kAccurateRange.
Reduced reduceFar(double x) {
  const double k = quadrantCount(x);
  double hi = x - k * kHalfPi1;
  double lo = 0.0;
  for (const double piece : kHalfPiMiddle) {
    const double product = k * piece;
    const double sum = hi - product;
    lo += sumError(hi, -product, sum);
    hi = sum;
  }
  lo -= k * kHalfPi5;
  const double r = hi + lo;
  return {r, sumError(hi, lo, r), quadrantOf(k)};
}

// sin and cos of hi + lo for |hi| <= pi/4, |lo| <= ulp(hi), in the quadrant's
// order and signs. The polynomials go by Estrin's scheme (pairs, then pairs
// of pairs): a shorter chain of dependent steps than Horner's, same result
// to far below an ulp. sin is hi plus a tail of at most a ninth of the result,
// so the tail's own rounding costs little; in cos, 1 - hi^2/2 cancels up to a
// third of the result, so hi^2 is split into an exact part and a small
// rest (Dekker) and the subtraction's error kept.
SineCosine fromReduced(const Reduced& r) {
  const double hi = r.hi;
  const double lo = r.lo;
  const double z = hi * hi;
  const double z2 = z * z;
  const double z4 = z2 * z2;
  const double sinPoly = ((kSin[0] + z * kSin[1]) + z2 * (kSin[2] + z * kSin[3])) +
                         z4 * ((kSin[4] + z * kSin[5]) + z2 * kSin[6]);
  const double s = hi + ((z * hi) * sinPoly + lo * (1.0 - 0.5 * z));  // lo * cos(hi), 2nd order

  // hi = head + rest with head of 26 bits: hi^2 = head^2 + (head + hi) rest,
  // the first term exact, the second 2^-26 of it and rounded.
  const double split = kSplitter * hi;
  const double head = split - (split - hi);
  const double rest = hi - head;
  const double halfHeadSquare = 0.5 * (head * head);
  const double w = 1.0 - halfHeadSquare;
  const double wError = (1.0 - w) - halfHeadSquare;  // exact, as 1 >= halfHeadSquare
  const double halfTail = 0.5 * ((head + hi) * rest);
  const double cosPoly =
      ((kCos[0] + z * kCos[1]) + z2 * (kCos[2] + z * kCos[3])) + z4 * (kCos[4] + z * kCos[5]);
  const double c = w + (((wError - halfTail) + z2 * cosPoly) - hi * lo);  // - lo * sin(hi)

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
  double ax = x < 0 ? -x : x;
  if (!(ax <= kAccurateRange)) {
    if (!(ax <= std::numeric_limits<double>::max())) return {x - x, x - x};  // NaN, infinity
    ax = wrapFar(ax);
    x = x < 0 ? -ax : ax;  // sine odd, cosine even
  }
  Reduced r;
  if (ax <= kQuarterPi) {
    if (x == 0) return {x, 1.0};  // keeps the sign of a zero
    r = {x, 0.0, 0};
  } else if (ax <= kNearRange) {
    r = reduceNear(x);
  } else {
    r = reduceFar(x);
  }
  return fromReduced(r);
}

#include "model/correctly_rounded.h"

#include <cmath>
#include <limits>

namespace correctly_rounded {
namespace {

// An unevaluated sum hi + lo of two doubles, |lo| at most about half an ulp of hi.
struct DoubleDouble {
  double hi, lo;
};

#include "model/sine_table.inc"

static_assert(sizeof kSineTable / sizeof kSineTable[0] == 512, "sines of j pi/256");

// ---- exact operations on doubles (no fused multiply-add: the same on every platform) ----

// s + e == a + b exactly (Knuth).
DoubleDouble twoSum(double a, double b) {
  const double s = a + b;
  const double bb = s - a;
  const double e = (a - (s - bb)) + (b - bb);
  return {s, e};
}

// s + e == a + b exactly, for |a| >= |b| or a == 0 (Dekker).
DoubleDouble fastTwoSum(double a, double b) {
  const double s = a + b;
  return {s, b - (s - a)};
}

// a == hi + lo, each half of the significand (Veltkamp).
DoubleDouble split(double a) {
  const double c = 134217729.0 * a;  // 2^27 + 1
  const double hi = c - (c - a);
  return {hi, a - hi};
}

// p + e == a * b exactly, barring overflow and underflow (Dekker).
DoubleDouble twoProduct(double a, double b) {
  const double p = a * b;
  const DoubleDouble as = split(a);
  const DoubleDouble bs = split(b);
  const double e = ((as.hi * bs.hi - p) + as.hi * bs.lo + as.lo * bs.hi) + as.lo * bs.lo;
  return {p, e};
}

// ---- double-double arithmetic, about 2^-104 relative per operation ----

DoubleDouble add(const DoubleDouble& a, const DoubleDouble& b) {
  DoubleDouble s = twoSum(a.hi, b.hi);
  const DoubleDouble t = twoSum(a.lo, b.lo);
  s.lo = s.lo + t.hi;
  s = fastTwoSum(s.hi, s.lo);
  s.lo = s.lo + t.lo;
  return fastTwoSum(s.hi, s.lo);
}

DoubleDouble negate(const DoubleDouble& a) { return {-a.hi, -a.lo}; }

DoubleDouble multiply(const DoubleDouble& a, const DoubleDouble& b) {
  DoubleDouble p = twoProduct(a.hi, b.hi);
  p.lo = p.lo + (a.hi * b.lo + a.lo * b.hi);
  return fastTwoSum(p.hi, p.lo);
}

DoubleDouble multiply(const DoubleDouble& a, double b) {
  DoubleDouble p = twoProduct(a.hi, b);
  p.lo = p.lo + a.lo * b;
  return fastTwoSum(p.hi, p.lo);
}

DoubleDouble divide(const DoubleDouble& a, const DoubleDouble& b) {
  const double q1 = a.hi / b.hi;
  DoubleDouble r = add(a, negate(multiply(b, q1)));
  const double q2 = r.hi / b.hi;
  r = add(r, negate(multiply(b, q2)));
  const double q3 = r.hi / b.hi;
  return add(fastTwoSum(q1, q2), {q3, 0.0});
}

// True when every value within `bound` of y.hi + y.lo rounds to y.hi. Rounding to nearest is
// monotonic, so it is enough that both ends of the interval do; the bound is widened by 2^-20
// of itself for the rounding of y.lo +- bound.
bool roundsToHi(const DoubleDouble& y, double bound) {
  const double b = bound + bound * 0x1p-20;
  return y.hi + (y.lo + b) == y.hi && y.hi + (y.lo - b) == y.hi;
}

// ---- argument reduction: x = k pi/256 + r, |r| <= pi/512 (a little more at the rounding) ----

constexpr double k256OverPi = 0x1.45f306dc9c883p+6;
constexpr double kRoundingShift = 0x1.8p52;  // (t + shift) - shift rounds t to an integer
constexpr double kFastLimit = 1024.0;         // |k| < 2^17: k times a 36-bit part is exact
constexpr double kAccurateLimit = 0x1p30;
constexpr double kTwoPi = 0x1.921fb54442d18p+2;

struct Reduced {
  DoubleDouble r;
  int index;  // k modulo 512
};

int tableIndex(double k) {
  return static_cast<int>(static_cast<long long>(k) & 511);
}

// For |x| <= kFastLimit: about 2^-110 absolute. The products with the first four parts are
// exact; x - k P1 is exact (Sterbenz); the fifth part is below 2^-140 of the result.
Reduced reduceFast(double x) {
  const double k = (x * k256OverPi + kRoundingShift) - kRoundingShift;
  const double r1 = x - k * kPiOver256Parts[0];
  const DoubleDouble r2 = twoSum(r1, -(k * kPiOver256Parts[1]));
  const DoubleDouble r3 = twoSum(r2.hi, -(k * kPiOver256Parts[2]));
  const double lo = (r2.lo + r3.lo) - k * kPiOver256Parts[3];
  return {twoSum(r3.hi, lo), tableIndex(k)};
}

// For finite |x| <= kAccurateLimit: about 2^-106 relative to r; the products are taken exactly.
Reduced reduceAccurate(double x) {
  const double k = (x * k256OverPi + kRoundingShift) - kRoundingShift;
  DoubleDouble r = {x, 0.0};
  for (double part : kPiOver256Parts) r = add(r, negate(twoProduct(k, part)));
  return {r, tableIndex(k)};
}

// sin and cos of the table angle k pi/256 of a reduction.
DoubleDouble tableSin(int index) { return kSineTable[index]; }
DoubleDouble tableCos(int index) { return kSineTable[(index + 128) & 511]; }

// ---- a cos r + b sin r: sin(x) with a = sin(k pi/256), b = cos(k pi/256); cos(x) with
// a = cos(k pi/256), b = -sin(k pi/256) ----

// Taylor factors of the fast series (the doubles nearest 1/3!, 1/5!, 1/7!, 1/4!, 1/6!).
constexpr double kS3 = 0x1.5555555555555p-3;
constexpr double kS5 = 0x1.1111111111111p-7;
constexpr double kS7 = 0x1.a01a01a01a01ap-13;
constexpr double kC4 = 0x1.5555555555555p-5;
constexpr double kC6 = 0x1.6c16c16c16c17p-10;

// Relative error bound of the fast sum, and its floor from the reduction (absolute).
constexpr double kFastRelativeError = 0x1p-64;
constexpr double kFastAbsoluteError = 0x1p-108;

DoubleDouble combineFast(const DoubleDouble& a, const DoubleDouble& b, const DoubleDouble& r) {
  const double rh = r.hi;
  const double rl = r.lo;
  const double r2 = rh * rh;
  // cos r - 1 and sin r - rh, their terms up to r^6 and r^7 (the next are below 2^-70 of the
  // result), with the first-order terms of rl.
  const double cosTail = r2 * (-0.5 + r2 * (kC4 - r2 * kC6)) - rh * rl;
  const double sinTail = rh * r2 * (-kS3 + r2 * (kS5 - r2 * kS7)) + rl;
  const DoubleDouble p = twoProduct(b.hi, rh);
  const DoubleDouble s = twoSum(a.hi, p.hi);
  const double tail =
      ((b.lo * rh + b.hi * sinTail) + (a.lo + a.hi * cosTail)) + (s.lo + p.lo);
  return twoSum(s.hi, tail);
}

double fastBound(const DoubleDouble& y) {
  return kFastRelativeError * std::fabs(y.hi) + kFastAbsoluteError;
}

// sin r and cos r in double-double: the Taylor series to r^15 and r^14 (|r| <= pi/512).
DoubleDouble sinAccurate(const DoubleDouble& r) {
  const DoubleDouble r2 = multiply(r, r);
  DoubleDouble u = negate(kInverseFactorial[15]);
  for (int n = 13; n >= 3; n -= 2) {
    const DoubleDouble f = (n / 2) % 2 == 0 ? kInverseFactorial[n] : negate(kInverseFactorial[n]);
    u = add(f, multiply(u, r2));
  }
  return add(r, multiply(multiply(u, r2), r));
}

DoubleDouble cosAccurate(const DoubleDouble& r) {
  const DoubleDouble r2 = multiply(r, r);
  DoubleDouble u = negate(kInverseFactorial[14]);
  for (int n = 12; n >= 2; n -= 2) {
    const DoubleDouble f = (n / 2) % 2 == 0 ? kInverseFactorial[n] : negate(kInverseFactorial[n]);
    u = add(f, multiply(u, r2));
  }
  return add({1.0, 0.0}, multiply(u, r2));
}

constexpr double kAccurateRelativeError = 0x1p-97;

// Reduces any double for the accurate path: not a number stays so, an infinity becomes one.
bool accurateArgument(double& x) {
  if (!std::isfinite(x)) return false;
  if (std::fabs(x) > kAccurateLimit) x = std::fmod(x, kTwoPi);
  return true;
}

// sin (cosine = false) or cos of x in double-double, by the accurate path.
DoubleDouble sinOrCosAccurate(double x, bool cosine) {
  const Reduced red = reduceAccurate(x);
  const DoubleDouble sr = sinAccurate(red.r);
  const DoubleDouble cr = cosAccurate(red.r);
  const DoubleDouble a = cosine ? tableCos(red.index) : tableSin(red.index);
  const DoubleDouble b = cosine ? negate(tableSin(red.index)) : tableCos(red.index);
  return add(multiply(a, cr), multiply(b, sr));
}

bool fastSinOrCos(double x, bool cosine, double& result) {
  if (!(std::fabs(x) <= kFastLimit)) return false;
  const Reduced red = reduceFast(x);
  const DoubleDouble a = cosine ? tableCos(red.index) : tableSin(red.index);
  const DoubleDouble b = cosine ? negate(tableSin(red.index)) : tableCos(red.index);
  const DoubleDouble y = combineFast(a, b, red.r);
  if (!roundsToHi(y, fastBound(y))) return false;
  result = y.hi;
  return true;
}

}  // namespace

namespace detail {

bool fastSin(double x, double& result) {
  if (x == 0.0) {  // keeps the sign of zero
    result = x;
    return true;
  }
  return fastSinOrCos(x, false, result);
}

bool fastCos(double x, double& result) { return fastSinOrCos(x, true, result); }

double accurateSin(double x) {
  if (x == 0.0) return x;
  if (!accurateArgument(x)) return x - x;
  return sinOrCosAccurate(x, false).hi;
}

double accurateCos(double x) {
  if (!accurateArgument(x)) return x - x;
  return sinOrCosAccurate(x, true).hi;
}

bool fastTan(double x, double& result) {
  if (x == 0.0) {
    result = x;
    return true;
  }
  if (!(std::fabs(x) <= kFastLimit)) return false;
  const Reduced red = reduceFast(x);
  const DoubleDouble s = combineFast(tableSin(red.index), tableCos(red.index), red.r);
  const DoubleDouble c = combineFast(tableCos(red.index), negate(tableSin(red.index)), red.r);
  // q = s / c: the first quotient, then the exact remainder s.hi - q c.hi (Sterbenz) corrected
  // by the low parts.
  const double qh = s.hi / c.hi;
  const DoubleDouble t = twoProduct(qh, c.hi);
  const double remainder = (((s.hi - t.hi) - t.lo) + s.lo) - qh * c.lo;
  const DoubleDouble q = fastTwoSum(qh, remainder / c.hi);
  // Relative errors of sine and cosine add up; the reduction's absolute floor counts relative
  // to each of them.
  const double relative = 2.0 * kFastRelativeError + kFastAbsoluteError / std::fabs(s.hi) +
                          kFastAbsoluteError / std::fabs(c.hi) + 0x1p-100;
  if (!roundsToHi(q, relative * std::fabs(q.hi))) return false;
  result = q.hi;
  return true;
}

double accurateTan(double x) {
  if (x == 0.0) return x;
  if (!accurateArgument(x)) return x - x;
  return divide(sinOrCosAccurate(x, false), sinOrCosAccurate(x, true)).hi;
}

}  // namespace detail

double sin(double x) {
  double result;
  if (detail::fastSin(x, result)) return result;
  return detail::accurateSin(x);
}

double cos(double x) {
  double result;
  if (detail::fastCos(x, result)) return result;
  return detail::accurateCos(x);
}

double tan(double x) {
  double result;
  if (detail::fastTan(x, result)) return result;
  return detail::accurateTan(x);
}

double powThreeHalves(double w) {
  if (!(w > 0.0) || !std::isfinite(w)) {
    if (w == 0.0) return 0.0;
    if (w < 0.0) return std::numeric_limits<double>::quiet_NaN();
    return w;  // infinity or not a number
  }
  // sqrt(w) = s + delta: s is the rounded root, w - s^2 its exact remainder.
  const double s = std::sqrt(w);
  const DoubleDouble s2 = twoProduct(s, s);
  const double remainder = (w - s2.hi) - s2.lo;
  const double delta = remainder / (2.0 * s);
  // w (s + delta), about 2^-103 relative.
  const DoubleDouble ws = twoProduct(w, s);
  const DoubleDouble y = fastTwoSum(ws.hi, ws.lo + w * delta);
  if (roundsToHi(y, 0x1p-100 * y.hi)) return y.hi;
  // Undecided: when the root is exact, w s is the exact power and its rounded product is the
  // result (an exact halfway case rounds to even); otherwise the power is irrational and lies
  // well within the bound only in cases too rare to have been met.
  return remainder == 0.0 ? ws.hi : y.hi;
}

double cube(double x) {
  if (x == 0.0 || !std::isfinite(x)) return x * x * x;
  // x^3 = x (p.hi + p.lo) = h.hi + h.lo + l.hi + l.lo exactly.
  const DoubleDouble p = twoProduct(x, x);
  const DoubleDouble h = twoProduct(x, p.hi);
  const DoubleDouble l = twoProduct(x, p.lo);
  const DoubleDouble y = fastTwoSum(h.hi, h.lo + (l.hi + l.lo));
  if (roundsToHi(y, 0x1p-104 * std::fabs(y.hi))) return y.hi;
  // Undecided: when x^2 is exact, h is the exact cube and its rounded product the result.
  return p.lo == 0.0 ? h.hi : y.hi;
}

}  // namespace correctly_rounded

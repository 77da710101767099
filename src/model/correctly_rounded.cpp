#include "model/correctly_rounded.h"

#include <cmath>
#include <limits>

namespace correctly_rounded {
namespace {

// The small helpers of the fast evaluation are inlined into each function: a call each would
// cost more than they do.
#define OSTRAND_INLINE [[gnu::always_inline]] inline

// An unevaluated sum hi + lo of two doubles, |lo| at most about half an ulp of hi.
struct DoubleDouble {
  double hi, lo;
};

// A table sine: head (26 significant bits) + rest + rest2, to about 2^-130.
struct TableSine {
  double head, rest, rest2;
};

#include "model/sine_table.inc"

static_assert(sizeof kSineTable / sizeof kSineTable[0] == 512, "sines of j pi/256");

// ---- exact operations on doubles (no fused multiply-add: the same on every platform) ----

// s + e == a + b exactly (Knuth).
OSTRAND_INLINE DoubleDouble twoSum(double a, double b) {
  const double s = a + b;
  const double bb = s - a;
  const double e = (a - (s - bb)) + (b - bb);
  return {s, e};
}

// s + e == a + b exactly, for |a| >= |b| or a == 0 (Dekker).
OSTRAND_INLINE DoubleDouble fastTwoSum(double a, double b) {
  const double s = a + b;
  return {s, b - (s - a)};
}

// a == hi + lo, each half of the significand (Veltkamp).
OSTRAND_INLINE DoubleDouble split(double a) {
  const double c = 134217729.0 * a;  // 2^27 + 1
  const double hi = c - (c - a);
  return {hi, a - hi};
}

// p + e == a * b exactly, barring overflow and underflow (Dekker).
OSTRAND_INLINE DoubleDouble twoProduct(double a, double b) {
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

// ---- argument reduction: x = k pi/256 + r, |r| <= pi/512 (a little more at the rounding) ----

constexpr double k256OverPi = 0x1.45f306dc9c883p+6;
constexpr double kRoundingShift = 0x1.8p52;  // (t + shift) - shift rounds t to an integer
// The fast path: |x| <= 32 radians (16 latitudes of either sign are below 26), so |k| < 2^12,
// k times a 36-bit part is exact and the fourth part's product is below 2^-110.
constexpr double kFastLimit = 32.0;
constexpr double kAccurateLimit = 0x1p30;
constexpr double kTwoPi = 0x1.921fb54442d18p+2;

struct Reduced {
  DoubleDouble r;
  int index;  // k modulo 512
};

OSTRAND_INLINE int tableIndex(double k) {
  return static_cast<int>(static_cast<long long>(k) & 511);
}

// For |x| <= kFastLimit, about 2^-109 absolute: x - k P1 is exact (Sterbenz) and so are the
// products with the first three parts; the fourth and fifth are below 2^-110. The pair is not
// renormalised: lo is below 2^-52 of hi except where r is so small that only the absolute error
// counts.
OSTRAND_INLINE Reduced reduceFast(double x) {
  const double k = (x * k256OverPi + kRoundingShift) - kRoundingShift;
  const double r1 = x - k * kPiOver256Parts[0];
  const DoubleDouble r2 = twoSum(r1, -(k * kPiOver256Parts[1]));
  const double lo = r2.lo - k * kPiOver256Parts[2];
  return {{r2.hi, lo}, tableIndex(k)};
}

// For finite |x| <= kAccurateLimit: about 2^-106 relative to r; the products are taken exactly.
Reduced reduceAccurate(double x) {
  const double k = (x * k256OverPi + kRoundingShift) - kRoundingShift;
  DoubleDouble r = {x, 0.0};
  for (double part : kPiOver256Parts) r = add(r, negate(twoProduct(k, part)));
  return {r, tableIndex(k)};
}

// sin and cos of the table angle k pi/256 of a reduction: as head and rest for the fast sum,
// as double-double for the accurate one.
OSTRAND_INLINE const TableSine& tableSin(int index) { return kSineTable[index]; }
OSTRAND_INLINE const TableSine& tableCos(int index) { return kSineTable[(index + 128) & 511]; }

DoubleDouble accurateValue(const TableSine& t, double sign) {
  const DoubleDouble v = fastTwoSum(t.head, t.rest);
  return fastTwoSum(sign * v.hi, sign * (v.lo + t.rest2));
}

// ---- a cos r + b sin r: sin(x) with a = sin(k pi/256), b = cos(k pi/256); cos(x) with
// a = cos(k pi/256), b = -sin(k pi/256) ----

// Taylor factors of the fast series (the doubles nearest 1/3!, 1/5!, 1/7!, 1/4!, 1/6!).
constexpr double kS3 = 0x1.5555555555555p-3;
constexpr double kS5 = 0x1.1111111111111p-7;
constexpr double kS7 = 0x1.a01a01a01a01ap-13;
constexpr double kC4 = 0x1.5555555555555p-5;
constexpr double kC6 = 0x1.6c16c16c16c17p-10;

// Error bound of the fast sum: relative, with a floor from the reduction (absolute), both
// widened by 2^-20 of themselves for the rounding of the test itself.
constexpr double kFastRelativeError = 0x1p-64 * (1 + 0x1p-20);
constexpr double kFastAbsoluteError = 0x1p-107 * (1 + 0x1p-20);

// The parts of sin r and cos r that the fast sums share.
struct FastSeries {
  double rh, rl;
  double rHead, rTail;  // rh split in halves: a 26-bit head times them is exact
  double cosTail;       // cos r - 1
  double sinTail;       // sin r - rh
};

OSTRAND_INLINE FastSeries fastSeries(const DoubleDouble& r) {
  FastSeries f;
  f.rh = r.hi;
  f.rl = r.lo;
  const DoubleDouble halves = split(r.hi);
  f.rHead = halves.hi;
  f.rTail = halves.lo;
  const double r2 = f.rh * f.rh;
  // Terms up to r^6 and r^7 (the next are below 2^-70 of the result), with the first-order
  // terms of rl.
  f.cosTail = r2 * (-0.5 + r2 * (kC4 - r2 * kC6)) - f.rh * f.rl;
  f.sinTail = f.rh * r2 * (-kS3 + r2 * (kS5 - r2 * kS7)) + f.rl;
  return f;
}

// a cos r + b sin r = a + b rh + (a (cos r - 1) + b (sin r - rh)), with b's sign `bSign`: the
// products of the heads are exact and their sum is taken exactly; everything else is below
// 2^-26 of the result.
OSTRAND_INLINE DoubleDouble combineFast(const TableSine& a, const TableSine& b, double bSign,
                         const FastSeries& f) {
  const double bHead = bSign * b.head;
  const double bRest = bSign * b.rest;
  // Exact: a table sine other than 0 exceeds sin(pi/256) > |b r|.
  const DoubleDouble s = fastTwoSum(a.head, bHead * f.rHead);
  const double aWhole = a.head + a.rest;
  const double bWhole = bHead + bRest;
  const double tail = ((bRest * f.rh + bWhole * f.sinTail) + (a.rest + aWhole * f.cosTail)) +
                      (s.lo + bHead * f.rTail);
  return fastTwoSum(s.hi, tail);
}

// True when every value within `bound` of y.hi + y.lo rounds to y.hi. Rounding to nearest is
// monotonic, so it is enough that both ends of the interval do.
OSTRAND_INLINE bool roundsToHi(const DoubleDouble& y, double bound) {
  return y.hi + (y.lo + bound) == y.hi && y.hi + (y.lo - bound) == y.hi;
}

OSTRAND_INLINE bool fastRounds(const DoubleDouble& y) {
  return roundsToHi(y, kFastRelativeError * std::fabs(y.hi) + kFastAbsoluteError);
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
  const DoubleDouble s = accurateValue(tableSin(red.index), 1.0);
  const DoubleDouble c = accurateValue(tableCos(red.index), 1.0);
  if (cosine) return add(multiply(c, cr), negate(multiply(s, sr)));
  return add(multiply(s, cr), multiply(c, sr));
}

// The fast sine (cosine = false) or cosine alone.
OSTRAND_INLINE DoubleDouble fastSinOrCos(double x, bool cosine) {
  const Reduced red = reduceFast(x);
  const FastSeries f = fastSeries(red.r);
  const TableSine& s = tableSin(red.index);
  const TableSine& c = tableCos(red.index);
  return cosine ? combineFast(c, s, -1.0, f) : combineFast(s, c, 1.0, f);
}

// The fast sine and cosine of one reduction.
struct FastSinCos {
  DoubleDouble sin, cos;
};

OSTRAND_INLINE FastSinCos fastSinCos(double x) {
  const Reduced red = reduceFast(x);
  const FastSeries f = fastSeries(red.r);
  const TableSine& s = tableSin(red.index);
  const TableSine& c = tableCos(red.index);
  return {combineFast(s, c, 1.0, f), combineFast(c, s, -1.0, f)};
}

// The fast tangent from the fast sine and cosine: q = s / c from a first quotient and the
// exact remainder s.hi - q c.hi (Sterbenz) corrected by the low parts. Sets `decided`.
OSTRAND_INLINE double fastTanOf(const FastSinCos& sc, bool& decided) {
  const DoubleDouble& s = sc.sin;
  const DoubleDouble& c = sc.cos;
  const double inverse = 1.0 / c.hi;
  const double qh = s.hi * inverse;
  const DoubleDouble t = twoProduct(qh, c.hi);
  const double remainder = (((s.hi - t.hi) - t.lo) + s.lo) - qh * c.lo;
  const DoubleDouble q = fastTwoSum(qh, remainder * inverse);
  // The relative errors of sine and cosine add up, and the reduction's absolute floor counts
  // relative to each of them: |q| floor (1/|s| + 1/|c|) = floor |1/c| (1 + |q|).
  const double size = std::fabs(q.hi);
  const double bound = (2.0 * kFastRelativeError + 0x1p-98) * size +
                       kFastAbsoluteError * std::fabs(inverse) * (1.0 + size);
  decided = roundsToHi(q, bound);
  return q.hi;
}

}  // namespace

namespace detail {

bool fastSin(double x, double& result) {
  if (x == 0.0) {  // keeps the sign of zero
    result = x;
    return true;
  }
  if (!(std::fabs(x) <= kFastLimit)) return false;
  const DoubleDouble y = fastSinOrCos(x, false);
  result = y.hi;
  return fastRounds(y);
}

bool fastCos(double x, double& result) {
  if (!(std::fabs(x) <= kFastLimit)) return false;
  const DoubleDouble y = fastSinOrCos(x, true);
  result = y.hi;
  return fastRounds(y);
}

bool fastTan(double x, double& result) {
  if (x == 0.0) {
    result = x;
    return true;
  }
  if (!(std::fabs(x) <= kFastLimit)) return false;
  bool decided = false;
  result = fastTanOf(fastSinCos(x), decided);
  return decided;
}

double accurateSin(double x) {
  if (x == 0.0) return x;
  if (!accurateArgument(x)) return x - x;
  return sinOrCosAccurate(x, false).hi;
}

double accurateCos(double x) {
  if (!accurateArgument(x)) return x - x;
  return sinOrCosAccurate(x, true).hi;
}

double accurateTan(double x) {
  if (x == 0.0) return x;
  if (!accurateArgument(x)) return x - x;
  return divide(sinOrCosAccurate(x, false), sinOrCosAccurate(x, true)).hi;
}

}  // namespace detail

double sin(double x) {
  if (x != 0.0 && std::fabs(x) <= kFastLimit) {
    const DoubleDouble y = fastSinOrCos(x, false);
    if (fastRounds(y)) return y.hi;
  }
  return detail::accurateSin(x);
}

double cos(double x) {
  if (std::fabs(x) <= kFastLimit) {
    const DoubleDouble y = fastSinOrCos(x, true);
    if (fastRounds(y)) return y.hi;
  }
  return detail::accurateCos(x);
}

double tan(double x) {
  double result;
  if (detail::fastTan(x, result)) return result;
  return detail::accurateTan(x);
}

void sines(const double* x, double* sine, int count) {
  for (int i = 0; i < count; ++i) {
    const double xi = x[i];
    if (xi != 0.0 && std::fabs(xi) <= kFastLimit) {
      const DoubleDouble y = fastSinOrCos(xi, false);
      if (fastRounds(y)) {
        sine[i] = y.hi;
        continue;
      }
    }
    sine[i] = detail::accurateSin(xi);
  }
}

void sinCos(double x, double& sine, double& cosine) {
  if (x != 0.0 && std::fabs(x) <= kFastLimit) {
    const FastSinCos sc = fastSinCos(x);
    sine = fastRounds(sc.sin) ? sc.sin.hi : detail::accurateSin(x);
    cosine = fastRounds(sc.cos) ? sc.cos.hi : detail::accurateCos(x);
    return;
  }
  sine = sin(x);
  cosine = cos(x);
}

void tanCos(double x, double& tangent, double& cosine) {
  if (x != 0.0 && std::fabs(x) <= kFastLimit) {
    const FastSinCos sc = fastSinCos(x);
    bool decided = false;
    const double q = fastTanOf(sc, decided);
    tangent = decided ? q : detail::accurateTan(x);
    cosine = fastRounds(sc.cos) ? sc.cos.hi : detail::accurateCos(x);
    return;
  }
  tangent = tan(x);
  cosine = cos(x);
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
  // w (s + delta) with delta = remainder / 2s, and w delta = s remainder / 2 (w / s^2): s^2 is w
  // to 2^-52, so the division is not needed. About 2^-103 relative.
  const DoubleDouble ws = twoProduct(w, s);
  const DoubleDouble y = fastTwoSum(ws.hi, ws.lo + 0.5 * s * remainder);
  if (roundsToHi(y, 0x1p-99 * y.hi)) return y.hi;
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
  if (roundsToHi(y, 0x1p-103 * std::fabs(y.hi))) return y.hi;
  // Undecided: when x^2 is exact, h is the exact cube and its rounded product the result.
  return p.lo == 0.0 ? h.hi : y.hi;
}

}  // namespace correctly_rounded

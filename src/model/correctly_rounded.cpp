#include "model/correctly_rounded.h"

#include <cmath>
#include <limits>

namespace correctly_rounded {
namespace {

// The small helpers of the fast evaluation are inlined into each function: a call each would
// cost more than they do.
#define OSTRAND_INLINE [[gnu::always_inline]] inline

// Two doubles side by side in one SSE2 register (a GCC vector type, also under mingw-w64): each
// operation on them is the IEEE double operation on each lane, so a lane gives the bits a double
// would, at half the instructions for two. A comparison gives a mask lane: -1 true, 0 false.
typedef double Lanes __attribute__((vector_size(16)));
typedef long long LaneMask __attribute__((vector_size(16)));

// An unevaluated sum hi + lo of two doubles (or of two lanes of them), |lo| at most about half
// an ulp of hi.
template <typename Real>
struct Unevaluated {
  Real hi, lo;
};
using DoubleDouble = Unevaluated<double>;

// A table sine: head (26 significant bits) + rest + rest2, to about 2^-130.
struct TableSine {
  double head, rest, rest2;
};

#include "model/sine_table.inc"

static_assert(sizeof kSineTable / sizeof kSineTable[0] == 512, "sines of j pi/256");

// The fast evaluation reads -sin(k pi/256) as entry k + 256.
constexpr bool secondHalfNegatesFirst() {
  for (int j = 0; j < 256; ++j) {
    const TableSine& a = kSineTable[j];
    const TableSine& b = kSineTable[j + 256];
    if (b.head != -a.head || b.rest != -a.rest || b.rest2 != -a.rest2) return false;
  }
  return true;
}
static_assert(secondHalfNegatesFirst(), "sin(t + pi) = -sin t, entry by entry");

// The fast evaluation's table: entry j holds the heads and rests of sin(j pi/256) and
// cos(j pi/256) (table sines j and j + 128) side by side, so that one index finds both and one
// cache line holds two angles.
struct alignas(32) FastTableEntry {
  double sinHead, sinRest, cosHead, cosRest;
};
struct FastTable {
  FastTableEntry entry[512];
};
constexpr FastTable makeFastTable() {
  FastTable table{};
  for (int j = 0; j < 512; ++j) {
    const TableSine& s = kSineTable[j];
    const TableSine& c = kSineTable[(j + 128) & 511];
    table.entry[j] = {s.head, s.rest, c.head, c.rest};
  }
  return table;
}
constexpr FastTable kFastTable = makeFastTable();

// ---- exact operations on doubles (no fused multiply-add: the same on every platform) ----

// s + e == a + b exactly (Knuth).
OSTRAND_INLINE DoubleDouble twoSum(double a, double b) {
  const double s = a + b;
  const double bb = s - a;
  const double e = (a - (s - bb)) + (b - bb);
  return {s, e};
}

// s + e == a + b exactly, for |a| >= |b| or a == 0 (Dekker).
template <typename Real>
OSTRAND_INLINE Unevaluated<Real> fastTwoSum(Real a, Real b) {
  const Real s = a + b;
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

OSTRAND_INLINE Lanes absolute(Lanes a) {
  return reinterpret_cast<Lanes>(reinterpret_cast<LaneMask>(a) & 0x7fffffffffffffffLL);
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

// For finite |x| <= kAccurateLimit: about 2^-106 relative to r; the products are taken exactly.
// Returns r and sets `k` to k modulo 512.
DoubleDouble reduceAccurate(double x, int& k) {
  const double kk = (x * k256OverPi + kRoundingShift) - kRoundingShift;
  DoubleDouble r = {x, 0.0};
  for (double part : kPiOver256Parts) r = add(r, negate(twoProduct(kk, part)));
  k = static_cast<int>(static_cast<long long>(kk) & 511);
  return r;
}

// sin(k pi/256) is table entry k, cos(k pi/256) entry k + 128 and -sin(k pi/256) entry k + 256
// (modulo 512).
DoubleDouble accurateValue(int entry) {
  const TableSine& t = kSineTable[entry & 511];
  const DoubleDouble v = fastTwoSum(t.head, t.rest);
  return fastTwoSum(v.hi, v.lo + t.rest2);
}

// ---- the fast evaluation, two arguments side by side ----
//
// x = k pi/256 + r, and with a = sin(k pi/256), b = cos(k pi/256), sin x = a cos r + b sin r;
// cos x is the same sum with the table read a quarter turn on (a = cos(k pi/256),
// b = -sin(k pi/256)). So a sine and a cosine run the same operations, and any two of them
// share the instructions of one.

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

// True (in each lane) when every value within `bound` of y.hi + y.lo rounds to y.hi. Rounding
// to nearest is monotonic, so it is enough that both ends of the interval do.
OSTRAND_INLINE bool roundsToHi(const DoubleDouble& y, double bound) {
  return y.hi + (y.lo + bound) == y.hi && y.hi + (y.lo - bound) == y.hi;
}

OSTRAND_INLINE LaneMask roundsToHi(const Unevaluated<Lanes>& y, Lanes bound) {
  return (y.hi + (y.lo + bound) == y.hi) & (y.hi + (y.lo - bound) == y.hi);
}

// What the fast evaluation makes of two arguments.
struct FastPair {
  Unevaluated<Lanes> y;  // the value, to kFastRelativeError (0 outside the fast domain)
  LaneMask decided;      // y.hi is the correctly rounded result
};

// A constant in both lanes.
constexpr Lanes both(double v) { return Lanes{v, v}; }

// Lane i gives sin x[i] when `cosine[i]` is false, cos x[i] when true.
OSTRAND_INLINE FastPair fastPair(Lanes x, const bool (&cosine)[2]) {
  constexpr Lanes kLimit = both(kFastLimit), kScale = both(k256OverPi),
                  kShift = both(kRoundingShift), kPart1 = both(kPiOver256Parts[0]),
                  kPart2 = both(kPiOver256Parts[1]), kPart3 = both(kPiOver256Parts[2]);
  constexpr Lanes kHalf = both(-0.5), kMinusS3 = both(-kS3), kLanesS5 = both(kS5),
                  kLanesS7 = both(kS7), kLanesC4 = both(kC4), kLanesC6 = both(kC6),
                  kSplitter = both(134217729.0);
  constexpr Lanes kRelative = both(kFastRelativeError), kAbsolute = both(kFastAbsoluteError),
                  kZero = both(0.0);

  // An argument outside the fast domain is evaluated as 0 and left undecided.
  const LaneMask inDomain = absolute(x) <= kLimit;
  const Lanes xf = inDomain ? x : kZero;

  // The reduction, to about 2^-109 absolute: r1 = x - k P1 is exact (Sterbenz) and so are the
  // products with the first three parts; the fourth and fifth are below 2^-110. r1 - k P2 by
  // Dekker's sum is exact too: either |r1| >= |k P2|, or |r1| < |k P2| < 2^-33, and then both
  // are multiples of 2^-81 (x of 2^-60 when k != 0, k P1 and k P2 of the parts' last bits) and
  // so is their difference, a double below 2^-32. The pair rh + rl is not renormalised: rl is
  // below 2^-52 of rh except where r is so small that only the absolute error counts.
  const Lanes k = (xf * kScale + kShift) - kShift;
  const Lanes r1 = xf - k * kPart1;
  const Unevaluated<Lanes> r2 = fastTwoSum(r1, -(k * kPart2));
  const Lanes rh = r2.hi;
  const Lanes rl = r2.lo - k * kPart3;

  // The table's heads (26 significant bits) and rests: a = sin and b = cos of the angle of
  // entry k, or of entry k + 128 for a cosine (a quarter turn on). |k| < 2^12.
  const FastTableEntry& e0 =
      kFastTable.entry[(static_cast<int>(k[0]) + (cosine[0] ? 128 : 0)) & 511];
  const FastTableEntry& e1 =
      kFastTable.entry[(static_cast<int>(k[1]) + (cosine[1] ? 128 : 0)) & 511];
  const Lanes aHead = {e0.sinHead, e1.sinHead}, aRest = {e0.sinRest, e1.sinRest};
  const Lanes bHead = {e0.cosHead, e1.cosHead}, bRest = {e0.cosRest, e1.cosRest};

  // rh in halves (Veltkamp, as split does): a 26-bit head times each is exact.
  const Lanes c = kSplitter * rh;
  const Lanes rHead = c - (c - rh);
  const Lanes rTail = rh - rHead;
  const Lanes r2h = rh * rh;
  // cos r - 1 and sin r - rh: terms up to r^6 and r^7 (the next are below 2^-70 of the
  // result), with the first-order terms of rl.
  const Lanes cosTail = r2h * (kHalf + r2h * (kLanesC4 - r2h * kLanesC6)) - rh * rl;
  const Lanes sinTail = rh * r2h * (kMinusS3 + r2h * (kLanesS5 - r2h * kLanesS7)) + rl;
  // a cos r + b sin r = a + b rh + (a (cos r - 1) + b (sin r - rh)): the products of the heads
  // are exact and their sum is taken exactly (a table sine other than 0 exceeds
  // sin(pi/256) > |b r|); everything else is below 2^-26 of the result.
  const Unevaluated<Lanes> s = fastTwoSum(aHead, bHead * rHead);
  const Lanes aWhole = aHead + aRest;
  const Lanes bWhole = bHead + bRest;
  const Lanes tail = ((bRest * rh + bWhole * sinTail) + (aRest + aWhole * cosTail)) +
                     (s.lo + bHead * rTail);
  const Unevaluated<Lanes> y = fastTwoSum(s.hi, tail);

  // A sine of zero is left to the accurate path, which keeps the sign of the zero.
  const LaneMask isCosine = {cosine[0] ? -1 : 0, cosine[1] ? -1 : 0};
  const LaneMask rounds = roundsToHi(y, kRelative * absolute(y.hi) + kAbsolute);
  return {y, inDomain & ((x != kZero) | isCosine) & rounds};
}

// The fast tangent from the fast sine and cosine: q = s / c from a first quotient and the
// exact remainder s.hi - q c.hi (Sterbenz) corrected by the low parts. Sets `decided`.
OSTRAND_INLINE double fastTanOf(const DoubleDouble& s, const DoubleDouble& c, bool& decided) {
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

// The fast sine (lane 0) and cosine (lane 1) of one argument.
OSTRAND_INLINE FastPair fastSinCos(double x) { return fastPair(Lanes{x, x}, {false, true}); }

// The fast tangent of x from fastSinCos(x); false when undecided or outside the fast domain.
OSTRAND_INLINE bool fastTan(double x, const FastPair& p, double& tangent) {
  bool decided = false;
  tangent = fastTanOf({p.y.hi[0], p.y.lo[0]}, {p.y.hi[1], p.y.lo[1]}, decided);
  return decided && std::fabs(x) <= kFastLimit;
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
  int k = 0;
  const DoubleDouble r = reduceAccurate(x, k);
  const int a = cosine ? k + 128 : k;
  return add(multiply(accurateValue(a), cosAccurate(r)),
             multiply(accurateValue(a + 128), sinAccurate(r)));
}

}  // namespace

namespace detail {

bool fastSin(double x, double& result) {
  if (x == 0.0) {  // keeps the sign of zero
    result = x;
    return true;
  }
  const FastPair p = fastPair(Lanes{x, x}, {false, false});
  result = p.y.hi[0];
  return p.decided[0] != 0;
}

bool fastCos(double x, double& result) {
  const FastPair p = fastPair(Lanes{x, x}, {true, true});
  result = p.y.hi[0];
  return p.decided[0] != 0;
}

bool fastTan(double x, double& result) {
  if (x == 0.0) {
    result = x;
    return true;
  }
  return fastTan(x, fastSinCos(x), result);
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

namespace {

OSTRAND_INLINE void sinesInPairs(const double* x, double* sine, int count) {
  int i = 0;
  for (; i + 1 < count; i += 2) {
    const FastPair p = fastPair(Lanes{x[i], x[i + 1]}, {false, false});
    sine[i] = p.decided[0] != 0 ? p.y.hi[0] : detail::accurateSin(x[i]);
    sine[i + 1] = p.decided[1] != 0 ? p.y.hi[1] : detail::accurateSin(x[i + 1]);
  }
  if (i < count) sine[i] = sin(x[i]);
}

OSTRAND_INLINE void sinCosOrTanCos(double x, double& sine, double& cosine, double* tangent) {
  const FastPair p = fastSinCos(x);
  sine = p.decided[0] != 0 ? p.y.hi[0] : detail::accurateSin(x);
  cosine = p.decided[1] != 0 ? p.y.hi[1] : detail::accurateCos(x);
  if (tangent == nullptr) return;
  if (x == 0.0) {
    *tangent = x;
  } else if (!fastTan(x, p, *tangent)) {
    *tangent = detail::accurateTan(x);
  }
}

}  // namespace

void sines(const double* x, double* sine, int count) { sinesInPairs(x, sine, count); }

void sinCos(double x, double& sine, double& cosine) { sinCosOrTanCos(x, sine, cosine, nullptr); }

void tanCos(double x, double& tangent, double& cosine) {
  double sine;
  sinCosOrTanCos(x, sine, cosine, &tangent);
}

void sinCosAndSines(double phi, double& sine, double& cosine, double* tangent,
                    const double (&x)[kBatchSines], double (&sines)[kBatchSines]) {
  sinCosOrTanCos(phi, sine, cosine, tangent);
  sinesInPairs(x, sines, kBatchSines);  // a fixed count: the loop unrolls
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
  // x^3 = x (p.hi + p.lo) = h.hi + h.lo + x p.lo exactly; x p.lo (below 2^-52 of the cube) is
  // needed to 2^-53 of itself only, so its rounded product serves.
  const DoubleDouble p = twoProduct(x, x);
  const DoubleDouble h = twoProduct(x, p.hi);
  const DoubleDouble y = fastTwoSum(h.hi, h.lo + x * p.lo);
  if (roundsToHi(y, 0x1p-103 * std::fabs(y.hi))) return y.hi;
  // Undecided: when x^2 is exact, h is the exact cube and its rounded product the result.
  return p.lo == 0.0 ? h.hi : y.hi;
}

}  // namespace correctly_rounded

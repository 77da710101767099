// The projection's elementary functions against a correctly rounded reference: MPFR where it is
// installed (natively), over the whole domain the projection meets, densely and at random points;
// and everywhere (so under Windows too) the committed table of MPFR's values, which holds the
// arguments where the C runtimes round differently and where the fast evaluation cannot decide.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "model/correctly_rounded.h"

#ifdef OSTRAND_HAVE_MPFR
#include <mpfr.h>
#endif

namespace {

namespace cr = correctly_rounded;

constexpr double kPi = 3.141592653589793;

struct RoundingReference {
  const char* function;
  double x;
  double expected;
};

const RoundingReference kRoundingReference[] = {
#include "rounding_reference.inc"
};

// The function's value; for sin, cos and tan also by the shared-reduction routes the projection
// calls (sines, sinCos, tanCos), which must give the same bits: not a number when they differ.
double evaluate(const std::string& function, double x) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  auto agreed = [nan](double a, double b) { return a == b || (a != a && b != b) ? a : nan; };
  double s = 0, c = 0, t = 0, c2 = 0, batch = 0;
  cr::sinCos(x, s, c);
  cr::tanCos(x, t, c2);
  cr::sines(&x, &batch, 1);
  if (function == "sin") return agreed(agreed(cr::sin(x), s), batch);
  if (function == "cos") return agreed(agreed(cr::cos(x), c), c2);
  if (function == "tan") return agreed(cr::tan(x), t);
  if (function == "pow1.5") return cr::powThreeHalves(x);
  if (function == "cube") return cr::cube(x);
  ADD_FAILURE() << "unknown function " << function;
  return 0;
}

bool sameBits(double a, double b) {
  return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b));
}

TEST(correctly_rounded_test, every_value_of_the_reference_table) {
  int wrong = 0;
  for (const RoundingReference& r : kRoundingReference) {
    const double actual = evaluate(r.function, r.x);
    if (!sameBits(actual, r.expected)) {
      ++wrong;
      ADD_FAILURE() << r.function << "(" << std::hexfloat << r.x << ") = " << actual
                    << ", correctly rounded " << r.expected;
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_GT(sizeof kRoundingReference / sizeof kRoundingReference[0], 3000u);
}

TEST(correctly_rounded_test, zeros_infinities_not_a_number_and_exact_cases) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* what;
    double actual;
    double expected;
  };
  const double u = 262143.0 / 262144.0;  // (2^18 - 1)/2^18: its cube is halfway between doubles
  const Case cases[] = {
      {"sin +0", cr::sin(0.0), 0.0},
      {"sin -0", cr::sin(-0.0), -0.0},
      {"tan -0", cr::tan(-0.0), -0.0},
      {"cos -0", cr::cos(-0.0), 1.0},
      {"sin tiny", cr::sin(0x1p-600), 0x1p-600},
      {"tan tiny", cr::tan(-0x1p-600), -0x1p-600},
      {"sin inf", cr::sin(inf), nan},
      {"cos -inf", cr::cos(-inf), nan},
      {"tan nan", cr::tan(nan), nan},
      {"pow1.5 0", cr::powThreeHalves(0.0), 0.0},
      {"pow1.5 1", cr::powThreeHalves(1.0), 1.0},
      {"pow1.5 0.25", cr::powThreeHalves(0.25), 0.125},
      {"pow1.5 -1", cr::powThreeHalves(-1.0), nan},
      {"pow1.5 inf", cr::powThreeHalves(inf), inf},
      // u^2 has 36 bits, so (u^2)^1.5 = u^3 exactly: 54 bits, halfway, rounded to even.
      {"pow1.5 halfway", cr::powThreeHalves(u * u), 0x1.fffe80006p-1},
      {"cube halfway", cr::cube(u), 0x1.fffe80006p-1},
      {"cube -0", cr::cube(-0.0), -0.0},
      {"cube 0.5", cr::cube(0.5), 0.125},
      {"cube -3", cr::cube(-3.0), -27.0},
  };
  for (const Case& c : cases) EXPECT_TRUE(sameBits(c.actual, c.expected)) << c.what << ": " << c.actual;
}

#ifdef OSTRAND_HAVE_MPFR

using MpfrFunction = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t);

// What one function did over a set of arguments.
struct Tally {
  long count = 0;
  long notCorrectlyRounded = 0;
  long accurateNotCorrectlyRounded = 0;
  long fastUndecided = 0;
  long runtimeDiffers = 0;  // the C runtime's function is not correctly rounded there
  double maxUlp = 0;        // largest error in units in the last place of the exact value
};

class Reference {
 public:
  Reference() { mpfr_inits2(256, x_, y_, e_, static_cast<mpfr_ptr>(nullptr)); }
  ~Reference() { mpfr_clears(x_, y_, e_, static_cast<mpfr_ptr>(nullptr)); }

  // The exact value at 256 bits in y_, and it rounded to a double.
  double exact(const std::string& function, double x) {
    mpfr_set_d(x_, x, MPFR_RNDN);
    if (function == "pow1.5") {
      mpfr_set_d(e_, 1.5, MPFR_RNDN);
      mpfr_pow(y_, x_, e_, MPFR_RNDN);
    } else if (function == "cube") {
      mpfr_pow_ui(y_, x_, 3, MPFR_RNDN);
    } else if (function == "square") {
      mpfr_sqr(y_, x_, MPFR_RNDN);
    } else {
      const MpfrFunction f = function == "sin" ? mpfr_sin : function == "cos" ? mpfr_cos : mpfr_tan;
      f(y_, x_, MPFR_RNDN);
    }
    return mpfr_get_d(y_, MPFR_RNDN);
  }

  // |actual - exact| in units in the last place of the rounded exact value.
  double ulpError(double actual, double rounded) {
    mpfr_set_d(e_, actual, MPFR_RNDN);
    mpfr_sub(e_, e_, y_, MPFR_RNDN);
    const double ulp = std::nextafter(std::fabs(rounded), 2.0 * std::fabs(rounded) + 1.0) -
                       std::fabs(rounded);
    return std::fabs(mpfr_get_d(e_, MPFR_RNDN)) / ulp;
  }

 private:
  mpfr_t x_, y_, e_;
};

double runtime(const std::string& function, double x) {
  if (function == "sin") return std::sin(x);
  if (function == "cos") return std::cos(x);
  if (function == "tan") return std::tan(x);
  if (function == "pow1.5") return std::pow(x, 1.5);
  if (function == "cube") return std::pow(x, 3.0);
  return std::pow(x, 2.0);
}

void check(Reference& reference, const std::string& function, double x, Tally& tally) {
  const double rounded = reference.exact(function, x);
  const double actual = function == "square" ? x * x : evaluate(function, x);
  ++tally.count;
  if (actual != rounded) ++tally.notCorrectlyRounded;
  tally.maxUlp = std::max(tally.maxUlp, reference.ulpError(actual, rounded));
  if (runtime(function, x) != rounded) ++tally.runtimeDiffers;
  double fast = 0;
  bool decided = true;
  double accurate = rounded;
  if (function == "sin") {
    decided = cr::detail::fastSin(x, fast);
    accurate = cr::detail::accurateSin(x);
  } else if (function == "cos") {
    decided = cr::detail::fastCos(x, fast);
    accurate = cr::detail::accurateCos(x);
  } else if (function == "tan") {
    decided = cr::detail::fastTan(x, fast);
    accurate = cr::detail::accurateTan(x);
  }
  if (!decided) ++tally.fastUndecided;
  if (decided && function != "pow1.5" && function != "cube" && function != "square" &&
      fast != rounded) {
    ++tally.notCorrectlyRounded;  // a fast result that its bound wrongly let through
  }
  if (accurate != rounded) ++tally.accurateNotCorrectlyRounded;
}

// The domain of each function in the projection, as an interval swept in equal steps and
// sampled at random (latitudes of either sign cover the footpoint's iterates and every result
// within and far beyond the zones).
struct Domain {
  const char* function;
  const char* what;
  double low, high;
  int steps, randomPoints;
};

TEST(correctly_rounded_test, correctly_rounded_over_the_projection_domain_against_mpfr) {
  const double latitude = kPi / 2;
  const double e2 = 0.006694380022900787;  // GRS80, the larger of the two ellipsoids
  const Domain domains[] = {
      {"sin", "latitudes", -latitude, latitude, 300000, 100000},
      {"sin", "2 to 16 times a latitude (the meridian arc)", -16 * latitude, 16 * latitude, 600000,
       200000},
      {"cos", "latitudes", -latitude, latitude, 300000, 100000},
      {"tan", "latitudes", -latitude + 1e-9, latitude - 1e-9, 300000, 100000},
      {"pow1.5", "W = 1 - e^2 sin^2 phi", 1 - e2, 1.0, 300000, 100000},
      {"cube", "cos^2 phi", 0.0, 1.0, 300000, 100000},
      {"square", "cos^2 phi (as x * x)", 0.0, 1.0, 100000, 100000},
  };
  Reference reference;
  std::mt19937_64 random(11);
  for (const Domain& d : domains) {
    Tally tally;
    for (int i = 0; i <= d.steps; ++i) {
      check(reference, d.function, d.low + (d.high - d.low) * i / d.steps, tally);
    }
    std::uniform_real_distribution<double> point(d.low, d.high);
    for (int i = 0; i < d.randomPoints; ++i) check(reference, d.function, point(random), tally);
    EXPECT_EQ(tally.notCorrectlyRounded, 0) << d.function << " over " << d.what;
    EXPECT_EQ(tally.accurateNotCorrectlyRounded, 0) << d.function << " over " << d.what;
    EXPECT_LE(tally.maxUlp, 0.5) << d.function << " over " << d.what;
    std::printf("%-7s %-45s %8ld points: not correctly rounded %ld, max error %.4f ulp; "
                "fast evaluation undecided %ld; C runtime not correctly rounded %ld\n",
                d.function, d.what, tally.count, tally.notCorrectlyRounded, tally.maxUlp,
                tally.fastUndecided, tally.runtimeDiffers);
    RecordProperty(std::string(d.function) + " runtime_not_correctly_rounded",
                   std::to_string(tally.runtimeDiffers));
  }
}

#endif  // OSTRAND_HAVE_MPFR

}  // namespace

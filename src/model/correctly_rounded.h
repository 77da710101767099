// The elementary functions of the projection, correctly rounded: each returns the double nearest
// the exact value (ties to even), computed by the same IEEE double operations on every platform.
// So the projection gives the same bits on Linux and on Windows whatever the C runtime's own sin,
// cos, tan and pow do (mingw-w64's run the x87 fsin/fcos and go through log2l/exp2l, which is slow
// and rounds differently), and the same bits as any other correctly rounded library.
//
// Method (Ziv): a fast evaluation as an unevaluated sum of two doubles with a known error bound;
// when the bound shows that the sum rounds to one double, that double is the result, otherwise an
// accurate evaluation (about 100 bits) is rounded. sin, cos, tan: x = k pi/256 + r with pi/256 in
// five parts, |r| <= pi/512, sin and cos of k pi/256 from a table (sine_table.inc, from MPFR)
// with a 26-bit head so that its product with the halves of r is exact, short Taylor series; tan = sin/cos from the same reduction. w^1.5 and x^3 from exact
// products (Dekker) and the exact remainder of the square root.
//
// Domain: sin, cos, tan are correctly rounded over the projection's whole domain, latitudes of
// either sign and up to 16 times them (checked against MPFR there, densely and at random points:
// tests/model/correctly_rounded_test.cpp); the fast evaluation serves |x| <= 32, the accurate one
// (about 2^-100 relative) the rest up to |x| <= 2^30, and for larger |x| the argument is first reduced modulo the double
// nearest 2 pi (exact, but not the sine of x): a result that is the same on every platform.
// Not a number or an infinity gives not a number. powThreeHalves and cube are correctly rounded
// for every argument whose result neither overflows nor underflows.
#pragma once

namespace correctly_rounded {

double sin(double x);
double cos(double x);
double tan(double x);

// sine[i] = sin(x[i]) for i < count, in one loop (cheaper than a call each).
void sines(const double* x, double* sine, int count);

// sin and cos, or tan and cos, of one argument from one reduction: the same results as the
// functions one by one, for less work.
void sinCos(double x, double& sine, double& cosine);
void tanCos(double x, double& tangent, double& cosine);

// w^1.5 for w >= 0 (not a number for w < 0).
double powThreeHalves(double w);

// x^3 (x * x * x rounds twice; this rounds once).
double cube(double x);

// The two evaluations on their own, for the accuracy test: the fast one returns false when its
// error bound does not settle the rounding; the accurate one always gives its rounded result.
namespace detail {
bool fastSin(double x, double& result);
bool fastCos(double x, double& result);
bool fastTan(double x, double& result);
double accurateSin(double x);
double accurateCos(double x);
double accurateTan(double x);
}  // namespace detail

}  // namespace correctly_rounded

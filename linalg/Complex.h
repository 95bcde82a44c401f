#pragma once
// A complex number of two doubles, with the few operations the system uses.
// The product is written out in real arithmetic on purpose: it keeps the hot
// loops free of the library's infinity checks.

#include <cmath>

namespace linalg {

struct Complex {
    double re = 0.0;
    double im = 0.0;
};

// cos(angle) + i sin(angle).
Complex fromAngle(double angle);

// (x.re y.re - x.im y.im) + i (x.re y.im + x.im y.re).
inline Complex multiply(Complex x, Complex y) {
    return {x.re * y.re - x.im * y.im, x.re * y.im + x.im * y.re};
}

// z becomes |z|^2 + 0i.
void normSquared(Complex& z);

// z^n through the polar form.
Complex power(Complex z, int n);

inline Complex operator+(Complex a, Complex b) { return {a.re + b.re, a.im + b.im}; }
inline Complex operator-(Complex a, Complex b) { return {a.re - b.re, a.im - b.im}; }
inline Complex operator*(Complex a, Complex b) { return multiply(a, b); }
inline Complex conj(Complex z) { return {z.re, -z.im}; }
inline bool operator==(Complex a, Complex b) { return a.re == b.re && a.im == b.im; }
// Both parts +0, the bits of a cleared entry (not -0, which == takes for 0).
inline bool isPositiveZero(Complex z) {
    return z.re == 0 && !std::signbit(z.re) && z.im == 0 && !std::signbit(z.im);
}

}  // namespace linalg

// trig.h - sine and cosine of our own, so that every build draws the same frames.
//
// The effects truncate sums of sines and cosines to pixels, so a last-bit
// difference can move a dot. C libraries disagree in that last bit (by CPU,
// by library, and x87 code far worse), so the drawing code takes its sine and
// cosine from here: IEEE double +, -, * only, no fused multiply-add, no long
// double, no library call. Built with -ffp-contract=off (the project's flags),
// GCC and Clang give the same bits on x86-64, aarch64, MinGW and Emscripten.
#pragma once

struct SineCosine {
  double sine;
  double cosine;
};

// Sine and cosine of x radians. Called by every effect that places points on
// a circle and by the scene script, with tick angles tick * kTickAngle (any
// 32-bit tick: |x| < 4.5e7), the halo's whole radians 0..699, the spiral's
// dot angles (5n plus a radius set by swing), swing itself, and 1.
//
// For |x| <= 2^26 (6.7e7, past every one of those) each result is within
// 1 ulp of the correctly rounded value: tests/trig_accuracy_test.cpp checks
// that against MPFR. Beyond, a finite x is reduced exactly modulo a 27-bit
// approximation of 2 pi: the results lie in [-1, 1] but carry no accuracy.
// NaN or infinite x gives NaN for both.
SineCosine sineCosine(double x);

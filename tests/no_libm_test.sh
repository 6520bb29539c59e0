#!/bin/sh
# The drawing code's libraries take no sine, cosine or other transcendental
# function from the C library: those differ in the last bit between
# libraries and CPUs, and a pixel can follow that bit (effects/trig.h).
# Usage: no_libm_test.sh LIBRARY...
set -u
undefined=$(nm -u "$@") || { echo "nm failed on $*" >&2; exit 1; }
# The right libraries were read: one of them defines the demo's own sine.
nm --defined-only "$@" 2>/dev/null | grep -q ' T _Z10sineCosined$' ||
  { echo "no library among $* defines sineCosine" >&2; exit 1; }
found=$(echo "$undefined" | awk '$1 == "U" { print $2 }' | grep -E \
  '^(__)?(a?(sin|cos|tan)h?|sincos|atan2|exp(2|10|m1)?|log(2|10|1p|b)?|pow|cbrt|hypot|erfc?|[lt]gamma)[fl]?(_finite)?(@.*)?$' |
  sort -u)
[ -z "$found" ] && echo "ok: no C-library transcendental in $#" "libraries" && exit 0
echo "FAIL: the drawing code links" $found >&2
exit 1

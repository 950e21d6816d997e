// Sine and cosine of an extended real, in integer arithmetic only, so that
// every processor gives the same bits. What is proven (below): each result
// lies within 1 ulp of the exact value, and is the exact value rounded to
// nearest even at the 64-bit significand unless the exact value lies within
// 2^-50 ulp of a point halfway between two extended numbers.
//
// Edges: |x| >= 2^63 and the infinities give +0 for both (the argument is
// not reduced at all); a NaN gives itself quieted (significand bit 62 set)
// for both; an encoding the x87 refuses (a non-zero exponent without the
// integer bit: unnormals, pseudo-NaNs, pseudo-infinities) gives the default
// NaN for both. Zeros, subnormals and every |x| < 2^-32 give sin x = x and
// cos x = 1, which is the correctly rounded result there.
//
// How: |x| = q * pi/2 + r with |r| <= pi/4, from the product of the 64-bit
// significand with 192 bits of 2/pi, or with 384 when the fraction of
// x * 2/pi starts with so many zeros that 192 bits leave it short; r is kept
// as a normalised 128-bit significand with its exponent. For |r| < 2^-9,
// sin r = r (1 - r^2 S(r^2)) and cos r = 1 - r^2 C(r^2); otherwise
// r = i/256 + d with |d| <= 2^-9 and sin r = sin(i/256) cos d +
// cos(i/256) sin d (and alike for cos) from a table of sin and cos at i/256,
// with the same polynomials for sin d and cos d. Everything after the
// reduction is fixed point with 128 fraction bits, except 1 - cos r for
// |r| < 2^-9, which is formed with the exponent of r^2 and rounded against
// 1 once.
//
// Error bound (the value before its one rounding, relative to the exact
// sine or cosine):
//  - Reduction: x * 2/pi from 2/pi truncated after 64K bits (K = 3 or 6
//    words) errs by less than 2^(64 - t - 64K), t = 63 - exponent of x; the
//    leading zeros L of the fraction are counted and the short product is
//    accepted only when L <= 64K + t - 189, so the fraction is known to
//    2^-124 relative. Over all 64-bit significands with exponents -1 .. 62
//    the fraction is never below 2^-70 (kClosestReductionBits, proven by
//    scripts/sine-cosine-tables.py from the continued fractions of
//    2^(e-63) * 2/pi), so K = 6 always suffices. Cutting the fraction to 128
//    bits (2^-127), pi/4 rounded (2^-129) and the product (3 units, 2^-124.4
//    relative) make r exact to 2^-122.5 relative. Sine and cosine pass a
//    relative error of r on with factors r cot r and r tan r, both <= 1.
//  - Polynomials: the sine stops at r^11/11! and the cosine at r^10/10!;
//    for |r|, |d| <= 2^-9 the first terms left out, r^13/13! and r^12/12!,
//    are below 2^-140 and 2^-136 of the result.
//  - Fixed-point steps: each product truncates by less than 3 units of
//    2^-128 and each table value or coefficient is rounded to half a unit.
//    On the table path under 15 units gather (d and d^2, sin d and 1 - cos d
//    with their Horner steps, the four products of the sum, the two table
//    values), under 2^-124 absolute, against a sine of at least
//    sin(2^-9) > 2^-9.01 and a cosine above 0.7: 2^-115 relative. On the
//    small-argument path the sine stays under 2^-125 relative.
//  - The cosine for |r| < 2^-9: r^2 (3 units of 2^-128 against at least
//    2^-2 of its scale), C (a few units against 1/2) and their product
//    (3 units against 1/8) give 1 - cos r to 2^-122 relative; the omitted
//    term adds r^12/12! < 2^-136.8 absolute. Against a cosine in
//    [1 - 2^-19, 1), whose ulp is 2^-64, that is under 2^-72 ulp (under
//    2^-116 ulp for |r| < 2^-29, where 1 - cos r < 2^-59). Those cosines
//    come within 2^-60 ulp of a halfway point and closer (cos(2^-32 (1 +
//    2^-63)) lies some 2^-63 ulp below 1 - 2^-65), so a fixed-point
//    1 - cos r with 128 fraction bits, 2^-64 ulp, would not do.
//  Together: within 2^-114.9 of the exact value, relative; as the value is
//  under 2^64 of its own ulps, within 2^-50 ulp. The rounding goes wrong
//  only when the exact value lies within that distance of a halfway point
//  between two extended numbers (2^-72 ulp for the cosine of |r| < 2^-9);
//  even then the result is the other neighbour, so it is always within 1
//  ulp. The exact sine or cosine of a non-zero extended number is
//  transcendental, so it is never itself a halfway point.
#pragma once

#include "core/extended/extended.h"
#include "core/extended/extended_bits.h"

namespace ormakin {

struct SineCosineBits {
  ExtendedBits sin;
  ExtendedBits cos;
};

SineCosineBits SinCosBits(ExtendedBits x);

// The same for the car's Extended, whichever type that is here.
struct SineCosine {
  Extended sin;
  Extended cos;
};

inline SineCosine SinCos(Extended x) {
  const SineCosineBits r = SinCosBits(ToBits(x));
  return {FromBits(r.sin), FromBits(r.cos)};
}

}  // namespace ormakin

// Writes the test vectors of the car's extended arithmetic (the notation is
// in extended_vectors.h) as this x86 machine computes them: the arithmetic
// on its x87 (confirmed by MPFR where MPFR is there, and equal to SoftExtended
// by the reference tests), the sine and cosine and the decimal conversion in
// the core's integer code (checked against MPFR by extended_reference_tests).
// Every target's core tests replay the file.
//   make_extended_vectors FILE
// The operands come from a fixed seed, so the file only changes when this
// program does. The file is written whole: a temporary file beside it, then
// renamed over it.

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/extended/x87.h"
#include "support/extended_vectors.h"

#ifdef ORMAKIN_WITH_MPFR
#include <mpfr.h>
#endif

#if !(defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))) || LDBL_MANT_DIG != 64
#error "the reference is the x87's extended arithmetic: build this program for x86"
#endif

namespace ormakin::testing {
namespace {

// splitmix64: small, and the same sequence on every compiler.
class Random {
 public:
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // 0 <= value < n
  std::uint64_t Below(std::uint64_t n) { return Next() % n; }
  std::int64_t Between(std::int64_t low, std::int64_t high) {
    return low + static_cast<std::int64_t>(Below(static_cast<std::uint64_t>(high - low + 1)));
  }

 private:
  std::uint64_t state_ = 0x6F726D616B696EULL;
};

constexpr std::uint16_t kBias = 0x3FFF;
constexpr std::uint64_t kIntegerBit = 0x8000000000000000ULL;

ExtendedBits Bits(std::uint16_t signExponent, std::uint64_t significand) {
  return {signExponent, significand};
}

// Zeros, subnormals, the ends of the normal range, infinities, the x87's
// quiet NaN and its default NaN, and the numbers the car works with.
std::vector<ExtendedBits> EdgeValues() {
  std::vector<ExtendedBits> values = {
      Bits(0x0000, 0),                           // 0
      Bits(0x8000, 0),                           // -0
      Bits(0x0000, 1),                           // the smallest subnormal
      Bits(0x0000, kIntegerBit - 1),             // the largest subnormal
      Bits(0x0001, kIntegerBit),                 // the smallest normal
      Bits(0x7FFE, ~0ULL),                       // the largest finite
      Bits(0xFFFE, ~0ULL),                       // its negative
      Bits(0x7FFF, kIntegerBit),                 // infinity
      Bits(0xFFFF, kIntegerBit),                 // -infinity
      Bits(0x7FFF, 0xC000000000000000),          // a quiet NaN
      Bits(0xFFFF, 0xC000000000000000),          // the default NaN
      Bits(kBias, kIntegerBit),                  // 1
      Bits(kBias, kIntegerBit | 1),              // 1 and one unit in the last place
      Bits(kBias - 1, ~0ULL),                    // 1 less half a unit
      Bits(0x8000 | kBias, kIntegerBit),         // -1
      Bits(kBias + 1, 0xC90FDAA22168C235),       // pi, as the car's constant holds it
      Bits(kBias - 6, 0x8EFA351294E9C8AE),       // pi / 180
      Bits(kBias + 62, ~0ULL),                   // just below 2^63
      Bits(kBias + 63, kIntegerBit),             // 2^63
      Bits(kBias + 30, ~0ULL << 33),             // 2^31 - 1
      Bits(kBias + 30, ~0ULL << 32),             // 2^31 - 1/2
      Bits(0x8000 | (kBias + 31), kIntegerBit),  // -2^31
  };
  return values;
}

// A finite value: mostly of the car's magnitudes, some anywhere in the range,
// a few subnormal; significands now and then with long runs of zeros or ones
// in their low bits, where rounding decides.
ExtendedBits RandomValue(Random& random) {
  const std::uint16_t sign = random.Below(2) != 0 ? 0x8000 : 0;
  std::uint64_t significand = random.Next();
  switch (random.Below(4)) {
    case 0:
      significand &= ~0ULL << random.Between(1, 40);
      break;
    case 1:
      significand |= ~(~0ULL << random.Between(1, 40));
      break;
    default:
      break;
  }
  const std::uint64_t kind = random.Below(20);
  if (kind == 0) {
    return Bits(sign, significand & (kIntegerBit - 1));
  }
  std::int64_t exponent = kind < 4 ? random.Between(1, 0x7FFE) : kBias + random.Between(-40, 40);
  return Bits(static_cast<std::uint16_t>(sign | exponent), significand | kIntegerBit);
}

// A second operand near the first in magnitude, so that sums and differences
// cancel and round.
ExtendedBits NearValue(Random& random, ExtendedBits a) {
  ExtendedBits b = RandomValue(random);
  const std::int64_t exponent = a.signExponent & 0x7FFF;
  if (exponent > 0 && random.Below(3) != 0) {
    const std::int64_t near =
        std::clamp<std::int64_t>(exponent + random.Between(-70, 70), 1, 0x7FFE);
    b.signExponent = static_cast<std::uint16_t>((b.signExponent & 0x8000) | near);
    b.significand |= kIntegerBit;
  }
  return b;
}

long double FromBits(ExtendedBits bits) {
  return X87FromBits(bits);
}

ExtendedBits ToBits(long double value) {
  return X87Bits(value);
}

double RandomDouble(Random& random) {
  switch (random.Below(6)) {
    case 0:  // any bits: subnormals, NaNs and infinities among them
      return std::bit_cast<double>(random.Next());
    case 1:  // a heading of the car, in radians
      return static_cast<double>(random.Between(-8000000, 8000000)) / 1000000.0 +
             std::bit_cast<double>(random.Next() >> 12 | 0x3CB0000000000000ULL);
    default:
      return static_cast<double>(FromBits(RandomValue(random)));
  }
}

#ifdef ORMAKIN_WITH_MPFR
// A second opinion on the four operations, from MPFR set to the extended
// format (64-bit significand, subnormals down to 2^-16445), rounding to
// nearest: a reference machine that rounds otherwise is refused. NaNs carry
// no bits in MPFR and are left out.
class MpfrCheck {
 public:
  MpfrCheck() {
    mpfr_set_emin(-16444);
    mpfr_set_emax(16384);
    mpfr_inits2(64, a_, b_, r_, static_cast<mpfr_ptr>(nullptr));
  }
  ~MpfrCheck() { mpfr_clears(a_, b_, r_, static_cast<mpfr_ptr>(nullptr)); }
  MpfrCheck(const MpfrCheck&) = delete;
  MpfrCheck& operator=(const MpfrCheck&) = delete;

  // Raises std::runtime_error when MPFR disagrees with the line's result.
  void Check(const std::string& name, const std::vector<std::string>& fields) {
    using Op = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_srcptr, mpfr_rnd_t);
    Op op = nullptr;
    if (name == "add") {
      op = mpfr_add;
    } else if (name == "sub") {
      op = mpfr_sub;
    } else if (name == "mul") {
      op = mpfr_mul;
    } else if (name == "div") {
      op = mpfr_div;
    } else {
      return;
    }
    const long double expected = FromBits(*ParseExtendedField(fields[2]));
    if (std::isnan(expected)) {
      return;
    }
    mpfr_set_ld(a_, FromBits(*ParseExtendedField(fields[0])), MPFR_RNDN);
    mpfr_set_ld(b_, FromBits(*ParseExtendedField(fields[1])), MPFR_RNDN);
    const int inexact = op(r_, a_, b_, MPFR_RNDN);
    mpfr_subnormalize(r_, mpfr_check_range(r_, inexact, MPFR_RNDN), MPFR_RNDN);
    const long double mpfr = mpfr_get_ld(r_, MPFR_RNDN);
    if (std::memcmp(&mpfr, &expected, 10) != 0 &&
        !(mpfr == 0 && expected == 0 && std::signbit(mpfr) == std::signbit(expected))) {
      throw std::runtime_error("MPFR gives " + FormatExtended(ToBits(mpfr)) + " for " + name + " " +
                               fields[0] + " " + fields[1] + ", this machine " + fields[2]);
    }
    ++checked_;
  }
  int Checked() const { return checked_; }

 private:
  mpfr_t a_, b_, r_;
  int checked_ = 0;
};
#else
class MpfrCheck {
 public:
  void Check(const std::string&, const std::vector<std::string>&) {}
  int Checked() const { return 0; }
};
#endif

class VectorWriter {
 public:
  explicit VectorWriter(std::ofstream& out) : out_(out) {}

  // Writes the operation's vector for these operands, as this machine
  // computes it.
  void Write(const char* name, const std::vector<std::string>& operands) {
    const VectorOperation* operation = FindVectorOperation(name);
    if (operation == nullptr || !operation->evaluate) {
      return;  // not computed yet: left out of the file
    }
    std::string line = name;
    for (const std::string& field : operands) {
      line += ' ' + field;
    }
    std::vector<std::string> fields = operands;
    for (std::string& field : operation->evaluate(operands)) {
      line += ' ' + field;
      fields.push_back(std::move(field));
    }
    mpfr_.Check(name, fields);
    out_ << line << '\n';
    ++count_;
  }
  int Count() const { return count_; }
  int CheckedByMpfr() const { return mpfr_.Checked(); }

 private:
  std::ofstream& out_;
  MpfrCheck mpfr_;
  int count_ = 0;
};

std::string RandomDecimal(Random& random) {
  std::string text;
  if (random.Below(3) == 0) {
    text += random.Below(2) != 0 ? "-" : "+";
  }
  const std::int64_t digits = random.Between(1, 25);
  const std::int64_t point = random.Between(-1, digits);
  for (std::int64_t i = 0; i < digits; ++i) {
    if (i == point) {
      text += '.';
    }
    text += static_cast<char>('0' + random.Below(10));
  }
  if (random.Below(2) != 0) {
    text += random.Below(2) != 0 ? 'E' : 'e';
    text += std::to_string(random.Between(-340, 320));
  }
  return text;
}

// Halfway between two neighbouring doubles, written out in full: a
// conversion that rounds twice, or not to even, lands on the wrong side.
std::string HalfwayDecimal(Random& random) {
  const double low = std::fabs(RandomDouble(random));
  if (!std::isfinite(low) || low == DBL_MAX) {
    return "0.5";
  }
  const long double middle =
      (static_cast<long double>(low) + static_cast<long double>(std::nextafter(low, HUGE_VAL))) / 2;
  char text[128];
  std::snprintf(text, sizeof text, "%.70Le", middle);
  return text;
}

void WriteVectors(std::ofstream& out) {
  Random random;
  VectorWriter writer(out);
  const std::vector<ExtendedBits> edges = EdgeValues();

  for (const char* name : {"add", "sub", "mul", "div", "cmp"}) {
    for (const ExtendedBits a : edges) {
      for (const ExtendedBits b : edges) {
        writer.Write(name, {FormatExtended(a), FormatExtended(b)});
      }
    }
    for (int i = 0; i < 1500; ++i) {
      const ExtendedBits a = RandomValue(random);
      const ExtendedBits b = NearValue(random, a);
      writer.Write(name, {FormatExtended(a), FormatExtended(b)});
    }
  }
  for (int i = 0; i < 500; ++i) {
    writer.Write("from_double", {FormatDouble(RandomDouble(random))});
  }
  for (const ExtendedBits a : edges) {
    for (const char* name : {"to_double", "trunc32", "sincos"}) {
      writer.Write(name, {FormatExtended(a)});
    }
  }
  for (int i = 0; i < 1500; ++i) {
    ExtendedBits a = RandomValue(random);
    if (random.Below(3) == 0) {
      // Where a double's rounding is a tie: a one and zeros below its last bit.
      a.significand = (a.significand & ~0x7FFULL) | 0x400;
      a.signExponent = static_cast<std::uint16_t>((a.signExponent & 0x8000) |
                                                  (kBias + random.Between(-1080, 1030)));
    }
    writer.Write("to_double", {FormatExtended(a)});
  }
  for (int i = 0; i < 1000; ++i) {
    // Around zero and the ends of the 32-bit range, in quarters.
    const std::int64_t sign = random.Below(2) != 0 ? 1 : -1;
    const std::int64_t whole = random.Below(2) != 0
                                   ? random.Between(-3, 3)
                                   : sign * (INT64_C(2147483648) + random.Between(-3, 2));
    writer.Write(
        "trunc32",
        {FormatExtended(ToBits(static_cast<long double>(whole) + random.Between(-4, 4) / 4.0L))});
    writer.Write("trunc32", {FormatExtended(RandomValue(random))});
  }
  for (int i = 0; i < 2000; ++i) {
    // Mostly headings as the car holds them, doubles widened; then any
    // value up to 2^64, where the reduction gives up.
    if (random.Below(4) != 0) {
      writer.Write("sincos", {FormatExtended(ToBits(RandomDouble(random)))});
    } else {
      ExtendedBits a = RandomValue(random);
      a.signExponent =
          static_cast<std::uint16_t>((a.signExponent & 0x8000) | (kBias + random.Between(-70, 64)));
      writer.Write("sincos", {FormatExtended(a)});
    }
  }

  const char* texts[] = {
      "12.5",
      "-.5",
      ".",
      "+3",
      "1e2",
      "1E",
      "1E+",
      "1E-",
      "5.",
      " 7 ",
      "   -2.25e1   ",
      "0",
      "-0",
      "-.",
      "007",
      "1.5e-3",
      "1E-400",
      "1E-499",
      "+.e",
      "0.1",
      "0.3",
      "1.7976931348623157E308",
      "1.7976931348623158E308",
      "1.7976931348623159E308",
      "4.9406564584124654E-324",
      "2.4703282292062327E-324",
      "2.4703282292062328E-324",
      "2.2250738585072014E-308",
      "2.2250738585072011E-308",
      "123456789012345678901234567890",
      "1E0000000000000001",
      "",
      " ",
      "+",
      "-",
      "e5",
      "1,5",
      "1 000",
      "\t7",
      "7\t",
      "abc",
      "1E5000",
      "1E4999",
      "1.2.3",
      "--1",
      "inf",
      "nan",
      "0x10",
      "$10",
      "1d",
      "1 e2",
      ". 5",
      "\xEF\xBC\x91",
      "1\n",
      "0E4932",
      "0E4933",
      "0.0E4933",
      "1E4932",
      "0.1E4933",
      "2E4932",
      "2E500",
      "1.8E308",
      "9007199254740993",
      "9007199254740992.5",
      "0.1000000000000000055511151231257827",
      "1E23",
      "8.98846567431158E307",
      "4.35e-310",
      "-4.35e-310",
  };
  for (const char* text : texts) {
    writer.Write("parse", {QuoteText(text)});
  }
  for (int i = 0; i < 1000; ++i) {
    writer.Write("parse", {QuoteText(RandomDecimal(random))});
    writer.Write("parse", {QuoteText(HalfwayDecimal(random))});
  }
  std::fprintf(stderr, "make_extended_vectors: %d vectors, %d of them confirmed by MPFR\n",
               writer.Count(), writer.CheckedByMpfr());
}

}  // namespace
}  // namespace ormakin::testing

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_extended_vectors FILE\n");
    return 2;
  }
  const std::filesystem::path path = argv[1];
  std::filesystem::path temporary = path;
  temporary += ".tmp";
  try {
    {
      std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
      out << "# Test vectors of the car's extended arithmetic, written by\n"
             "# make_extended_vectors on x86; the notation is\n"
             "# described in tests/support/extended_vectors.h.\n";
      ormakin::testing::WriteVectors(out);
      out.close();
      if (!out) {
        throw std::runtime_error("cannot write " + temporary.string());
      }
    }
    std::filesystem::rename(temporary, path);
  } catch (const std::exception& error) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    std::fprintf(stderr, "make_extended_vectors: %s\n", error.what());
    return 1;
  }
  return 0;
}

#include "studies/run_score_bytes.h"

#include <bit>
#include <cstdint>

#include "core/base/errors.h"
#include "studies/sweep_map.h"

namespace ormakin::studies {

namespace {

constexpr const char* kDamaged = "the sweep's results are damaged";

void PutWord(std::string& out, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) {
    out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  }
}

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  std::uint64_t Word() {
    if (bytes_.size() < 8) {
      throw Exception(kDamaged);
    }
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i) {
      value |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes_[i])) << (8 * i);
    }
    bytes_.remove_prefix(8);
    return value;
  }

  // A count of items of at least `itemSize` bytes each that are still to
  // come, refused when the bytes left cannot hold them.
  std::size_t Count(std::size_t itemSize) {
    const std::uint64_t count = Word();
    if (count > bytes_.size() / itemSize) {
      throw Exception(kDamaged);
    }
    return static_cast<std::size_t>(count);
  }

  std::string Text() {
    const std::size_t size = Count(1);
    std::string text(bytes_.substr(0, size));
    bytes_.remove_prefix(size);
    return text;
  }

  bool Empty() const { return bytes_.empty(); }

 private:
  std::string_view bytes_;
};

// The smallest score: every field present, no laps, no stop reason.
constexpr std::size_t kLeastScoreBytes = std::size_t{9} * 8;
constexpr std::size_t kRuleWords = (RuleSet().size() + 63) / 64;

}  // namespace

std::string ScoresToBytes(const std::vector<RunScore>& scores) {
  std::string out;
  PutWord(out, scores.size());
  for (const RunScore& s : scores) {
    PutWord(out, static_cast<std::uint64_t>(s.outcome));
    PutWord(out, s.ticks);
    PutWord(out, s.laps.size());
    for (const std::uint64_t lap : s.laps) {
      PutWord(out, lap);
    }
    PutWord(out, s.loopPeriod);
    PutWord(out, std::bit_cast<std::uint64_t>(s.coverage));
    PutWord(out, s.blindTicks);
    PutWord(out, std::bit_cast<std::uint64_t>(s.score));
    PutWord(out, s.stopReason.size());
    out += s.stopReason;
    for (std::size_t w = 0; w < kRuleWords; ++w) {
      std::uint64_t word = 0;
      for (std::size_t b = 0; b < 64 && w * 64 + b < s.applied.size(); ++b) {
        word |= static_cast<std::uint64_t>(s.applied[w * 64 + b]) << b;
      }
      PutWord(out, word);
    }
  }
  return out;
}

std::vector<RunScore> ScoresFromBytes(std::string_view bytes) {
  Reader in(bytes);
  std::vector<RunScore> scores(in.Count(kLeastScoreBytes));
  for (RunScore& s : scores) {
    const std::uint64_t outcome = in.Word();
    if (outcome >= kOutcomeCount) {
      throw Exception(kDamaged);
    }
    s.outcome = static_cast<Outcome>(outcome);
    s.ticks = in.Word();
    s.laps.resize(in.Count(8));
    for (std::uint64_t& lap : s.laps) {
      lap = in.Word();
    }
    s.loopPeriod = in.Word();
    s.coverage = std::bit_cast<double>(in.Word());
    s.blindTicks = in.Word();
    s.score = std::bit_cast<double>(in.Word());
    s.stopReason = in.Text();
    for (std::size_t w = 0; w < kRuleWords; ++w) {
      const std::uint64_t word = in.Word();
      for (std::size_t b = 0; b < 64 && w * 64 + b < s.applied.size(); ++b) {
        s.applied[w * 64 + b] = ((word >> b) & 1U) != 0;
      }
    }
  }
  if (!in.Empty()) {
    throw Exception(kDamaged);
  }
  return scores;
}

}  // namespace ormakin::studies

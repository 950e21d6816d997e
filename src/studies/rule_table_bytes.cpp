#include "studies/rule_table_bytes.h"

#include <bit>
#include <cstdint>

#include "core/base/errors.h"

namespace ormakin::studies {

namespace {

constexpr const char* kDamaged = "the search's rule tables are damaged";
// Per rule: whether it is set, its next state, its turn and its advance.
constexpr std::size_t kRuleBytes = 1 + 4 + 8 + 8;
constexpr std::size_t kTableBytes = std::size_t{kStateCount} * kMaskCount * kRuleBytes;

// Writes the `bytes` low bytes of `value` at `out`, the lowest first, and
// moves past them.
void Put(char*& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    *out++ = static_cast<char>((value >> (8 * i)) & 0xFF);
  }
}

std::uint64_t Get(std::string_view& in, int bytes) {
  std::uint64_t value = 0;
  for (int i = 0; i < bytes; ++i) {
    value |= static_cast<std::uint64_t>(static_cast<unsigned char>(in[static_cast<std::size_t>(i)]))
             << (8 * i);
  }
  in.remove_prefix(static_cast<std::size_t>(bytes));
  return value;
}

}  // namespace

std::string RuleTablesToBytes(const std::vector<Controller>& controllers) {
  // Sized once and written in place: appended a byte at a time, each byte
  // cost a call of the string's in the page's build, a generation's tables
  // some milliseconds there.
  std::string bytes(controllers.size() * kTableBytes, '\0');
  char* out = bytes.data();
  for (const Controller& controller : controllers) {
    for (int s = 1; s <= kStateCount; ++s) {
      for (int m = 0; m < kMaskCount; ++m) {
        const TStateRule& rule = controller.Rule(s, m);
        Put(out, controller.IsSet(s, m) ? 1 : 0, 1);
        Put(out, static_cast<std::uint32_t>(rule.NextState), 4);
        Put(out, std::bit_cast<std::uint64_t>(rule.Turn), 8);
        Put(out, std::bit_cast<std::uint64_t>(rule.Advance), 8);
      }
    }
  }
  return bytes;
}

std::vector<Controller> RuleTablesFromBytes(std::string_view bytes, const Controller& base) {
  if (bytes.size() % kTableBytes != 0) {
    throw Exception(kDamaged);
  }
  // The base's settings and start without its texts: a copy of those, a
  // string a rule, cost more than reading the tables.
  Controller runnable;
  runnable.settings = base.settings;
  runnable.start = base.start;
  std::vector<Controller> controllers(bytes.size() / kTableBytes, runnable);
  for (Controller& controller : controllers) {
    for (int s = 1; s <= kStateCount; ++s) {
      for (int m = 0; m < kMaskCount; ++m) {
        const std::uint64_t set = Get(bytes, 1);
        if (set > 1) {
          throw Exception(kDamaged);
        }
        TStateRule& rule = controller.settings.rules[s - 1][m];
        rule.NextState = static_cast<std::int32_t>(static_cast<std::uint32_t>(Get(bytes, 4)));
        rule.Turn = std::bit_cast<double>(Get(bytes, 8));
        rule.Advance = std::bit_cast<double>(Get(bytes, 8));
        controller.settings.ruleSet[s - 1][m] = set == 1;
      }
    }
  }
  return controllers;
}

}  // namespace ormakin::studies

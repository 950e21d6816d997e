// Run scores as bytes, to carry a sweep's results from the instance that ran
// them to the one that joins them, where the two share no memory: every
// field, the numbers bit for bit, so that the joined results are the ones
// the runs found.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "studies/run_score.h"

namespace ormakin::studies {

std::string ScoresToBytes(const std::vector<RunScore>& scores);

// Raises Exception for bytes that ScoresToBytes did not write: cut short,
// with bytes left over, or with an outcome that does not exist.
std::vector<RunScore> ScoresFromBytes(std::string_view bytes);

}  // namespace ormakin::studies

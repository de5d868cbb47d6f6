#include "CurveTexture.h"

#include <algorithm>

namespace tracer {

bool CurveTexture::Keeps(int column, int dir) const {
  // Half hidden along something else for long, the curve may as well be the other's edge.
  int covered = 0;
  for (int c = column;; c -= dir) {
    const auto it = covered_.find(c);
    if (it == covered_.end() || !it->second) {
      break;
    }
    if (++covered > coveredColumns) {
      return false;
    }
  }
  // The gapless stretch that ends at `column`, counted back against the walk.
  int streak = 0;
  for (int c = column;; c -= dir) {
    const auto it = columns_.find(c);
    if (it == columns_.end() || !it->second) {
      break;
    }
    ++streak;
  }
  if (streak == 0) {
    return true;
  }
  const int first = dir > 0 ? column - streak + 1 : column;
  const int last = dir > 0 ? column : column + streak - 1;
  // The texture seen elsewhere (within reachColumns): columns, gaps among them, and the longest
  // dash. Only adjacent columns make one dash; a column not walked ends it.
  int seen = 0;
  int missing = 0;
  int gaps = 0;
  int longest = 0;
  int dash = 0;
  int previous = 0;
  bool hasPrevious = false;
  for (auto it = columns_.lower_bound(column - reachColumns);
       it != columns_.end() && it->first <= column + reachColumns; ++it) {
    const auto& [c, found] = *it;
    if (c >= first && c <= last) {
      hasPrevious = false;
      dash = 0;
      continue;
    }
    ++seen;
    const bool adjacent = hasPrevious && c == previous + 1;
    if (found) {
      dash = adjacent ? dash + 1 : 1;
      longest = std::max(longest, dash);
    } else {
      ++missing;
      if (!adjacent || dash > 0) {
        ++gaps;
      }
      dash = 0;
    }
    previous = c;
    hasPrevious = true;
  }
  // Dashes come at a rhythm: none longer than the average dash and gap together.
  const bool dashed = seen >= minColumns && missing >= minGapShare * seen && gaps >= minGaps && longest > 0 &&
                      longest * gaps <= regularity * seen;
  return !dashed || streak <= dashFactor * longest + slackColumns;
}

}  // namespace tracer

#include "CurveTexture.h"

#include <algorithm>
#include <vector>

#include "CurveFollower.h"

namespace tracer {

void CurveTexture::Learn(const CurveFollower& follower, QPointF pick) {
  learnt_ = true;
  for (const int dir : {1, -1}) {
    std::vector<QPointF> path{pick};
    for (int step = 1; step * learnStep <= learnColumns; ++step) {
      const double x = pick.x() + dir * step * learnStep;
      std::vector<CurveFollower::Column> walked;
      const std::optional<double> y = follower.HeightAt(path, x, &walked);
      Note(walked);
      std::optional<int> from;
      if (!walked.empty() && !Keeps(walked.back().column, dir, &from)) {
        if (from) {
          Forget(*from, walked.back().column);  // another curve met: what the walk found on it is not the curve's
        }
        break;
      }
      if (!y || walked.empty()) {
        break;
      }
      path.push_back({x, *y});
      if (path.size() > 5) {
        path.erase(path.begin());
      }
    }
  }
  covered_.clear();  // what covers the curve counts only as the trace meets it
}

void CurveTexture::Note(const std::vector<CurveFollower::Column>& walked) {
  for (const CurveFollower::Column& column : walked) {
    covered_[column.column] = column.covered;
    if (column.telling) {
      columns_[column.column] = column.found ? kFound : kGap;
    } else if (column.crossed) {
      columns_[column.column] = kCrossed;
    }
  }
}

void CurveTexture::Forget(int from, int to) {
  columns_.erase(columns_.lower_bound(std::min(from, to)), columns_.upper_bound(std::max(from, to)));
}

bool CurveTexture::Keeps(int column, int dir, std::optional<int>* streakFrom) const {
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
  // (A few columns across a line, where neither the curve nor its gaps show, do not end it.)
  int streak = 0;
  int from = column;
  int crossing = 0;
  for (int c = column;; c -= dir) {
    const auto it = columns_.find(c);
    if (it == columns_.end() || it->second == kGap || (it->second == kCrossed && ++crossing > maxCrossed)) {
      break;
    }
    if (it->second == kFound) {
      ++streak;
      crossing = 0;
      from = c;
    }
  }
  if (streak == 0) {
    return true;
  }
  const int first = std::min(from, column);
  const int last = std::max(from, column);
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
    const auto& [c, state] = *it;
    if (c >= first && c <= last) {
      hasPrevious = false;
      dash = 0;
      continue;
    }
    if (state == kCrossed) {
      previous = c;  // neither counted nor ending a dash
      continue;
    }
    const bool found = state == kFound;
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
  if (!dashed || streak <= dashFactor * longest + slackColumns) {
    return true;
  }
  if (streakFrom != nullptr) {
    *streakFrom = from - dir * longest;  // with the dash that ran into it
  }
  return false;
}

}  // namespace tracer

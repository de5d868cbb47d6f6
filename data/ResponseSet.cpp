#include "ResponseSet.h"

namespace data {

void ResponseSet::ResetSummary(double minStart, double maxStart) {
  for (std::size_t j = 0; j <= kPhase; ++j) {
    rows_[kMinimaRow][j] = minStart;
    rows_[kMaximaRow][j] = maxStart;
  }
}

void ResponseSet::IncludeInSummary(const ResponsePoint& point) {
  for (std::size_t j = 0; j <= kPhase; ++j) {
    if (point[j] < rows_[kMinimaRow][j]) {
      rows_[kMinimaRow][j] = point[j];
    }
    if (point[j] > rows_[kMaximaRow][j]) {
      rows_[kMaximaRow][j] = point[j];
    }
  }
}

void ResponseSet::StoreNext(int last, const ResponsePoint& point) {
  IncludeInSummary(point);
  if (last == kFirstPoint) {
    Resize(last);
    rows_[kFirstPoint] = point;
  } else {
    rows_.push_back(point);
  }
}

}  // namespace data

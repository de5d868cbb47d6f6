// One curve of response data: a growable array of points whose elements 0 and 1 are summary rows
// (the minima and the maxima of each column over all points) and whose points start at index 2.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace data {

// Columns of a point.
enum Column : std::size_t { kFrequency = 0, kMagnitude = 1, kPhase = 2, kSpare = 3 };

// Frequency in Hz, magnitude (dB or ohm), phase as read, and a spare column that stays 0. No
// operation writes the spare column, so it is not stored: a point takes three doubles, which is
// what a million-point curve costs in memory. Only columns 0..2 can be written.
struct ResponsePoint {
  std::array<double, 3> value{};

  double& operator[](std::size_t column) { return value[column]; }
  double operator[](std::size_t column) const { return column < value.size() ? value[column] : 0.0; }
  bool operator==(const ResponsePoint&) const = default;
};

class ResponseSet {
 public:
  static constexpr int kMinimaRow = 0;
  static constexpr int kMaximaRow = 1;
  static constexpr int kFirstPoint = 2;

  // An empty set: the two summary rows, all zero.
  ResponseSet() : rows_(2) {}

  // Index of the last element; 1 for a set without points.
  int LastIndex() const { return static_cast<int>(rows_.size()) - 1; }
  // Number of points: last index - 1 (elements 2..last).
  int PointCount() const { return LastIndex() - 1; }

  ResponsePoint& operator[](int index) { return rows_[static_cast<std::size_t>(index)]; }
  const ResponsePoint& operator[](int index) const { return rows_[static_cast<std::size_t>(index)]; }
  const ResponsePoint& Minima() const { return rows_[kMinimaRow]; }
  const ResponsePoint& Maxima() const { return rows_[kMaximaRow]; }

  // Gives the set the bounds 0..lastIndex, keeping the contents that remain in range; new
  // elements are all zero.
  void Resize(int lastIndex) { rows_.resize(static_cast<std::size_t>(lastIndex) + 1); }
  // Back to the empty set (bounds 0..1, all zero).
  void Clear() { rows_.assign(2, ResponsePoint{}); }
  // Stores `point` as element `last`, the new last index, of a set that a producer fills from
  // its starting bounds 0..3: the first point (last 2) takes the place of elements 2 and 3, later
  // ones are added at the end; the summary rows take the point in.
  void StoreNext(int last, const ResponsePoint& point);
  // Reserves room for `points` points without changing the set.
  void Reserve(int points) { rows_.reserve(static_cast<std::size_t>(points) + 2); }

  // Sets columns 0..2 of the minima row to `minStart` and of the maxima row to `maxStart`: the
  // sentinels from which a producer starts its summary.
  void ResetSummary(double minStart, double maxStart);
  // Lets columns 0..2 of `point` lower the minima and raise the maxima (strictly smaller or
  // strictly larger values only).
  void IncludeInSummary(const ResponsePoint& point);

  bool operator==(const ResponseSet&) const = default;

 private:
  std::vector<ResponsePoint> rows_;
};

}  // namespace data

// Whether the curve being followed keeps its own texture. A dashed or dotted curve shows its
// pixels in dashes with gaps between them; where it meets a solid curve of its colour (a data
// sheet's response and impedance drawn alike in black), the follower sees one run go on and cannot
// tell the solid curve from a long dash, so it slides onto it. What it has seen tells them apart:
// once the curve has shown itself dashed (gaps in at least `minGapShare` of the columns seen, over
// at least `minColumns`, with `minGaps` gaps or more), a stretch without a gap longer than
// `dashFactor` times its longest dash (plus `slackColumns`) is not the curve.
//
// The columns are noted as the follower walks them: whether it found the curve's own run there or
// not (hidden, a dash's gap).
#pragma once

#include <map>

namespace tracer {

class CurveTexture {
 public:
  int minColumns = 40;
  double minGapShare = 0.08;
  int minGaps = 4;
  double dashFactor = 2;
  int slackColumns = 4;
  int coveredColumns = 20;  // the most columns on end the curve may run half hidden
  int reachColumns = 600;   // how far from the stretch the texture is taken
  double regularity = 1.2;  // the longest dash at most this many times the average dash and gap

  void Clear() {
    columns_.clear();
    covered_.clear();
  }
  void Note(int column, bool found) { columns_[column] = found; }
  // Notes whether the curve's run was cut short in `column` by something of another colour drawn
  // along it (a thicker curve whose edge the follower may be on instead).
  void NoteCovered(int column, bool covered) { covered_[column] = covered; }
  // Whether the stretch that ends at `column`, walked towards increasing columns (dir 1) or
  // decreasing ones (-1), keeps the curve's texture.
  bool Keeps(int column, int dir) const;

 private:
  std::map<int, bool> columns_;  // walked so far: whether the curve's run was found there
  std::map<int, bool> covered_;  // walked so far: whether the run found was cut short there
};

}  // namespace tracer

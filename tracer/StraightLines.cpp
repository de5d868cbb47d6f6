#include "StraightLines.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "LineFit.h"
#include "PictureRows.h"
#include "numbers.h"

namespace tracer {

namespace {

using Ink = std::uint8_t;

// Largest channel difference of p from the background.
Ink InkOf(QRgb p, QRgb background) {
  const int d = std::max({std::abs(qRed(p) - qRed(background)), std::abs(qGreen(p) - qGreen(background)),
                          std::abs(qBlue(p) - qBlue(background))});
  return static_cast<Ink>(d);
}

// A pixel of a thin structure across which the sides, `clearance` away, are at most half as inked.
bool Thin(int ink, int before, int after, int threshold) {
  return ink >= threshold && 2 * before <= ink && 2 * after <= ink;
}

std::size_t Index(int i) { return static_cast<std::size_t>(i); }

// How many groups of rows (columns) within one band of full rows are measured as lines: a few,
// and one more for each kRowsPerGroup rows of a wide band.
constexpr int kGroupsPerBand = 2;
constexpr int kRowsPerGroup = 8;
// How often the straight line through a line's pieces is fitted: past kLoosePasses fits, again
// without those off it only while three quarters of them stay (something drawn close along a line
// pulls a few of its pieces aside, one fit after another; a curve lying on a line pulls half).
constexpr int kFitPasses = 8;
constexpr int kLoosePasses = 3;
// How much thicker than the usual a line's thinnest pieces are (pixels), on a line no thicker than
// kThinLinePx.
constexpr double kThinPiecePx = 0.25;
constexpr double kThinLinePx = 2;
// How far (a share of the usual) the ink of a line's body pixels may stray from the usual.
constexpr double kBodyInkSpread = 0.15;

// The pixels of a band across a candidate line, laid out the same way for both orientations:
// `across` rows of `along` pixels, row k being the picture row (column) first + k.
struct Band {
  int first = 0;
  int across = 0;
  int along = 0;
  std::vector<Ink> ink;
  std::vector<QRgb> colour;
  Ink InkAt(int k, int i) const { return ink[Index(k * along + i)]; }
};

Band ReadBand(const PictureRows& rows, bool horizontal, int first, int last, QRgb background) {
  Band band;
  band.first = first;
  band.across = last - first + 1;
  band.along = horizontal ? rows.Width() : rows.Height();
  band.ink.assign(Index(band.across * band.along), 0);
  band.colour.assign(band.ink.size(), background);
  const int limit = horizontal ? rows.Height() : rows.Width();
  if (horizontal) {
    for (int k = 0; k < band.across; ++k) {
      if (first + k < 0 || first + k >= limit) {
        continue;
      }
      const QRgb* row = rows.Row(first + k);
      for (int i = 0; i < band.along; ++i) {
        band.colour[Index(k * band.along + i)] = row[i];
        band.ink[Index(k * band.along + i)] = InkOf(row[i], background);
      }
    }
  } else {
    for (int i = 0; i < band.along; ++i) {
      const QRgb* row = rows.Row(i);
      for (int k = 0; k < band.across; ++k) {
        if (first + k < 0 || first + k >= limit) {
          continue;
        }
        band.colour[Index(k * band.along + i)] = row[first + k];
        band.ink[Index(k * band.along + i)] = InkOf(row[first + k], background);
      }
    }
  }
  return band;
}

struct Profile {
  double centre = 0;
  double thickness = 0;
  double weight = 0;
  int peak = 0;  // band row of the largest weight
};

// The ink-weighted profile across the band rows [k0, k1] over the pixels i of [s, e] that are on
// the line, less the smaller of its two end weights (the background's share).
std::optional<Profile> ProfileOf(const Band& band, const std::vector<char>& on, int k0, int k1, int s, int e) {
  std::vector<double> w(Index(k1 - k0 + 1), 0.0);
  int count = 0;
  for (int i = s; i <= e; ++i) {
    if (on[Index(i)] == 0) {
      continue;
    }
    ++count;
    for (int k = k0; k <= k1; ++k) {
      w[Index(k - k0)] += band.InkAt(k, i);
    }
  }
  if (count < 3) {
    return std::nullopt;
  }
  const double base = std::min(w.front(), w.back());
  Profile p;
  double moment = 0;
  double peak = 0;
  for (int k = k0; k <= k1; ++k) {
    const double wk = std::max(0.0, w[Index(k - k0)] - base);
    p.weight += wk;
    moment += wk * (band.first + k + 0.5);
    if (wk > peak) {
      peak = wk;
      p.peak = k;
    }
  }
  if (p.weight <= 0) {
    return std::nullopt;
  }
  p.centre = moment / p.weight;
  p.thickness = p.weight / peak;
  return p;
}

// Which pixels along a band are on its line (rows k0 to k1): thin across, clear `m` and m + 3
// pixels to either side.
std::vector<char> OnLine(const Band& band, int k0, int k1, int m, int threshold) {
  const int m2 = m + 3;
  std::vector<char> on(Index(band.along), 0);
  for (int i = 0; i < band.along; ++i) {
    for (int k = k0; k <= k1 && on[Index(i)] == 0; ++k) {
      const int before = std::min(band.InkAt(k - m, i), band.InkAt(k - m2, i));
      const int after = std::min(band.InkAt(k + m, i), band.InkAt(k + m2, i));
      on[Index(i)] = Thin(band.InkAt(k, i), before, after, threshold) ? 1 : 0;
    }
  }
  return on;
}

// Whether most of the pixels `on` a stretch [s, e] have a side clear of ink, m and m + 3 pixels
// away, as a line drawn on the picture's background has (the plot's frame on one side at least;
// at one distance alone, a glyph's anti-aliased edge may pass through the background's shade).
// In a margin of another shade than the plot, the shade's own ink bridged the gaps between the
// digits of labels stacked one above another, and their strokes passed for a dotted line.
bool MostlyOnPaper(const Band& band, const std::vector<char>& on, int k0, int k1, int s, int e, int m, int threshold) {
  int drawn = 0;
  int clear = 0;
  for (int i = s; i <= e; ++i) {
    if (on[Index(i)] == 0) {
      continue;
    }
    ++drawn;
    for (int k = k0; k <= k1; ++k) {
      if (band.InkAt(k, i) >= threshold && (std::max(band.InkAt(k - m, i), band.InkAt(k - m - 3, i)) < threshold ||
                                            std::max(band.InkAt(k + m, i), band.InkAt(k + m + 3, i)) < threshold)) {
        ++clear;
        break;
      }
    }
  }
  return 2 * clear >= drawn;
}

struct Measured {
  double centre = 0;
  double thickness = 0;
  int peak = 0;  // band row of the largest weight
};

// A stretch [s, e] of a candidate line in `band` (its rows k0 to k1, the pixels `on` it) measured:
// none where it is not straight and even. Its centre is the weighted mean of its pieces' centres,
// each taken over the line's rows and one on each side only: the rows beyond hold little of the
// line but much of a JPEG's ringing, which pulled the centre of a faint dotted line 0.2 px aside.
std::optional<Measured> Measure(const Band& band, const std::vector<char>& on, int k0, int k1, int s, int e,
                                const StraightLineFinder::Parameters& p, bool across) {
  const int p0 = std::max(0, k0 - 2);
  const int p1 = std::min(band.across - 1, k1 + 2);
  const std::optional<Profile> whole = ProfileOf(band, on, p0, p1, s, e);
  if (!whole) {
    return std::nullopt;
  }
  // Straight and even: at least half its pieces (a curve may run along the others) are alike in
  // thickness, and their centres lie on one straight line within a fraction of a pixel. A line
  // `across` most of the picture may have a thick curve lying on most of it: there a third of its
  // pieces will do, as thin as the thinner of them. (A flat stretch of a curve between its markers
  // is as straight, but not as long.)
  const int pieces = std::clamp((e - s + 1) / 20, 6, 32);
  const int c0 = std::max(0, k0 - 1);
  const int c1 = std::min(band.across - 1, k1 + 1);
  std::vector<std::pair<double, double>> centres;
  std::vector<double> thicknesses;
  std::vector<Profile> profiles;
  for (int n = 0; n < pieces; ++n) {
    const int ps = s + (e - s + 1) * n / pieces;
    const int pe = s + (e - s + 1) * (n + 1) / pieces - 1;
    if (const std::optional<Profile> piece = ProfileOf(band, on, p0, p1, ps, pe)) {
      centres.emplace_back((ps + pe) / 2.0, piece->centre);
      thicknesses.push_back(piece->thickness);
      profiles.push_back(ProfileOf(band, on, c0, c1, ps, pe).value_or(*piece));
    }
  }
  if (centres.size() < 3) {
    return std::nullopt;
  }
  std::vector<double> sorted = thicknesses;
  const std::size_t rank = across ? sorted.size() / 4 : sorted.size() / 2;
  std::nth_element(sorted.begin(), sorted.begin() + long(rank), sorted.end());
  const double usual = sorted[rank];
  std::vector<std::size_t> evenPieces;
  for (std::size_t n = 0; n < centres.size(); ++n) {
    if (thicknesses[n] <= 1.6 * usual + 0.5 && thicknesses[n] >= usual / 1.6 - 0.5) {
      evenPieces.push_back(n);
    }
  }
  // The centre from the even pieces' profiles (across most of the picture, from those left on
  // the line).
  const auto centreOf = [&](const std::vector<std::size_t>& chosen) {
    double weight = 0;
    double moment = 0;
    for (const std::size_t n : chosen) {
      weight += profiles[n].weight;
      moment += profiles[n].weight * profiles[n].centre;
    }
    return moment / weight;
  };
  const std::size_t agreeing = across ? (centres.size() + 2) / 3 : (centres.size() + 1) / 2;
  if (evenPieces.size() < std::max<std::size_t>(3, agreeing) || usual > p.maxThicknessPx) {
    return std::nullopt;
  }
  // The straight line through the chosen pieces' centres, fitted again without those (half at
  // most) that a curve running close beside the line pulls off it: the pieces left, or none where
  // they are not straight. (Across most of the picture a thick curve may lie along a third of the
  // line and pull the first fit along with it, leaving the line's own pieces off it too: there
  // those within twice the middle piece's distance stay.)
  const auto straight = [&](std::vector<std::size_t> chosen) -> std::optional<std::vector<std::size_t>> {
    const std::size_t all = chosen.size();
    double slope = 0;
    double wander = 0;
    for (int pass = 0; pass < kFitPasses; ++pass) {
      std::vector<std::pair<double, double>> points;
      for (const std::size_t n : chosen) {
        points.push_back(centres[n]);
      }
      const std::optional<FittedLine> fit = FitLine(points);
      if (!fit) {
        return std::nullopt;  // pieces all in one column: no line to measure
      }
      slope = fit->slope;
      std::vector<double> residuals;
      for (const auto& [x, y] : points) {
        residuals.push_back(std::fabs(y - (fit->offset + slope * x)));
      }
      std::vector<double> ranked = residuals;
      std::nth_element(ranked.begin(), ranked.begin() + long(ranked.size() / 2), ranked.end());
      const double middle = ranked[ranked.size() / 2];
      wander = *std::max_element(residuals.begin(), residuals.end());
      const double keep = across ? std::max(p.maxWanderPx, 2 * middle) : p.maxWanderPx;
      std::vector<std::size_t> kept;
      for (std::size_t n = 0; n < chosen.size(); ++n) {
        if (residuals[n] <= keep) {
          kept.push_back(chosen[n]);
        }
      }
      if (wander <= p.maxWanderPx || kept.size() * 2 < all || kept.size() < 3 || kept.size() == chosen.size() ||
          (pass + 1 >= kLoosePasses && kept.size() * 4 < all * 3)) {
        break;
      }
      chosen = std::move(kept);
    }
    if (wander > p.maxWanderPx || std::fabs(slope) * (e - s) > 4 * p.maxWanderPx) {
      return std::nullopt;
    }
    return chosen;
  };
  std::optional<std::vector<std::size_t>> kept = straight(evenPieces);
  if (!kept && across && usual <= kThinLinePx) {
    // A thick curve lying on a thin line along half of it pulls as many pieces aside as the line
    // keeps, each thicker than the line: the line's thinnest pieces alone, if enough. (Not a thick
    // band's: the flattest stretches of a thick curve that waves along a line lie as straight.)
    std::vector<std::size_t> thin;
    for (const std::size_t n : evenPieces) {
      if (thicknesses[n] <= usual + kThinPiecePx) {
        thin.push_back(n);
      }
    }
    if (thin.size() >= std::max<std::size_t>(3, agreeing) && thin.size() < evenPieces.size()) {
      kept = straight(thin);
      if (kept && kept->size() < agreeing) {
        kept.reset();  // (a curve's flattest stretches, by chance in line)
      }
    }
  }
  if (!kept) {
    return std::nullopt;
  }
  return Measured{centreOf(across ? *kept : evenPieces), usual, whole->peak};
}

}  // namespace

StraightLines::StraightLines(std::vector<StraightLine> lines, int width, int height)
    : lines_(std::move(lines)), rows_(Index(std::max(0, height))), columns_(Index(std::max(0, width))) {
  for (std::size_t n = 0; n < lines_.size(); ++n) {
    const StraightLine& line = lines_[n];
    // The band the line covers: its thickness and half a pixel of anti-aliasing on each side.
    const double half = line.thickness / 2 + 0.5;
    auto& index = line.horizontal ? rows_ : columns_;
    const int lo = std::max(0, platform::RoundToInt32(std::floor(line.centre - half)));
    const int hi =
        std::min(static_cast<int>(index.size()) - 1, platform::RoundToInt32(std::ceil(line.centre + half)) - 1);
    for (int r = lo; r <= hi; ++r) {
      index[Index(r)].push_back(static_cast<int>(n));
    }
  }
}

const StraightLine* StraightLines::LineAt(int x, int y) const {
  const StraightLine* found = nullptr;
  AnyLineAt(x, y, [&found](int, const StraightLine& line) {
    found = &line;
    return true;
  });
  return found;
}

std::optional<double> StraightLines::Snap(bool horizontal, double at, double within) const {
  // (Not a fainter line whose band overlaps another's along most of its extent: one line drawn
  // over another, a dashed grid line on the plot's frame, whose pixels beside the frame's band
  // were measured as a line of their own, a pixel and a half off.)
  const auto drawnOver = [&](const StraightLine& x) {
    return std::any_of(lines_.begin(), lines_.end(), [&](const StraightLine& y) {
      const int shared = std::min(x.to, y.to) - std::max(x.from, y.from) + 1;
      return y.horizontal == x.horizontal && y.coverage > x.coverage &&
             std::fabs(x.centre - y.centre) < (x.thickness + y.thickness) / 2 && 2 * shared > x.to - x.from + 1;
    });
  };
  std::optional<double> best;
  for (const StraightLine& line : lines_) {
    if (line.horizontal == horizontal && std::fabs(line.centre - at) <= within &&
        (!best || std::fabs(line.centre - at) < std::fabs(*best - at)) && !drawnOver(line)) {
      best = line.centre;
    }
  }
  return best;
}

QRgb StraightLineFinder::Background(const QImage& picture) {
  const PictureRows rows(picture);
  if (rows.Width() <= 0 || rows.Height() <= 0) {
    return qRgb(255, 255, 255);
  }
  // The most common colour of a sample of up to 64 rows.
  std::vector<QRgb> sample;
  const int rowStep = std::max(1, rows.Height() / 64);
  const int columnStep = std::max(1, rows.Width() / 512);
  for (int y = rowStep / 2; y < rows.Height(); y += rowStep) {
    const QRgb* row = rows.Row(y);
    for (int x = columnStep / 2; x < rows.Width(); x += columnStep) {
      sample.push_back(row[x]);
    }
  }
  return MostCommonColour(std::move(sample));
}

StraightLines StraightLineFinder::Find(const QImage& picture) const {
  const PictureRows rows(picture);
  const int W = rows.Width();
  const int H = rows.Height();
  if (W <= 0 || H <= 0) {
    return {};
  }
  const QRgb background = Background(picture);
  const int m = p_.clearancePx;
  const int T = p_.inkThreshold;

  // One pass over the rows: per row the pixels of thin horizontal structures, per column those of
  // thin vertical ones. A side counts as clear when it is at m pixels or at m + 3 (so that a curve
  // running close beside a line does not hide it). A ring of 2(m + 3) + 1 rows of ink gives the
  // rows on both sides.
  const int m2 = m + 3;
  std::vector<int> rowCount(Index(H), 0);
  std::vector<int> columnCount(Index(W), 0);
  const int ring = 2 * m2 + 1;
  std::vector<Ink> inks(Index(ring * W), 0);
  const auto inkRow = [&](int y) -> const Ink* {
    return y < 0 || y >= H ? nullptr : inks.data() + Index(((y % ring) + ring) % ring * W);
  };
  const auto at = [](const Ink* row, int x) { return row == nullptr ? 0 : int(row[x]); };
  for (int y = 0; y < H + m2; ++y) {
    if (y < H) {
      const QRgb* row = rows.Row(y);
      Ink* ink = inks.data() + Index(y % ring * W);
      for (int x = 0; x < W; ++x) {
        ink[x] = InkOf(row[x], background);
      }
      const auto side = [&](int x) { return x >= 0 && x < W ? int(ink[x]) : 0; };
      for (int x = 0; x < W; ++x) {
        const int before = std::min(side(x - m), side(x - m2));
        const int after = std::min(side(x + m), side(x + m2));
        columnCount[Index(x)] += Thin(ink[x], before, after, T) ? 1 : 0;
      }
    }
    const int c = y - m2;  // the row whose sides are all read now
    if (c < 0) {
      continue;
    }
    const Ink* above = inkRow(c - m);
    const Ink* above2 = inkRow(c - m2);
    const Ink* below = inkRow(c + m);
    const Ink* below2 = inkRow(c + m2);
    const Ink* centre = inkRow(c);
    int count = 0;
    for (int x = 0; x < W; ++x) {
      count += Thin(centre[x], std::min(at(above, x), at(above2, x)), std::min(at(below, x), at(below2, x)), T) ? 1 : 0;
    }
    rowCount[Index(c)] = count;
  }

  std::vector<StraightLine> lines;
  struct Found {
    int groupStart, groupEnd;  // its rows (columns) in the picture
    int s, e;                  // its stretch along
  };
  std::vector<Found> found;  // how each line was found
  struct Stretch {
    bool horizontal;
    Found at;
    double coverage;
  };
  // Stretches across most of the picture that were not straight and even as first measured: the
  // dots of dotted lines across may have pulled their pieces aside (measured again once those
  // lines are known; a curve's flat stretch is seldom as long).
  std::vector<Stretch> unsure;
  // Where the lines found across a line at `centre` over [from, to] cross it (pixels along it).
  const auto crossingsOf = [&](bool horizontal, double centre, int from, int to) {
    const int along = horizontal ? W : H;
    std::vector<std::pair<int, int>> crossings;
    for (const StraightLine& other : lines) {
      if (other.horizontal != horizontal && other.from <= centre && centre <= other.to + 1 && other.centre >= from &&
          other.centre <= to + 1) {
        const double half = other.thickness / 2 + 1.5;
        crossings.emplace_back(std::max(0, platform::RoundToInt32(std::floor(other.centre - half))),
                               std::min(along - 1, platform::RoundToInt32(std::ceil(other.centre + half))));
      }
    }
    return crossings;
  };
  // A measured stretch becomes a line unless it is a flat stretch of a curve.
  const auto Accept = [&](const Stretch& stretch, const Band& band, const std::vector<char>& on,
                          const Measured& measured) {
    const auto [groupStart, groupEnd, s, e] = stretch.at;
    const int along = stretch.horizontal ? W : H;
    const int k0 = m2;
    const int k1 = m2 + groupEnd - groupStart;
    // The line's colour: the mean of its pixels in the profile's fullest row; its body's, the mean
    // of those inked no less than their neighbours along it and about as much as most of them (a
    // dotted line's dots, not their lighter, partly covered ends, nor a curve where it crosses).
    const auto inkAt = [&](int j) {
      return j >= s && j <= e && on[Index(j)] != 0 ? int(band.InkAt(measured.peak, j)) : 0;
    };
    const auto ofBody = [&](int j) { return inkAt(j) >= inkAt(j - 1) && inkAt(j) >= inkAt(j + 1); };
    std::vector<int> bodyInks;
    for (int j = s; j <= e; ++j) {
      if (on[Index(j)] != 0 && ofBody(j)) {
        bodyInks.push_back(inkAt(j));
      }
    }
    if (bodyInks.empty()) {
      return;
    }
    std::nth_element(bodyInks.begin(), bodyInks.begin() + long(bodyInks.size() / 2), bodyInks.end());
    const int usualInk = bodyInks[bodyInks.size() / 2];
    struct Mean {
      long long sum[3] = {0, 0, 0};
      int taken = 0;
      void Add(QRgb c) {
        sum[0] += qRed(c);
        sum[1] += qGreen(c);
        sum[2] += qBlue(c);
        ++taken;
      }
      QRgb Colour() const {
        return qRgb(static_cast<int>(sum[0] / taken), static_cast<int>(sum[1] / taken),
                    static_cast<int>(sum[2] / taken));
      }
    };
    Mean all;
    Mean body;
    for (int j = s; j <= e; ++j) {
      if (on[Index(j)] != 0) {
        const QRgb c = band.colour[Index(measured.peak * band.along + j)];
        all.Add(c);
        if (ofBody(j) && std::abs(inkAt(j) - usualInk) <= kBodyInkSpread * usualInk + 4) {
          body.Add(c);
        }
      }
    }
    const QRgb colour = all.Colour();
    // A flat stretch of a curve ends where the curve bends away: its ink goes on beside the
    // stretch's rows on one side. A line ends in the open or at a line across (ink on both sides).
    const auto bendsAway = [&](int from, int to) {
      int above = 0;
      int below = 0;
      for (int j = std::max(0, from); j <= std::min(along - 1, to); ++j) {
        const auto inked = [&](int k) {
          return band.InkAt(k, j) >= T && ColourDistance2(band.colour[Index(k * band.along + j)], colour) <= 60 * 60;
        };
        above += inked(k0 - 1) || inked(k0 - 2) || inked(k0 - 3) ? 1 : 0;
        below += inked(k1 + 1) || inked(k1 + 2) || inked(k1 + 3) ? 1 : 0;
      }
      return (above >= 2) != (below >= 2);
    };
    if (2 * (e - s + 1) < along && (bendsAway(e + 1, e + 3) || bendsAway(s - 3, s - 1))) {
      return;
    }
    found.push_back(stretch.at);
    StraightLine line;
    line.horizontal = stretch.horizontal;
    line.centre = measured.centre;
    line.thickness = measured.thickness;
    line.from = s;
    line.to = e;
    line.coverage = stretch.coverage;
    line.colour = colour;
    line.body = body.Colour();
    lines.push_back(line);
  };
  // The lines in the rows (columns) groupStart to groupEnd: each long stretch of them measured.
  const auto MeasureGroup = [&](bool horizontal, int groupStart, int groupEnd) {
    const int along = horizontal ? W : H;
    const int minLength = std::max(8, platform::RoundToInt32(p_.minLengthShare * along));
    const int maxGap = std::max(p_.maxGapPx, along / 100);
    const Band band = ReadBand(rows, horizontal, groupStart - m2, groupEnd + m2, background);
    const int k0 = m2;
    const int k1 = m2 + groupEnd - groupStart;
    const std::vector<char> on = OnLine(band, k0, k1, m, T);
    // Where the line's rows are drawn over, something may run along it (a thick curve lying on
    // a grid line): the line goes on under it.
    std::vector<char> under(Index(along), 0);
    for (int i = 0; i < along; ++i) {
      for (int k = k0; k <= k1 && under[Index(i)] == 0; ++k) {
        under[Index(i)] = band.InkAt(k, i) >= T ? 1 : 0;
      }
    }
    // Each stretch of the line's pixels with gaps no longer than a dash's (not counting where
    // it runs under something), long enough.
    for (int i = 0; i < along;) {
      if (on[Index(i)] == 0) {
        ++i;
        continue;
      }
      int s = i;
      int e = i;
      int drawn = 0;
      for (int j = i, seen = i; j < along && j - seen <= maxGap; ++j) {
        if (on[Index(j)] != 0) {
          e = j;
          seen = j;
          ++drawn;
        } else if (under[Index(j)] != 0) {
          seen = j;
        }
      }
      i = e + 1;
      const double coverage = double(drawn) / (e - s + 1);
      if (e - s + 1 < minLength || coverage < p_.minCoverage || !MostlyOnPaper(band, on, k0, k1, s, e, m, T)) {
        continue;
      }
      const Stretch stretch{horizontal, {groupStart, groupEnd, s, e}, coverage};
      if (const std::optional<Measured> measured = Measure(band, on, k0, k1, s, e, p_, 2 * (e - s + 1) >= along)) {
        Accept(stretch, band, on, *measured);
      } else if (2 * (e - s + 1) >= along) {
        unsure.push_back(stretch);
      }
    }
  };
  for (const bool horizontal : {true, false}) {
    const std::vector<int>& counts = horizontal ? rowCount : columnCount;
    const int along = horizontal ? W : H;
    const int acrossSize = horizontal ? H : W;
    const int threshold = std::max(4, platform::RoundToInt32(p_.minLengthShare * p_.minCoverage * along));
    for (int a = 0; a < acrossSize;) {
      if (counts[Index(a)] < threshold) {
        ++a;
        continue;
      }
      int b = a;
      while (b + 1 < acrossSize && counts[Index(b + 1)] >= threshold) {
        ++b;
      }
      const int bandStart = a;
      const int bandEnd = b;
      a = b + 1;
      // The rows around the fullest one that are at least 60 % as full: a curve running along
      // the line a pixel or two beside it adds rows, less full, that are not the line's. Curves
      // crossing the line's rows make the band of full rows wide, and a thick curve lying along a
      // line for long may be fuller than the line: the rows left over are looked at again, the
      // fullest first.
      std::vector<char> used(Index(bandEnd - bandStart + 1), 0);
      const int groups = kGroupsPerBand + (bandEnd - bandStart + 1) / kRowsPerGroup;
      for (int group = 0; group < groups; ++group) {
        int peak = -1;
        for (int r = bandStart; r <= bandEnd; ++r) {
          if (used[Index(r - bandStart)] == 0 && (peak < 0 || counts[Index(r)] > counts[Index(peak)])) {
            peak = r;
          }
        }
        if (peak < 0) {
          break;
        }
        const auto joins = [&](int r) {
          return r >= bandStart && r <= bandEnd && used[Index(r - bandStart)] == 0 &&
                 counts[Index(r)] * 5 >= counts[Index(peak)] * 3;
        };
        int groupStart = peak;
        int groupEnd = peak;
        while (joins(groupStart - 1)) {
          --groupStart;
        }
        while (joins(groupEnd + 1)) {
          ++groupEnd;
        }
        std::fill(used.begin() + (groupStart - bandStart), used.begin() + (groupEnd - bandStart + 1), 1);
        if (groupEnd - groupStart + 1 > p_.maxThicknessPx + 2) {
          continue;  // an area, not a line
        }
        MeasureGroup(horizontal, groupStart, groupEnd);
      }
    }
  }
  // A stretch measured again without the bands of the lines found across it (none where none
  // cross it).
  struct Remeasured {
    Band band;
    std::vector<char> on;
    std::optional<Measured> measured;
  };
  const auto MeasureBetweenCrossings = [&](bool horizontal, const Found& f, double centre,
                                           bool across) -> std::optional<Remeasured> {
    const std::vector<std::pair<int, int>> crossings = crossingsOf(horizontal, centre, f.s, f.e);
    if (crossings.empty()) {
      return std::nullopt;
    }
    const int k0 = m2;
    const int k1 = m2 + f.groupEnd - f.groupStart;
    Remeasured r;
    r.band = ReadBand(rows, horizontal, f.groupStart - m2, f.groupEnd + m2, background);
    r.on = OnLine(r.band, k0, k1, m, T);
    for (const auto& [from, to] : crossings) {
      std::fill(r.on.begin() + from, r.on.begin() + to + 1, 0);
    }
    r.measured = Measure(r.band, r.on, k0, k1, f.s, f.e, p_, across);
    return r;
  };
  // A dotted line across adds a dot beside a line's rows here and there, which may pull enough
  // of its pieces aside that it is not measured as straight: measured again.
  for (const Stretch& stretch : unsure) {
    const double centre = (stretch.at.groupStart + stretch.at.groupEnd + 1) / 2.0;
    if (const std::optional<Remeasured> r = MeasureBetweenCrossings(stretch.horizontal, stretch.at, centre, true);
        r && r->measured) {
      Accept(stretch, r->band, r->on, *r->measured);
    }
  }
  // Lines that cross a line add their ink to its profile where they cross, a dotted one unevenly
  // (the dots of dotted grid lines across pulled a dotted line's centre 0.2 px aside): each line
  // is measured again without the pixels in the bands of the lines across it.
  for (std::size_t n = 0; n < lines.size(); ++n) {
    StraightLine& line = lines[n];
    const Found& f = found[n];
    const bool across = 2 * (f.e - f.s + 1) >= (line.horizontal ? W : H);
    if (const std::optional<Remeasured> r = MeasureBetweenCrossings(line.horizontal, f, line.centre, across);
        r && r->measured) {
      line.centre = r->measured->centre;
    }
  }
  return {std::move(lines), W, H};
}

}  // namespace tracer

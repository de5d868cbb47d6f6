#include "PictureLean.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "PictureRows.h"
#include "StraightLines.h"
#include "numbers.h"

namespace tracer {

namespace {

std::size_t Index(int i) { return static_cast<std::size_t>(i); }

std::uint8_t InkOf(QRgb p, QRgb background) {
  return static_cast<std::uint8_t>(
      std::max({std::abs(qRed(p) - qRed(background)), std::abs(qGreen(p) - qGreen(background)),
                std::abs(qBlue(p) - qBlue(background))}));
}

bool Thin(int ink, int before, int after, int threshold) {
  return ink >= threshold && 2 * before <= ink && 2 * after <= ink;
}

// Pixels of thin structures: `along` the structure and `across` it.
struct Point {
  float along;
  float across;
};

// One way of lines: the samples across them (columns for horizontal lines, rows for vertical
// ones), each at its place along the lines with the ink of every pixel across, and their thin
// pixels.
struct Family {
  std::vector<float> alongs;
  std::vector<std::vector<std::uint8_t>> inks;
  std::vector<Point> points;
};

// A line's centre in one sample: where along the line, the centre across it, and the peak of
// its profile.
struct Sample {
  double along;
  double centre;
  double peak;
};

// The ink-weighted centroid of a sample's profile within `window` pixels of where the line
// (across = offset + along * tangent) is expected, less the smaller of the window's end values;
// none where nothing stands out there (a dash's gap, a crossing line).
std::optional<Sample> Centroid(const std::vector<std::uint8_t>& ink, double along, double offset, double tangent,
                               int window, int threshold) {
  const double at = offset + along * tangent;
  const int first = int(std::floor(at)) - window;
  const int last = int(std::floor(at)) + window;
  if (first < 0 || last >= int(ink.size())) {
    return std::nullopt;
  }
  const double base = std::min(ink[Index(first)], ink[Index(last)]);
  double weight = 0;
  double moment = 0;
  double peak = 0;
  for (int k = first; k <= last; ++k) {
    const double w = std::max(0.0, ink[Index(k)] - base);
    weight += w;
    moment += w * (k + 0.5);
    peak = std::max(peak, w);
  }
  if (peak < threshold) {
    return std::nullopt;
  }
  return Sample{along, moment / weight, peak};
}

// One line's share of the pooled slope, sum((a - mean a)(c - mean c)) and sum((a - mean a)^2),
// over its samples less those that a curve or a label crossing the line spoils: a peak far from
// the line's usual one, or a centre off the line fitted through the others.
std::optional<std::pair<double, double>> RobustFit(std::vector<Sample> samples) {
  if (samples.size() < 4) {
    return std::nullopt;
  }
  std::vector<double> peaks;
  for (const Sample& s : samples) {
    peaks.push_back(s.peak);
  }
  std::nth_element(peaks.begin(), peaks.begin() + long(peaks.size() / 2), peaks.end());
  const double usual = peaks[peaks.size() / 2];
  std::erase_if(samples, [usual](const Sample& s) { return s.peak > 1.5 * usual || s.peak < 0.5 * usual; });
  std::pair<double, double> sums{0, 0};
  for (int pass = 0; pass < 2; ++pass) {
    if (samples.size() < 4) {
      return std::nullopt;
    }
    double sa = 0, sc = 0, sa2 = 0, sac = 0;
    const double n = double(samples.size());
    for (const Sample& s : samples) {
      sa += s.along;
      sc += s.centre;
      sa2 += s.along * s.along;
      sac += s.along * s.centre;
    }
    sums = {sac - sa * sc / n, sa2 - sa * sa / n};
    if (sums.second <= 0) {
      return std::nullopt;
    }
    const double slope = sums.first / sums.second;
    const double mean = (sc - slope * sa) / n;
    std::erase_if(samples, [&](const Sample& s) { return std::fabs(s.centre - (mean + slope * s.along)) > 0.5; });
  }
  return sums;
}

// How peaked the projection of `points` along tan(angle) is, in bins of `bin` pixels: the sum of
// the squared bin counts over the number of points (1 for points spread one to a bin).
double Peakedness(const std::vector<Point>& points, double tangent, double bin, double reach, std::vector<int>& bins) {
  if (points.empty()) {
    return 0;
  }
  const auto count = static_cast<std::size_t>(2 * reach / bin) + 2;
  bins.assign(count, 0);
  long long sum = 0;
  for (const Point& p : points) {
    const double at = (p.across - p.along * tangent + reach) / bin;
    const auto k = static_cast<std::size_t>(std::clamp(at, 0.0, double(count - 1)));
    sum += 2LL * bins[k] + 1;  // (n + 1)^2 - n^2
    ++bins[k];
  }
  return double(sum) / double(points.size());
}

double Radians(double degrees) { return degrees * std::numbers::pi / 180; }
double Degrees(double radians) { return radians * 180 / std::numbers::pi; }

}  // namespace

std::optional<double> LeanMeter::Measure(const QImage& picture) const {
  const PictureRows rows(picture);
  const int W = rows.Width();
  const int H = rows.Height();
  const int m = p_.clearancePx;
  if (W < 4 * m || H < 4 * m) {
    return std::nullopt;
  }
  const QRgb background = StraightLineFinder::Background(picture);
  const int T = p_.inkThreshold;

  // Horizontal lines in sampled columns (every row read at those columns only), vertical lines in
  // sampled rows (those rows read whole): the ink across each sample, and its thin pixels.
  Family horizontal;
  Family vertical;
  const int columnStep = std::max(1, W / p_.sampleLines);
  for (int x = columnStep / 2; x < W; x += columnStep) {
    horizontal.alongs.push_back(float(x) + 0.5F);
    horizontal.inks.emplace_back(Index(H));
  }
  for (int y = 0; y < H; ++y) {
    for (std::size_t j = 0; j < horizontal.alongs.size(); ++j) {
      horizontal.inks[j][Index(y)] = InkOf(rows.At(columnStep / 2 + int(j) * columnStep, y), background);
    }
  }
  const int rowStep = std::max(1, H / p_.sampleLines);
  for (int y = rowStep / 2; y < H; y += rowStep) {
    // Along a vertical line y grows and x = c - y * tan(lean): the same projection with -y.
    vertical.alongs.push_back(-(float(y) + 0.5F));
    std::vector<std::uint8_t>& ink = vertical.inks.emplace_back(Index(W));
    const QRgb* row = rows.Row(y);
    for (int x = 0; x < W; ++x) {
      ink[Index(x)] = InkOf(row[x], background);
    }
  }
  for (Family* family : {&horizontal, &vertical}) {
    for (std::size_t j = 0; j < family->alongs.size(); ++j) {
      const std::vector<std::uint8_t>& ink = family->inks[j];
      for (int k = m; k + m < int(ink.size()); ++k) {
        if (Thin(ink[Index(k)], ink[Index(k - m)], ink[Index(k + m)], T)) {
          family->points.push_back({family->alongs[j], float(k) + 0.5F});
        }
      }
    }
  }
  const bool useH = int(horizontal.points.size()) >= p_.minPoints;
  const bool useV = int(vertical.points.size()) >= p_.minPoints;
  if (!useH && !useV) {
    return std::nullopt;
  }

  const double span = std::max(W, H);
  const double reach = span * 1.2;
  std::vector<int> bins;
  const auto score = [&](double radians, double bin) {
    const double t = std::tan(radians);
    return (useH ? Peakedness(horizontal.points, t, bin, reach, bins) : 0.0) +
           (useV ? Peakedness(vertical.points, t, bin, reach, bins) : 0.0);
  };
  // Coarse to fine: at each level a bin of b pixels and a step of b / span radians (one bin's
  // shift over the picture), around the previous level's best, down to bins of a pixel.
  double bin = std::max(1.0, span / 128);
  double step = bin / span;
  const double widest = Radians(p_.largestDegrees);
  std::vector<double> grid;  // the first level's angles
  for (double a = -widest; a <= widest + step / 2; a += step) {
    grid.push_back(a);
  }
  double best = 0;
  double lo = -widest;
  double hi = widest;
  while (true) {
    double bestScore = -1;
    for (double a = lo; a <= hi + step / 2; a += step) {
      const double s = score(a, bin);
      if (s > bestScore) {
        bestScore = s;
        best = a;
      }
    }
    if (bin <= 1) {
      break;
    }
    lo = best - 2 * step;
    hi = best + 2 * step;
    bin = std::max(1.0, bin / 4);
    step = bin / span;
  }
  // A lean only where the lines make the best angle stand out from the others.
  std::vector<double> others;
  for (const double a : grid) {
    others.push_back(score(a, 1));
  }
  std::nth_element(others.begin(), others.begin() + long(others.size() / 2), others.end());
  if (score(best, 1) < p_.minPeakedness * others[others.size() / 2]) {
    return std::nullopt;
  }
  // Refined on the lines themselves: each peak of the projection is a line; in each sample its
  // centre is the ink-weighted centroid within a few pixels of where the line is expected, and
  // one slope is fitted through all the centres (each line about its own mean). Twice.
  // A lean needs two long lines at least: a picture whose only straight stroke is a curve's
  // sloping stretch (a graph without frame or grid) is not a tilted scan, and turning it would
  // move every value read from it.
  int longLines = 0;
  for (int pass = 0; pass < 2; ++pass) {
    const double t = std::tan(best);
    double sab = 0;
    double saa = 0;
    longLines = 0;
    for (const Family* family : {&horizontal, &vertical}) {
      if (family->points.size() < std::size_t(p_.minPoints)) {
        continue;
      }
      Peakedness(family->points, t, 1, reach, bins);
      const int peak = *std::max_element(bins.begin(), bins.end());
      for (std::size_t k = 1; k + 1 < bins.size(); ++k) {
        if (bins[k] < std::max(8, peak / 5) || bins[k] < bins[k - 1] || bins[k] <= bins[k + 1]) {
          continue;
        }
        const double offset = double(k) + 0.5 - reach;  // across = offset + along * t
        std::vector<Sample> samples;
        for (std::size_t j = 0; j < family->alongs.size(); ++j) {
          if (const std::optional<Sample> c = Centroid(family->inks[j], family->alongs[j], offset, t, 3, T)) {
            samples.push_back(*c);
          }
        }
        const bool isLong = 4 * samples.size() >= family->alongs.size();
        if (const std::optional<std::pair<double, double>> fit = RobustFit(samples)) {
          sab += fit->first;
          saa += fit->second;
          longLines += isLong ? 1 : 0;
        }
      }
    }
    if (saa <= 0) {
      break;
    }
    best = std::atan(sab / saa);
  }
  if (longLines < 2) {
    return std::nullopt;
  }
  return Degrees(best);
}

QPointF StraightenedPoint(QPointF p, QSize size, double leanDegrees) {
  const double a = -Radians(leanDegrees);
  const QPointF c(size.width() / 2.0, size.height() / 2.0);
  const QPointF d = p - c;
  return c + QPointF(d.x() * std::cos(a) - d.y() * std::sin(a), d.x() * std::sin(a) + d.y() * std::cos(a));
}

std::optional<double> LeanOfLine(QPointF a, QPointF b) {
  const double dx = b.x() - a.x();
  const double dy = b.y() - a.y();
  if (std::hypot(dx, dy) < 1) {
    return std::nullopt;
  }
  // Nearer horizontal: y grows by tan(lean) per x; nearer vertical: x falls by tan(lean) per y.
  return std::fabs(dx) >= std::fabs(dy) ? Degrees(std::atan(dy / dx)) : Degrees(std::atan(-dx / dy));
}

QImage Straighten(const QImage& picture, double leanDegrees) {
  const QImage source = picture.convertToFormat(QImage::Format_RGB32);
  const int W = source.width();
  const int H = source.height();
  QImage result(W, H, QImage::Format_RGB32);
  const double a = Radians(leanDegrees);
  const double cs = std::cos(a);
  const double sn = std::sin(a);
  const double cx = W / 2.0;
  const double cy = H / 2.0;
  const QRgb white = qRgb(255, 255, 255);
  const auto at = [&](int x, int y) {
    return x >= 0 && x < W && y >= 0 && y < H ? reinterpret_cast<const QRgb*>(source.constScanLine(y))[x] : white;
  };
  for (int v = 0; v < H; ++v) {
    auto* out = reinterpret_cast<QRgb*>(result.scanLine(v));
    const double dy = v + 0.5 - cy;
    for (int u = 0; u < W; ++u) {
      const double dx = u + 0.5 - cx;
      // The source point, less half a pixel: pixel i's centre is at i + 0.5.
      const double sx = cx + dx * cs - dy * sn - 0.5;
      const double sy = cy + dx * sn + dy * cs - 0.5;
      if (sx <= -1 || sy <= -1 || sx >= W || sy >= H) {
        out[u] = white;
        continue;
      }
      const double fx = std::floor(sx);
      const double fy = std::floor(sy);
      const int ix = platform::RoundToInt32(fx);
      const int iy = platform::RoundToInt32(fy);
      const double tx = sx - fx;
      const double ty = sy - fy;
      const QRgb p00 = at(ix, iy);
      const QRgb p10 = at(ix + 1, iy);
      const QRgb p01 = at(ix, iy + 1);
      const QRgb p11 = at(ix + 1, iy + 1);
      const auto mix = [&](int (*channel)(QRgb)) {
        const double top = channel(p00) + tx * (channel(p10) - channel(p00));
        const double bottom = channel(p01) + tx * (channel(p11) - channel(p01));
        return platform::RoundToInt32(top + ty * (bottom - top));
      };
      out[u] = qRgb(mix(qRed), mix(qGreen), mix(qBlue));
    }
  }
  return result;
}

}  // namespace tracer

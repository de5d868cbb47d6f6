#include "CurvePicker.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "PictureRows.h"
#include "numbers.h"

namespace tracer {

namespace {

double Distance(QRgb a, QRgb b) { return std::sqrt(double(ColourDistance2(a, b))); }

double Median(std::vector<double> v) {
  std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
  return v[v.size() / 2];
}

}  // namespace

double CurveStyle::Cover(QRgb p) const {
  const double d[3] = {double(qRed(colour) - qRed(background)), double(qGreen(colour) - qGreen(background)),
                       double(qBlue(colour) - qBlue(background))};
  const double v[3] = {double(qRed(p) - qRed(background)), double(qGreen(p) - qGreen(background)),
                       double(qBlue(p) - qBlue(background))};
  const double dd = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
  if (dd <= 0) {
    return -1;
  }
  const double t = (v[0] * d[0] + v[1] * d[1] + v[2] * d[2]) / dd;
  double off = 0;
  for (int i = 0; i < 3; ++i) {
    off += (v[i] - t * d[i]) * (v[i] - t * d[i]);
  }
  // Off the segment, or far beyond the curve's own colour (a darker curve where the two are greys
  // of one hue): another colour.
  if (off > tolerance * tolerance || t > 1.6) {
    return -1;
  }
  return std::clamp(t, 0.0, 1.5);
}

std::optional<CurvePick> CurvePicker::Pick(const QImage& picture, QPointF at) const {
  const PictureRows rows(picture);
  const int W = rows.Width();
  const int H = rows.Height();
  const int cx = platform::RoundToInt32(std::floor(at.x()));
  const int cy = platform::RoundToInt32(std::floor(at.y()));
  if (cx < 0 || cy < 0 || cx >= W || cy >= H) {
    return std::nullopt;
  }
  const auto inside = [&](int x, int y) { return x >= 0 && y >= 0 && x < W && y < H; };

  // The background near the click: the most common colour of a square around it.
  std::vector<QRgb> around;
  const int reach = 12;
  for (int y = cy - reach; y <= cy + reach; ++y) {
    for (int x = cx - reach; x <= cx + reach; ++x) {
      if (inside(x, y)) {
        around.push_back(rows.At(x, y));
      }
    }
  }
  CurveStyle style;
  style.background = MostCommonColour(around);

  // The curve's pixel: of the pixels near the click that stand out from the background (at least
  // 0.6 of the strongest), the nearest to the click.
  double strongest = 0;
  for (int y = cy - p_.searchPx; y <= cy + p_.searchPx; ++y) {
    for (int x = cx - p_.searchPx; x <= cx + p_.searchPx; ++x) {
      if (inside(x, y)) {
        strongest = std::max(strongest, Distance(rows.At(x, y), style.background));
      }
    }
  }
  if (strongest < p_.minContrast) {
    return std::nullopt;
  }
  QPoint seed(cx, cy);
  double nearest = 1e9;
  for (int y = cy - p_.searchPx; y <= cy + p_.searchPx; ++y) {
    for (int x = cx - p_.searchPx; x <= cx + p_.searchPx; ++x) {
      const double d2 = (x + 0.5 - at.x()) * (x + 0.5 - at.x()) + (y + 0.5 - at.y()) * (y + 0.5 - at.y());
      if (inside(x, y) && Distance(rows.At(x, y), style.background) >= 0.6 * strongest && d2 < nearest) {
        nearest = d2;
        seed = QPoint(x, y);
      }
    }
  }
  // Its colour: the mean of the pixels near the seed's colour (the curve's body); its spread: how
  // far the pixels that show the curve stray from the segment background..colour.
  const QRgb first = rows.At(seed.x(), seed.y());
  const double contrast = Distance(first, style.background);
  const int w = p_.windowPx;
  double sum[3] = {0, 0, 0};
  int taken = 0;
  for (int y = seed.y() - w; y <= seed.y() + w; ++y) {
    for (int x = seed.x() - w; x <= seed.x() + w; ++x) {
      if (inside(x, y) && Distance(rows.At(x, y), first) <= 0.3 * contrast) {
        const QRgb p = rows.At(x, y);
        sum[0] += qRed(p);
        sum[1] += qGreen(p);
        sum[2] += qBlue(p);
        ++taken;
      }
    }
  }
  style.colour = qRgb(platform::RoundToInt32(sum[0] / taken), platform::RoundToInt32(sum[1] / taken),
                      platform::RoundToInt32(sum[2] / taken));
  style.tolerance = 0.5 * Distance(style.colour, style.background);
  double squares = 0;
  int counted = 0;
  CurveStyle loose = style;
  loose.tolerance = 1e9;
  for (int y = seed.y() - w; y <= seed.y() + w; ++y) {
    for (int x = seed.x() - w; x <= seed.x() + w; ++x) {
      if (!inside(x, y)) {
        continue;
      }
      const QRgb p = rows.At(x, y);
      if (style.Cover(p) >= 0.5) {
        // The distance from the segment, from the projection's remainder.
        const double t = loose.Cover(p);
        const double along = t * Distance(style.colour, style.background);
        const double off2 = std::max(0.0, double(ColourDistance2(p, style.background)) - along * along);
        squares += off2;
        ++counted;
      }
    }
  }
  const double spread = counted > 0 ? std::sqrt(squares / counted) : 0;
  style.tolerance = std::clamp(3 * spread + 12, p_.minTolerance, p_.maxTolerance);

  // The curve's centre in the clicked column: the run of its pixels nearest the click.
  const auto cover = [&](int x, int y) { return inside(x, y) ? style.Cover(rows.At(x, y)) : -1.0; };
  const auto runAround = [&](int x, int y, bool down) {
    // The run through (x, y) down a column (or along a row), as its coverage sum and centroid.
    double total = 0;
    double moment = 0;
    for (const int dir : {-1, 1}) {
      for (int k = dir < 0 ? 0 : 1; k < 60; ++k) {
        const int px = down ? x : x + dir * k;
        const int py = down ? y + dir * k : y;
        const double c = cover(px, py);
        if (c < 0.25) {
          break;
        }
        total += c;
        moment += c * ((down ? py : px) + 0.5);
      }
    }
    return std::pair(total, total > 0 ? moment / total : 0.0);
  };
  std::optional<double> centreY;
  for (int d = 0; d <= p_.searchPx + 1 && !centreY; ++d) {
    for (const int y : {seed.y() - d, seed.y() + d}) {
      if (cover(cx, y) >= 0.45) {
        centreY = runAround(cx, y, true).second;
        break;
      }
    }
  }
  CurvePick pick;
  pick.onCurve = QPointF(at.x(), centreY.value_or(seed.y() + 0.5));
  // Its thickness across: from the runs down the columns (tv) and along the rows (th) near the
  // seed, T = tv th / sqrt(tv^2 + th^2) for a straight stretch at any angle.
  std::vector<double> downs;
  std::vector<double> alongs;
  for (int k = -2; k <= 2; ++k) {
    const int y = platform::RoundToInt32(std::floor(pick.onCurve.y()));
    if (cover(seed.x() + k, y) >= 0.45) {
      downs.push_back(runAround(seed.x() + k, y, true).first);
    }
    if (cover(seed.x(), seed.y() + k) >= 0.45) {
      alongs.push_back(runAround(seed.x(), seed.y() + k, false).first);
    }
  }
  const double tv = downs.empty() ? 1.0 : Median(downs);
  const double th = alongs.empty() ? 60.0 : Median(alongs);
  style.thickness = std::max(1.0, tv * th / std::hypot(tv, th));
  pick.style = style;
  return pick;
}

}  // namespace tracer

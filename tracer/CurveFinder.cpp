#include "CurveFinder.h"

#include <QColor>
#include <algorithm>
#include <cmath>
#include <vector>

#include "numbers.h"

namespace tracer {

namespace {

int Distance2(QRgb a, QRgb b) {
  const int r = qRed(a) - qRed(b);
  const int g = qGreen(a) - qGreen(b);
  const int bl = qBlue(a) - qBlue(b);
  return r * r + g * g + bl * bl;
}

// The middle of the run of curve pixels in `column` nearest to `nearY`.
std::optional<double> CurveInColumn(const QImage& picture, int column, QRgb colour, double nearY, int tolerance) {
  if (column < 0 || column >= picture.width()) {
    return std::nullopt;
  }
  const int limit = tolerance * tolerance;
  // Pixels of 32 bits are read down the column from the picture's memory, many times faster than
  // pixel() (the held picture has them).
  const int height = picture.height();
  const bool rgb32 = picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32;
  const uchar* const first = rgb32 ? picture.constBits() + static_cast<qsizetype>(column) * 4 : nullptr;
  const qsizetype stride = picture.bytesPerLine();
  const auto at = [&](int y) {
    return rgb32 ? *reinterpret_cast<const QRgb*>(first + y * stride) : picture.pixel(column, y);
  };
  std::optional<double> best;
  int runStart = -1;
  for (int y = 0; y <= height; ++y) {
    const bool on = y < height && Distance2(at(y), colour) <= limit;
    if (on && runStart < 0) {
      runStart = y;
    } else if (!on && runStart >= 0) {
      const double middle = (runStart + y) / 2.0;
      if (!best || std::fabs(middle - nearY) < std::fabs(*best - nearY)) {
        best = middle;
      }
      runStart = -1;
    }
  }
  return best;
}

}  // namespace

std::optional<QRgb> PickCurveColour(const QImage& picture, QPointF at) {
  const QRect bounds = picture.rect();
  const QPoint centre(platform::RoundToInt32(std::floor(at.x())), platform::RoundToInt32(std::floor(at.y())));
  if (!bounds.contains(centre)) {
    return std::nullopt;
  }
  std::optional<QRgb> colourful;
  std::optional<QRgb> darkest;
  int bestSaturation = 60;  // below this a pixel counts as grey
  for (int dy = -2; dy <= 2; ++dy) {
    for (int dx = -2; dx <= 2; ++dx) {
      const QPoint p = centre + QPoint(dx, dy);
      if (!bounds.contains(p)) {
        continue;
      }
      const QRgb pixel = picture.pixel(p);
      const QColor colour(pixel);
      if (colour.hsvSaturation() > bestSaturation && colour.value() > 40) {
        bestSaturation = colour.hsvSaturation();
        colourful = pixel;
      }
      if (!darkest || qGray(pixel) < qGray(*darkest)) {
        darkest = pixel;
      }
    }
  }
  // Nothing but background near the click: there is no curve to take.
  if (!colourful && qGray(*darkest) > 200) {
    return std::nullopt;
  }
  return colourful ? colourful : darkest;
}

std::optional<double> FindCurve(const QImage& picture, double x, QRgb colour, double nearY, int tolerance) {
  // The nearest columns that show the curve, up to three pixels to the left of x and to the right
  // of it; a column's height stands at its centre, column + 0.5.
  constexpr int kReach = 3;
  const int right = platform::RoundToInt32(std::floor(x + 0.5));
  std::vector<std::pair<int, double>> found;  // left side first, nearest first on each side
  for (const int step : {-1, 1}) {
    int taken = 0;
    for (int d = 0; d <= kReach && taken < 2; ++d) {
      const int column = step < 0 ? right - 1 - d : right + d;
      if (const auto y = CurveInColumn(picture, column, colour, nearY, tolerance)) {
        found.emplace_back(column, *y);
        ++taken;
      }
    }
  }
  // Between the nearest column on each side; else along the two nearest on the one side there is.
  const auto left = std::find_if(found.begin(), found.end(), [right](const auto& c) { return c.first < right; });
  const auto rightSide = std::find_if(found.begin(), found.end(), [right](const auto& c) { return c.first >= right; });
  std::pair<int, double> a;
  std::pair<int, double> b;
  if (left != found.end() && rightSide != found.end()) {
    a = *left;
    b = *rightSide;
  } else if (found.size() >= 2) {
    a = found[0];
    b = found[1];
  } else if (found.size() == 1) {
    return found[0].second;
  } else {
    return std::nullopt;
  }
  const double t = (x - (a.first + 0.5)) / (b.first - a.first);
  return a.second + t * (b.second - a.second);
}

}  // namespace tracer

#include "SmallDigits.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>

#include "numbers.h"

namespace tracer {

namespace {

constexpr double kLeastCorrelation = 0.85;
constexpr double kLeastLead = 0.05;

}  // namespace

SmallDigits::Ink SmallDigits::InkOf(const QImage& picture, double least) {
  const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
  int left = grey.width(), right = -1, top = grey.height(), bottom = -1;
  for (int y = 0; y < grey.height(); ++y) {
    for (int x = 0; x < grey.width(); ++x) {
      if (1 - grey.constScanLine(y)[x] / 255.0 > least) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
  }
  Ink ink;
  if (right < 0) {
    return ink;
  }
  ink.width = right - left + 1;
  ink.height = bottom - top + 1;
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) {
      ink.values.push_back(1 - grey.constScanLine(y)[x] / 255.0);
    }
  }
  return ink;
}

double SmallDigits::Correlation(const Ink& glyph, const Ink& digit) {
  // The glyph on a canvas a pixel larger on each side; the digit at every place on it.
  const int width = std::max(glyph.width, digit.width) + 2;
  const int height = std::max(glyph.height, digit.height) + 2;
  const double n = double(width) * height;
  double sumG = 0, sumGG = 0;
  for (const double g : glyph.values) {
    sumG += g;
    sumGG += g * g;
  }
  double sumT = 0, sumTT = 0;
  for (const double t : digit.values) {
    sumT += t;
    sumTT += t * t;
  }
  const double varG = sumGG - sumG * sumG / n;
  const double varT = sumTT - sumT * sumT / n;
  if (varG <= 0 || varT <= 0) {
    return -1;
  }
  double best = -1;
  for (int oy = 0; oy + digit.height <= height; ++oy) {
    for (int ox = 0; ox + digit.width <= width; ++ox) {
      double sumGT = 0;
      for (int y = 0; y < digit.height; ++y) {
        const int gy = oy + y - 1;
        if (gy < 0 || gy >= glyph.height) {
          continue;
        }
        for (int x = 0; x < digit.width; ++x) {
          const int gx = ox + x - 1;
          if (gx >= 0 && gx < glyph.width) {
            sumGT += glyph.At(gx, gy) * digit.At(x, y);
          }
        }
      }
      best = std::max(best, (sumGT - sumG * sumT / n) / std::sqrt(varG * varT));
    }
  }
  return best;
}

const std::vector<std::pair<int, SmallDigits::Ink>>& SmallDigits::Drawn(int height) {
  const auto found = drawn_.find(height);
  if (found != drawn_.end()) {
    return found->second;
  }
  // The digits' outlines at 100 pixels to the em, and their height there.
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(100);
  std::array<QPainterPath, 10> outlines;
  double digitHeight = 0;
  for (int d = 0; d < 10; ++d) {
    outlines[std::size_t(d)].addText(0, 0, font, QString::number(d));
    digitHeight += outlines[std::size_t(d)].boundingRect().height() / 10;
  }
  std::vector<std::pair<int, Ink>>& drawn = drawn_[height];
  for (const double size : {height - 0.5, height + 0.0, height + 0.5, height + 1.0}) {
    const double scale = size / digitHeight;
    for (int d = 0; d < 10; ++d) {
      const QRectF box = outlines[std::size_t(d)].boundingRect();
      for (int offset = 0; offset < 16; ++offset) {
        QImage canvas(platform::RoundToInt32(std::ceil(box.width() * scale)) + 3,
                      platform::RoundToInt32(std::ceil(box.height() * scale)) + 3, QImage::Format_Grayscale8);
        canvas.fill(255);
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(1 + (offset % 4) / 4.0, 1 + (offset / 4) / 4.0);
        painter.scale(scale, scale);
        painter.translate(-box.topLeft());
        painter.fillPath(outlines[std::size_t(d)], Qt::black);
        painter.end();
        drawn.emplace_back(d, InkOf(canvas, 0.02));
      }
    }
  }
  return drawn;
}

std::optional<int> SmallDigits::Read(const QImage& glyph) {
  const Ink ink = InkOf(glyph, 0.15);
  if (ink.height < 3 || ink.height > kTallest || ink.width > ink.height) {
    return std::nullopt;
  }
  std::array<double, 10> best;
  best.fill(-1);
  for (const auto& [digit, drawn] : Drawn(ink.height)) {
    best[std::size_t(digit)] = std::max(best[std::size_t(digit)], Correlation(ink, drawn));
  }
  const auto first = std::max_element(best.begin(), best.end());
  double second = -1;
  for (auto it = best.begin(); it != best.end(); ++it) {
    if (it != first) {
      second = std::max(second, *it);
    }
  }
  if (*first < kLeastCorrelation || *first - second < kLeastLead) {
    return std::nullopt;
  }
  return int(first - best.begin());
}

}  // namespace tracer

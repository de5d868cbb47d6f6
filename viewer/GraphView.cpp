#include "GraphView.h"

#include <algorithm>
#include <cmath>

#include "GlobalVariables.h"
#include "numbers.h"

namespace viewer {

double ClampZoom(double zoom) { return std::clamp(zoom, kMinZoom, kMaxZoom); }

double FitZoom(double minFrequency, double maxFrequency, int visible, int frameWidth) {
  const double decades = GlobalVariables::SafeLog10(maxFrequency) - GlobalVariables::SafeLog10(minFrequency);
  if (!(decades > 0) || frameWidth <= 0) {
    return kMaxZoom;
  }
  return ClampZoom(5.0 * visible / decades / frameWidth);
}

int ScrollKeeping(int value, int anchor, int oldSize, int newSize) {
  if (oldSize <= 0) {
    return value;
  }
  return platform::RoundToInt32((static_cast<double>(value) + anchor) * newSize / oldSize - anchor);
}

QString CursorReadout(double frequency, double level, std::optional<double> curve, bool impedance,
                      const QString& decimalPoint) {
  // 999.5 Hz and above show as kHz, so that three digits never round up to "1e+03 Hz".
  const QString place = frequency >= 999.5 ? QString::number(frequency / 1000, 'g', 3) + QStringLiteral(" kHz")
                                           : QString::number(frequency, 'g', 3) + QStringLiteral(" Hz");
  const QString unit = impedance ? QStringLiteral(" ohm") : QStringLiteral(" dB");
  QString text = place + QStringLiteral("  ") + QString::number(level, 'f', 1) + unit;
  if (curve) {
    text += QStringLiteral("  curve ") + QString::number(*curve, 'f', 2) + unit;
  }
  return text.replace(QLatin1Char('.'), decimalPoint);
}

}  // namespace viewer

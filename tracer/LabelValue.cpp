#include "LabelValue.h"

#include <QRegularExpression>
#include <cmath>

#include "numbers.h"

namespace tracer {

namespace {

QString Compact(QString text) {
  text.remove(QLatin1Char(' '));
  text.replace(QChar(0x2212), QLatin1Char('-'));  // minus sign
  text.replace(QChar(0x2013), QLatin1Char('-'));  // en dash
  return text;
}

// A plain number: sign, digits, decimal point or comma, thousands groups "1,000".
std::optional<double> Number(QString text) {
  static const QRegularExpression grouped(QStringLiteral("^[+-]?\\d{1,3}(,\\d{3})+$"));
  if (grouped.match(text).hasMatch()) {
    text.remove(QLatin1Char(','));
  }
  text.replace(QLatin1Char(','), QLatin1Char('.'));
  static const QRegularExpression plain(QStringLiteral("^[+-]?(\\d+(\\.\\d+)?|\\.\\d+)$"));
  if (!plain.match(text).hasMatch()) {
    return std::nullopt;
  }
  const std::optional<double> value = platform::ParseDecimal(text.toStdString());
  if (!value || !std::isfinite(*value)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::optional<double> ParseScaledLabel(const QString& label) {
  const QString text = Compact(label);
  std::optional<double> value;
  static const QRegularExpression power(QStringLiteral("^10\\^([+-]?\\d{1,2})$"));
  static const QRegularExpression exponent(QStringLiteral("^(\\d+(\\.\\d+)?)[eE]([+-]?\\d{1,2})$"));
  if (const QRegularExpressionMatch m = power.match(text); m.hasMatch()) {
    value = std::pow(10.0, m.captured(1).toInt());
  } else if (const QRegularExpressionMatch e = exponent.match(text); e.hasMatch()) {
    value = e.captured(1).toDouble() * std::pow(10.0, e.captured(3).toInt());
  } else if (text.endsWith(QLatin1Char('k'), Qt::CaseInsensitive)) {
    const std::optional<double> n = Number(text.chopped(1));
    value = n ? std::optional(*n * 1000) : std::nullopt;
  } else {
    value = Number(text);
  }
  if (!value || *value < 0 || text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+'))) {
    return std::nullopt;
  }
  return value;
}

std::optional<double> ParseLevelLabel(const QString& label) { return Number(Compact(label)); }

bool CoversWidth(const QString& text, int width, int height) {
  return width <= (0.9 * double(text.size()) + 0.1) * height + 1;
}

QString PowerText(const QString& base, const QString& exponent) {
  return Compact(base) + QLatin1Char('^') + Compact(exponent);
}

}  // namespace tracer

// Auto Register: tick labels read from the example pictures, the agreement rule that keeps a
// misread label out, and the window's command end to end on the example and real-style pictures
// (what is registered, where, and what the status says), with Tesseract itself.
#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QtTest>
#include <cmath>
#include <map>

#include "AutoRegister.h"
#include "LabelFinder.h"
#include "LabelValue.h"
#include "PictureLean.h"
#include "ScaleAgreement.h"
#include "StraightLines.h"
#include "TesseractReader.h"
#include "TickMarks.h"
#include "TracerFixture.h"

using fakes::Tracer;
using platform::MessageResult;
using tracer::LabelReading;
using tracer::ScaleKind;

namespace {

QString Fixture(const QString& name) { return QStringLiteral(FIXTURES_DIR "/") + name; }

// Two points of an axis on the picture: value and position (pixels), and whether it is logarithmic.
struct Axis {
  double v0, p0, v1, p1;
  bool log;
  double At(double v) const {
    const auto u = [this](double x) { return log ? std::log10(x) : x; };
    return p0 + (u(v) - u(v0)) * (p1 - p0) / (u(v1) - u(v0));
  }
};

// The frequency and level axes that a fixture's .json gives.
std::pair<Axis, Axis> Axes(const QString& json) {
  QFile file(Fixture(json));
  file.open(QIODevice::ReadOnly);
  const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
  if (o.contains(QLatin1String("freq_refs"))) {
    const QJsonArray f = o[QLatin1String("freq_refs")].toArray();
    const QJsonArray l = o[QLatin1String("level_refs")].toArray();
    const auto n = [](const QJsonArray& a, int i, int j) { return a[i].toArray()[j].toDouble(); };
    return {{n(f, 0, 0), n(f, 0, 1), n(f, 1, 0), n(f, 1, 1), true},
            {n(l, 0, 0), n(l, 0, 1), n(l, 1, 0), n(l, 1, 1), o[QLatin1String("ohm_scale")].toString() == "log"}};
  }
  const bool ohm = o[QLatin1String("kind")].toString() == QLatin1String("ohm");
  const Axis frequency{100, o[QLatin1String("x_100")].toDouble(), 10000, o[QLatin1String("x_10000")].toDouble(), true};
  if (ohm) {
    return {frequency, {4, o[QLatin1String("y_4")].toDouble(), 16, o[QLatin1String("y_16")].toDouble(), true}};
  }
  return {frequency, {60, o[QLatin1String("y_60")].toDouble(), 90, o[QLatin1String("y_90")].toDouble(), false}};
}

// Where the labelled lines of each quantity ("frequency", "dB", "ohm") are drawn, by value:
// their centres and their tick marks', from a .json of tools/make_test_graphs.py.
using Drawn = std::map<QString, std::map<double, std::pair<double, double>>>;
Drawn DrawnLines(const QString& json) {
  QFile file(Fixture(json));
  file.open(QIODevice::ReadOnly);
  const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
  Drawn drawn;
  const auto take = [&drawn](const QString& quantity, const QJsonArray& lines) {
    for (const QJsonValue& line : lines) {
      const QJsonArray l = line.toArray();
      drawn[quantity][l[0].toDouble()] = {l[1].toDouble(), l[2].toDouble()};
    }
  };
  take(QStringLiteral("frequency"), o[QLatin1String("frequency")].toArray());
  for (const char* side : {"left", "right"}) {
    const QJsonObject axis = o[QLatin1String(side)].toObject();
    take(axis[QLatin1String("unit")].toString(), axis[QLatin1String("lines")].toArray());
  }
  return drawn;
}

// A picture as it is imported: a tilted scan straightened first.
QImage Imported(const QString& name) {
  const QImage picture(Fixture(name));
  const std::optional<double> lean = tracer::LeanMeter().Measure(picture);
  return lean && std::fabs(*lean) >= 0.05 ? tracer::Straighten(picture, *lean) : picture;
}

}  // namespace

class tst_autoregister : public QObject {
  Q_OBJECT

 private slots:
  // Every tick label of a picture reads as its value (a "10^3" label as its base and raised
  // exponent) in one of its readings; the agreement rule takes care of the others.
  void readLabels_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QList<double>>("bottom");
    QTest::addColumn<QList<double>>("left");
    const QList<double> frequencies{20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000};
    QTest::newRow("SPL example") << "graph-spl-960x640.png" << frequencies
                                 << QList<double>{100, 95, 90, 85, 80, 75, 70, 65, 60, 55, 50};
    QTest::newRow("impedance example") << "graph-impedance-2400x1200.png" << frequencies
                                       << QList<double>{100, 50, 20, 10, 5, 2, 1};
    QTest::newRow("powers of ten") << "real-style/datasheet-black-jpeg.jpg" << QList<double>{100, 1000, 10000}
                                   << QList<double>{100, 90, 80, 70, 60, 50};
  }
  void readLabels() {
    QFETCH(QString, name);
    QFETCH(QList<double>, bottom);
    QFETCH(QList<double>, left);
    const QImage picture(Fixture(name));
    const tracer::StraightLines lines = tracer::StraightLineFinder().Find(picture);
    double x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9;
    for (const tracer::StraightLine& l : lines.Lines()) {
      (l.horizontal ? y0 : x0) = std::min(l.horizontal ? y0 : x0, l.centre);
      (l.horizontal ? y1 : x1) = std::max(l.horizontal ? y1 : x1, l.centre);
    }
    const tracer::PlotTexts texts = tracer::FindPlotTexts(picture, QRectF(QPointF(x0, y0), QPointF(x1, y1)));
    const std::unique_ptr<tracer::TesseractReader> reader = tracer::TesseractReader::Start();
    QVERIFY(reader);
    // Read as Auto Register reads them: all labels and exponents of the picture at once, at a
    // first and a closer look.
    const auto check = [&reader](const tracer::MarginTexts& margin, const QList<double>& expected) {
      QCOMPARE(margin.labels.size(), std::size_t(expected.size()));
      std::vector<QImage> pictures;
      for (const tracer::LabelText& label : margin.labels) {
        pictures.push_back(label.base);
        if (!label.exponent.isNull()) {
          pictures.push_back(label.exponent);
        }
      }
      std::vector<QStringList> read = reader->Read(pictures, tracer::TextKind::kNumber);
      const std::vector<QStringList> closer = reader->Read(pictures, tracer::TextKind::kNumber, true);
      for (std::size_t k = 0; k < read.size(); ++k) {
        read[k] += closer[k];
      }
      std::size_t next = 0;
      for (int i = 0; i < expected.size(); ++i) {
        QStringList readings = read[next++];
        if (!margin.labels[std::size_t(i)].exponent.isNull()) {
          const QStringList bases = readings;
          readings.clear();
          for (const QString& exponent : read[next++]) {
            for (const QString& base : bases) {
              readings.append(tracer::PowerText(base, exponent));
            }
          }
        }
        bool found = false;
        for (const QString& text : readings) {
          found = found || tracer::ParseScaledLabel(text) == expected[i];
        }
        QVERIFY2(found, qPrintable(QStringLiteral("%1 read as %2").arg(expected[i]).arg(readings.join('|'))));
      }
    };
    check(texts.bottom, bottom);
    check(texts.left, left);
  }

  // The agreement rule on readings (position of a label's line, value; readings at one position
  // are two readings of one label): a misread label is dropped; too few labels, or two scales
  // that fit as well, leave the axis unread.
  void agreement_data() {
    QTest::addColumn<QList<QPointF>>("readings");
    QTest::addColumn<QString>("scales");          // allowed: "lin", "log" or both; "rising": positions grow with values
    QTest::addColumn<QList<double>>("agreeing");  // values, by position; empty: none
    const auto at = [](double f) { return 67.5 + 288 * std::log10(f / 20); };
    QTest::newRow("a 5k read as 3k") << QList<QPointF>{{at(20), 20},
                                                       {at(100), 100},
                                                       {at(5000), 3000},
                                                       {at(20000), 20000}}
                                     << "log rising" << QList<double>{20, 100, 20000};
    QTest::newRow("a line 1.5 px off") << QList<QPointF>{{at(20), 20},
                                                         {at(100) + 1.5, 100},
                                                         {at(1000), 1000},
                                                         {at(10000), 10000}}
                                       << "log rising" << QList<double>{20, 1000, 10000};
    // gnuplot's grid lines on whole pixels, up to half a pixel off the scale: 1.06 px from the
    // line through the other two.
    QTest::newRow("three decades on whole pixels") << QList<QPointF>{{313.5, 100}, {642.5, 1000}, {970.44, 10000}}
                                                   << "log rising" << QList<double>{100, 1000, 10000};
    QTest::newRow("three labels, not by decades")
        << QList<QPointF>{{at(20), 20}, {at(100), 100}, {at(1000), 1000}} << "log rising" << QList<double>{};
    QTest::newRow("two labels") << QList<QPointF>{{at(20), 20}, {at(20000), 20000}} << "log rising" << QList<double>{};
    QTest::newRow("running the wrong way")
        << QList<QPointF>{{177.2, 100}, {292.4, 10}, {407.4, 1}} << "log rising" << QList<double>{};
    // 10 to 1000 Hz read without their last zero but for 1000: the lines do not tell.
    const auto blurred = [](double f) { return 71.4 + 105 * std::log10(f / 10); };
    QTest::newRow("a zero lost in every label") << QList<QPointF>{{blurred(10), 1},
                                                                  {blurred(20), 2},
                                                                  {blurred(100), 10},
                                                                  {blurred(500), 50},
                                                                  {blurred(1000), 1000}}
                                                << "log rising" << QList<double>{};
    // "10¹" to "10⁴" in small type, each exponent read as a last digit: a log scale fits them, a
    // sliver of a decade across the plot.
    QTest::newRow("powers of ten, exponents as digits")
        << QList<QPointF>{{50.5, 101}, {144.5, 102}, {238.5, 103}, {332.5, 104}} << "log rising" << QList<double>{};
    QTest::newRow("ohms 1, 10, 100") << QList<QPointF>{{589.43, 1}, {304.44, 10}, {19.57, 100}} << "log"
                                     << QList<double>{100, 10, 1};
    QTest::newRow("levels, a 60 read as 80")
        << QList<QPointF>{{588.5, 50}, {477.5, 80}, {366.5, 70}, {254.5, 80}, {143.5, 90}} << "lin"
        << QList<double>{90, 80, 70, 50};
    QTest::newRow("two readings, the right one agrees")
        << QList<QPointF>{{588.5, 50}, {477.5, 60}, {477.5, 68}, {366.5, 70}} << "lin" << QList<double>{70, 60, 50};
    // 100, 200 and a third label read as 300 (linear) or 400 (logarithmic): three each.
    QTest::newRow("two scales") << QList<QPointF>{{0, 100}, {100, 200}, {200, 300}, {200, 400}, {300, 1}}
                                << "lin log rising" << QList<double>{};
  }
  void agreement() {
    QFETCH(QList<QPointF>, readings);
    QFETCH(QString, scales);
    QFETCH(QList<double>, agreeing);
    std::vector<LabelReading> r;
    for (const QPointF& reading : readings) {
      int label = 0;
      while (readings[label].x() != reading.x()) {
        ++label;
      }
      r.push_back({label, reading.x(), reading.y()});
    }
    const std::optional<tracer::AgreedScale> scale =
        tracer::AgreeOnScale(r, scales.contains(QLatin1String("lin")), scales.contains(QLatin1String("log")),
                             scales.contains(QLatin1String("rising")));
    QList<double> values;
    for (const LabelReading& a : scale ? scale->agreeing : std::vector<LabelReading>{}) {
      values.append(a.value);
    }
    QCOMPARE(values, agreeing);
  }
  // Labels "10²" to "10⁴" centred on their grid lines, each with a minor line's tick mark 9 px
  // before it (matplotlib): the tick marks, on whole pixels, fit their scale better than the
  // grid lines do, but the labels stand on the grid lines.
  void agreementPrefersTheLabelsLines() {
    std::vector<LabelReading> r;
    const double lines[] = {260.0, 471.0, 682.99};
    const double ticks[] = {251.0, 462.0, 673.0};
    for (int i = 0; i < 3; ++i) {
      r.push_back({i, lines[i], std::pow(10.0, i + 2), 0});
      r.push_back({i, ticks[i], std::pow(10.0, i + 2), 1});
    }
    const std::optional<tracer::AgreedScale> scale = tracer::AgreeOnScale(r, false, true, true);
    QVERIFY(scale && scale->agreeing.size() == 3);
    for (int i = 0; i < 3; ++i) {
      QCOMPARE(scale->agreeing[std::size_t(i)].position, lines[i]);
    }
  }

  // Label texts as read, to values: the forms that graphs print, and misreadings that are none.
  void labelValues_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("frequency");  // or impedance; NaN: not one
    QTest::addColumn<double>("level");      // NaN: not one
    const double none = std::nan("");
    QTest::newRow("plain") << "20" << 20.0 << 20.0;
    QTest::newRow("k") << "2k" << 2000.0 << none;
    QTest::newRow("k with a blank") << "20 k" << 20000.0 << none;
    QTest::newRow("decimal k") << "1.5K" << 1500.0 << none;
    QTest::newRow("thousands") << "1,000" << 1000.0 << 1000.0;
    QTest::newRow("decimal comma") << "2,5" << 2.5 << 2.5;
    QTest::newRow("power of ten") << "10^3" << 1000.0 << none;
    QTest::newRow("power of ten below 1") << "10^-1" << 0.1 << none;
    QTest::newRow("exponent") << "1e3" << 1000.0 << none;
    QTest::newRow("signed level") << "-2.5" << none << -2.5;
    QTest::newRow("minus sign") << QString::fromUtf8("\u221210") << none << -10.0;
    QTest::newRow("plus") << "+6" << none << 6.0;
    QTest::newRow("power of two") << "2^3" << none << none;
    QTest::newRow("two points") << "1.2.5" << none << none;
    QTest::newRow("stray k") << "k" << none << none;
  }
  void labelValues() {
    QFETCH(QString, text);
    QFETCH(double, frequency);
    QFETCH(double, level);
    const auto same = [](std::optional<double> v, double expected) {
      return std::isnan(expected) ? !v : v && std::fabs(*v - expected) < 1e-9;
    };
    QVERIFY(same(tracer::ParseScaledLabel(text), frequency));
    QVERIFY(same(tracer::ParseLevelLabel(text), level));
  }

  // Which side axis is which: by its title, by its labels (logarithmic: impedance; negative:
  // level), by the other side of a two-scale graph, and by the user where nothing tells.
  void verticalAxes_data() {
    QTest::addColumn<QString>("left");  // unit (dB, ohm, ?) and labels (lin, log, neg), or empty
    QTest::addColumn<QString>("right");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("chosen");  // amplitude side, impedance side
    QTest::newRow("dB title") << "dB lin"
                              << "" << false << "left -";
    QTest::newRow("Z title, linear") << "ohm lin"
                                     << "" << false << "- left";
    QTest::newRow("logarithmic labels") << "? log"
                                        << "" << false << "- left";
    QTest::newRow("negative labels") << "? neg"
                                     << "" << false << "left -";
    QTest::newRow("nothing tells") << "? lin"
                                   << "" << true << "- left";
    QTest::newRow("two scales, one titled") << "? lin"
                                            << "ohm lin" << false << "left right";
    QTest::newRow("two scales, none titled") << "? lin"
                                             << "? lin" << true << "right left";
    QTest::newRow("unit without scale") << "dB"
                                        << "" << false << "- -";
  }
  void verticalAxes() {
    QFETCH(QString, left);
    QFETCH(QString, right);
    QFETCH(bool, asked);
    QFETCH(QString, chosen);
    const auto side = [](const QString& described, double position) {
      tracer::SideFound s;
      s.labelled = !described.isEmpty();
      s.unit = described.startsWith(QLatin1String("dB"))    ? tracer::SideUnit::kDecibel
               : described.startsWith(QLatin1String("ohm")) ? tracer::SideUnit::kOhm
                                                            : tracer::SideUnit::kUnknown;
      const double low = described.endsWith(QLatin1String("neg")) ? -10 : 10;
      const tracer::AxisFound axis{
          {position, low},
          {position - 100, 50},
          described.endsWith(QLatin1String("log")) ? ScaleKind::kLogarithmic : ScaleKind::kLinear};
      if (described.endsWith(QLatin1String("lin")) || described.endsWith(QLatin1String("neg"))) {
        s.level = s.unit == tracer::SideUnit::kOhm ? std::nullopt : std::optional(axis);
      }
      if (described.endsWith(QLatin1String("lin")) || described.endsWith(QLatin1String("log"))) {
        s.impedance = s.unit == tracer::SideUnit::kDecibel ? std::nullopt : std::optional(axis);
      }
      return s;
    };
    tracer::AxesFound axes;
    axes.left = side(left, 400);
    axes.right = side(right, 300);
    QCOMPARE(tracer::NeedsUnitQuestion(axes), asked);
    // Asked, the user says the left axis is an impedance.
    const tracer::VerticalAxes v = tracer::ChooseVerticalAxes(axes, asked ? std::optional(true) : std::nullopt);
    const auto which = [](const std::optional<tracer::AxisFound>& a) {
      return !a ? QStringLiteral("-") : a->low.position == 400 ? QStringLiteral("left") : QStringLiteral("right");
    };
    QCOMPARE(which(v.amplitude) + QLatin1Char(' ') + which(v.impedance), chosen);
  }

  // A tick mark without a grid line, drawn anti-aliased between pixels: its centre to a tenth of a
  // pixel, outside the axis and inside it; none where nothing but the axis is drawn.
  void tickMark_data() {
    QTest::addColumn<double>("at");      // the tick's centre, pixels
    QTest::addColumn<int>("direction");  // +1 below the bottom axis, -1 above it, 0: no tick
    QTest::addColumn<int>("quality");    // of the JPEG it is saved as; 0: not saved
    QTest::newRow("outside") << 120.3 << 1 << 0;
    QTest::newRow("inside") << 87.75 << -1 << 0;
    QTest::newRow("none") << 100.0 << 0 << 0;
    // Its ringing leaves a pixel or two of ink beside the tick.
    QTest::newRow("JPEG") << 124.5 << 1 << 20;
  }
  void tickMark() {
    QFETCH(double, at);
    QFETCH(int, direction);
    QFETCH(int, quality);
    QImage picture = fakes::Filled(200, 100, Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(QPointF(10, 50.5), QPointF(190, 50.5));  // the axis, centre 50.5
    if (direction != 0) {
      painter.drawLine(QPointF(at, 51), QPointF(at, 51 + 6 * direction));
    }
    painter.end();
    if (quality > 0) {
      QBuffer jpeg;
      jpeg.open(QIODevice::WriteOnly);
      picture.save(&jpeg, "JPG", quality);
      picture = QImage::fromData(jpeg.data(), "JPG").convertToFormat(QImage::Format_RGB32);
    }
    tracer::TickSearch search;
    search.axis = 50.5;
    search.near = at + 2;
    search.reach = 5;
    search.background = qRgb(255, 255, 255);
    const std::optional<double> tick = tracer::FindTick(picture, search);
    QCOMPARE(tick.has_value(), direction != 0);
    if (tick) {
      QVERIFY2(std::fabs(*tick - at) < 0.1, qPrintable(QString::number(*tick)));
    }
  }

  // Alignment > Auto Register on whole pictures: the references it registers (values, and places
  // within a pixel of where the picture's own axes put those values, within 0.3 px of the drawn
  // line where the picture's .json tells), the ohm scale, the status text; labels painted over or
  // unreadable leave their axis unregistered; an unknown unit is asked. A second Auto Register
  // (with the text engine kept) registers the same.
  void autoRegister_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("json");
    QTest::addColumn<QRect>("painted");  // painted white before the import
    QTest::addColumn<MessageResult>("answer");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QList<double>>("values");  // of the six references; NaN: unregistered
    QTest::addColumn<QString>("ohmScale");
    const double none = std::nan("");
    const QString spl = QStringLiteral("Auto Register: frequency 20 Hz and 20 kHz, amplitude 50 dB and 100 dB");
    QTest::newRow("SPL example") << "graph-spl-960x640.png"
                                 << "graph-spl-960x640.json" << QRect() << MessageResult::kNo << spl
                                 << QList<double>{20, 20000, 50, 100, none, none} << "mnuOhmScale2";
    QTest::newRow("impedance example") << "graph-impedance-2400x1200.png"
                                       << "graph-impedance-2400x1200.json" << QRect() << MessageResult::kNo
                                       << "Auto Register: frequency 20 Hz and 20 kHz, impedance 2 ohm and 100 ohm"
                                       << QList<double>{20, 20000, none, none, 2, 100} << "mnuOhmScale10";
    QTest::newRow("black JPEG") << "real-style/datasheet-black-jpeg.jpg"
                                << "real-style/datasheet-black-jpeg.json" << QRect() << MessageResult::kNo
                                << "Auto Register: frequency 100 Hz and 10 kHz, amplitude 50 dB and 100 dB"
                                << QList<double>{100, 10000, 50, 100, none, none} << "mnuOhmScale2";
    QTest::newRow("linear ohms, legend") << "real-style/crossing-legend-ohm.png"
                                         << "real-style/crossing-legend-ohm.json" << QRect() << MessageResult::kNo
                                         << "Auto Register: frequency 10 Hz and 10 kHz, impedance 0 ohm and 70 ohm"
                                         << QList<double>{10, 10000, none, none, 0, 70} << "mnuOhmScale1";
    QTest::newRow("tilted scan") << "real-style/scanned-tilted-spl.jpg"
                                 << "real-style/scanned-tilted-spl.json" << QRect() << MessageResult::kNo
                                 << "Auto Register: frequency 100 Hz and 10 kHz, amplitude 60 dB and 100 dB"
                                 << QList<double>{100, 10000, 60, 100, none, none} << "mnuOhmScale2";
    QTest::newRow("no level labels") << "graph-spl-960x640.png"
                                     << "graph-spl-960x640.json" << QRect(0, 0, 65, 640) << MessageResult::kNo
                                     << "Auto Register: frequency 20 Hz and 20 kHz, amplitude not found"
                                     << QList<double>{20, 20000, none, none, none, none} << "mnuOhmScale2";
    QTest::newRow("unit asked") << "real-style/crossing-legend-ohm.png"
                                << "real-style/crossing-legend-ohm.json" << QRect(0, 150, 80, 250)
                                << MessageResult::kYes
                                << "Auto Register: frequency 10 Hz and 10 kHz, impedance 0 ohm and 70 ohm"
                                << QList<double>{10, 10000, none, none, 0, 70} << "mnuOhmScale1";
    // matplotlib at 7 points, JPEG: 10^2, 10^3, 10^4 alone, the 4 of 4 x 5 pixels touching its 0.
    QTest::newRow("480 x 320, powers of ten")
        << "mpl-480x320-powers.jpg"
        << "mpl-480x320-powers.json" << QRect() << MessageResult::kNo
        << "Auto Register: frequency 100 Hz and 10 kHz, amplitude 50 dB and 100 dB"
        << QList<double>{100, 10000, 50, 100, none, none} << "mnuOhmScale2";
    // gnuplot's own labels (100, 1000, 10000; ohms 1, 10, 100) and its dotted grid, JPEG.
    QTest::newRow("gnuplot, dotted grid") << "gnuplot-dotted-ohm.jpg"
                                          << "gnuplot-dotted-ohm.json" << QRect() << MessageResult::kNo
                                          << "Auto Register: frequency 100 Hz and 10 kHz, impedance 10 ohm and 100 ohm"
                                          << QList<double>{100, 10000, none, none, 10, 100} << "mnuOhmScale10";
    // matplotlib's "classic" style: a grey margin round a white plot, whose shade bridged the
    // gaps between the left labels' last zeros, stacked one above another: they passed for a
    // dotted line beside the frame, and the plot area reached over them (20 read as 2, 100 as 10).
    QTest::newRow("grey margin") << "dashed-along-dotted-grid.png"
                                 << "dashed-along-dotted-grid.json" << QRect() << MessageResult::kNo
                                 << "Auto Register: frequency 100 Hz and 10 kHz, amplitude 20 dB and 100 dB"
                                 << QList<double>{100, 10000, 20, 100, none, none} << "mnuOhmScale2";
    // A small matplotlib picture on white: the left labels' last zeros, one above another beside
    // the frame, pass for a broken line there, and the plot area reached over them (110 read as
    // 11, 20 as 2).
    QTest::newRow("digits stacked beside the frame")
        << "digits-stacked-beside-frame.png"
        << "digits-stacked-beside-frame.json" << QRect() << MessageResult::kNo
        << "Auto Register: frequency 100 Hz and 10 kHz, amplitude 20 dB and 110 dB"
        << QList<double>{100, 10000, 20, 110, none, none} << "mnuOhmScale2";
    QTest::newRow("no labels") << "graph-spl-960x640.png" << QString() << QRect(0, 0, 960, 640) << MessageResult::kNo
                               << "Auto Register: no axis labels could be read, nothing registered"
                               << QList<double>{none, none, none, none, none, none} << "mnuOhmScale2";
  }
  void autoRegister() {
    QFETCH(QString, name);
    QFETCH(QString, json);
    QFETCH(QRect, painted);
    QFETCH(MessageResult, answer);
    QFETCH(QString, status);
    QFETCH(QList<double>, values);
    QFETCH(QString, ohmScale);
    QImage picture = Imported(name).convertToFormat(QImage::Format_RGB32);
    if (painted.isValid()) {
      QPainter painter(&picture);
      if (json.isEmpty()) {  // a frame and grid without any text
        painter.fillRect(painted, Qt::white);
        painter.setPen(Qt::black);
        for (int k = 0; k <= 4; ++k) {
          painter.drawLine(100 + 200 * k, 50, 100 + 200 * k, 550);
          painter.drawLine(100, 50 + 125 * k, 900, 50 + 125 * k);
        }
      } else {
        painter.fillRect(painted, Qt::white);
      }
    }
    Tracer t;
    tracer::Form1& w = *t.window;
    t.Import(picture);
    t.services.messageBox.answers = {answer, answer};
    w.mnuAutoRegister->trigger();
    QCOMPARE(t.Panel(4), status);
    w.mnuAutoRegister->trigger();
    QCOMPARE(t.Panel(4), status);
    const bool asked = !t.services.messageBox.shown.empty();
    QCOMPARE(asked, QTest::currentDataTag() == QByteArray("unit asked"));
    if (asked) {
      QVERIFY(t.Message() == "Is the vertical axis an impedance in ohms?" &&
              t.services.messageBox.shown.back().buttons == platform::MessageButtons::kYesNo &&
              t.services.messageBox.shown.back().title == "Quelbrin");
    }
    QVERIFY(w.findChild<QAction*>(ohmScale)->isChecked());
    const bool drawn = json.startsWith(QLatin1String("mpl")) || json.startsWith(QLatin1String("gnuplot"));
    const std::pair<Axis, Axis> axes = json.isEmpty() || drawn ? std::pair<Axis, Axis>{} : Axes(json);
    const Drawn drawnLines = drawn ? DrawnLines(json) : Drawn{};
    QAction* const items[] = {w.mnuReg100Hz, w.mnuReg10000Hz, w.mnuReg60Db, w.mnuReg90Db, w.mnuReg4Ohm, w.mnuReg16Ohm};
    const double stored[] = {w.lowFreq, w.highFreq, w.lowDb, w.highDb, w.lowOhm, w.highOhm};
    const platform::LineShape* lines[] = {w.lnReg100Hz, w.lnReg10000Hz, w.lnReg60Db,
                                          w.lnReg90Db,  w.lnReg4Ohm,    w.lnReg16Ohm};
    for (int i = 0; i < 6; ++i) {
      const bool registered = !std::isnan(values[i]);
      QCOMPARE(tracer::Tag(items[i]), registered ? QStringLiteral("2") : QStringLiteral("0"));
      QCOMPARE(items[i]->isChecked() && lines[i]->Visible(), registered);
      if (!registered) {
        continue;
      }
      QCOMPARE(stored[i], values[i]);
      const QPointF onPicture = w.ToPicture({lines[i]->X1(), lines[i]->Y1()});
      const double place = i < 2 ? onPicture.x() : onPicture.y();
      if (drawn) {
        const QString quantity = i < 2   ? QStringLiteral("frequency")
                                 : i < 4 ? QStringLiteral("dB")
                                         : QStringLiteral("ohm");
        const auto [centre, tick] = drawnLines.at(quantity).at(values[i]);
        QVERIFY2(std::min(std::fabs(place - centre), std::fabs(place - tick)) <= 0.3,
                 qPrintable(QStringLiteral("%1 at %2, not %3").arg(values[i]).arg(place).arg(centre)));
        continue;
      }
      const double expected = (i < 2 ? axes.first : axes.second).At(values[i]);
      QVERIFY2(std::fabs(place - expected) < 1.2,
               qPrintable(QStringLiteral("%1 at %2, not %3").arg(values[i]).arg(place).arg(expected)));
    }
    // As after registering by hand: the trace starts without a refusal.
    if (!std::isnan(values[0]) && !(std::isnan(values[2]) && std::isnan(values[4]))) {
      (std::isnan(values[2]) ? w.mnuTraceStartImpedance : w.mnuTraceStartSPL)->trigger();
      QVERIFY(w.isTracing && t.services.messageBox.shown.size() == (asked ? 2U : 0U));
    }
  }

  // The whole way on the SPL example, eight user actions: import (the command and the file), Auto
  // Register, Pick Curve Colour and a click on the curve, Auto Trace (which starts the trace with
  // the default limits, 20 Hz to 20 kHz in 400 steps), Save As and the file's name.
  void theWholeWay() {
    Tracer t;
    tracer::Form1& w = *t.window;
    t.services.fileDialog.answers.push_back(Fixture(QStringLiteral("graph-spl-960x640.png")));
    w.mnuImportFile->trigger();
    w.mnuAutoRegister->trigger();
    w.mnuPickColour->trigger();
    const QPointF onCurve = w.FromPicture({556, 165});
    t.Move(float(onCurve.x()), float(onCurve.y()));
    t.Click();
    t.AutoTrace();
    QTemporaryDir dir;
    const QByteArray saved = t.SaveTo(dir.filePath(QStringLiteral("woofer.frd")));
    QVERIFY2(saved.count("\r\n") == 401 && saved.startsWith("20") && t.services.messageBox.shown.empty(),
             saved.left(200).constData());
  }
};

QTEST_MAIN(tst_autoregister)
#include "tst_autoregister.moc"

// The picture analysis without a window: the straight lines of a graph found with their centres to
// a tenth of a pixel (and a flat stretch of a curve not taken for one), and the lean of a tilted
// picture measured and taken out again.
#include <QPainter>
#include <QtTest>
#include <cmath>

#include "PictureLean.h"
#include "StraightLines.h"

namespace {

// A plot of 600 x 400 with a frame and horizontal grid lines at y = 60.3, 140.3, ... and vertical
// ones at x = 80.7, 200.7, ..., drawn anti-aliased in `colour` on `background`.
QImage Grid(const QColor& colour, const QColor& background, double width, Qt::PenStyle style) {
  QImage picture(600, 400, QImage::Format_RGB32);
  picture.fill(background);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  QPen pen(colour, width);
  pen.setStyle(style);
  pen.setCapStyle(Qt::FlatCap);
  p.setPen(pen);
  for (double y = 60.3; y < 380; y += 80) {
    p.drawLine(QPointF(40, y), QPointF(560, y));
  }
  for (double x = 80.7; x < 560; x += 120) {
    p.drawLine(QPointF(x, 30), QPointF(x, 370));
  }
  return picture;
}

}  // namespace

class tst_pictures : public QObject {
  Q_OBJECT

 private slots:
  // Every grid line found, solid, dashed or dotted, light on dark or dark on light, through JPEG;
  // its centre within a tenth of a pixel, and a reference placed 1 or 2 pixels beside it snaps to
  // within 0.2 of that centre. A curve's stretch that stays within two pixels of one height over a
  // third of the plot is not a line.
  void lines_data() {
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<int>("quality");  // JPEG quality, 0 for none
    QTest::newRow("black, 1 px") << Grid(Qt::black, Qt::white, 1, Qt::SolidLine) << 0;
    QTest::newRow("light grey, 1 px") << Grid(QColor(200, 200, 200), Qt::white, 1, Qt::SolidLine) << 0;
    QTest::newRow("dark grey, 2 px, JPEG 50") << Grid(QColor(60, 60, 60), Qt::white, 2, Qt::SolidLine) << 50;
    QTest::newRow("dashed") << Grid(Qt::black, Qt::white, 1, Qt::DashLine) << 0;
    QTest::newRow("dotted") << Grid(QColor(90, 90, 90), Qt::white, 1, Qt::DotLine) << 0;
    QTest::newRow("grey on a dark plot") << Grid(QColor(110, 110, 110), QColor(20, 20, 30), 1, Qt::SolidLine) << 0;
  }
  void lines() {
    QFETCH(QImage, picture);
    QFETCH(int, quality);
    {
      // A curve of the lines' colour, flat within two pixels from x 150 to 350.
      QPainter p(&picture);
      p.setRenderHint(QPainter::Antialiasing);
      p.setPen(QPen(QColor(picture.pixel(80, 60)), 1.5));
      QPolygonF curve;
      for (double x = 45; x < 555; x += 0.5) {
        curve << QPointF(x, 100 + (x < 150 || x > 350 ? (x < 150 ? 150 - x : x - 350) * 0.3 : std::sin(x / 9)));
      }
      p.drawPolyline(curve);
    }
    if (quality > 0) {
      QBuffer buffer;
      buffer.open(QIODevice::WriteOnly);
      picture.save(&buffer, "JPG", quality);
      picture = QImage::fromData(buffer.data(), "JPG");
    }
    const tracer::StraightLines lines = tracer::StraightLineFinder().Find(picture);
    int horizontal = 0;
    int vertical = 0;
    for (const tracer::StraightLine& line : lines.Lines()) {
      const double step = line.horizontal ? 80 : 120;
      const double first = line.horizontal ? 60.3 : 80.7;
      const double off = std::remainder(line.centre - first, step);
      QVERIFY2(std::fabs(off) < 0.1, qPrintable(QStringLiteral("%1 at %2").arg(line.horizontal).arg(line.centre)));
      (line.horizontal ? horizontal : vertical) += 1;
      for (const double beside : {-2.0, -1.0, 1.0, 2.0}) {
        const std::optional<double> snapped = lines.Snap(line.horizontal, line.centre - off + beside, 5);
        QVERIFY(snapped && std::fabs(*snapped - (line.centre - off)) < 0.2);
      }
    }
    QCOMPARE(horizontal, 4);  // not the curve at 100
    QCOMPARE(vertical, 4);
    QVERIFY(!lines.Snap(true, 100, 5));
  }

  // The lean of a grid picture turned by a known angle, to a hundredth of a degree; straightening
  // by it brings the lines level again, and a point of the tilted picture lands where
  // StraightenedPoint says. A picture without lines has no lean.
  void lean_data() {
    QTest::addColumn<double>("degrees");
    QTest::newRow("0.07") << 0.07;
    QTest::newRow("0.4") << 0.4;
    QTest::newRow("-1.3") << -1.3;
    QTest::newRow("4.5") << 4.5;
  }
  void lean() {
    QFETCH(double, degrees);
    QImage upright = Grid(QColor(80, 80, 80), Qt::white, 1, Qt::SolidLine);
    upright.setPixel(301, 201, qRgb(0, 0, 0));  // a dot to follow
    const QImage tilted = tracer::Straighten(upright, -degrees);
    const std::optional<double> lean = tracer::LeanMeter().Measure(tilted);
    QVERIFY2(lean && std::fabs(*lean - degrees) < 0.01, qPrintable(QString::number(lean.value_or(99))));
    const QImage straight = tracer::Straighten(tilted, *lean);
    const std::optional<double> after = tracer::LeanMeter().Measure(straight);
    QVERIFY(after && std::fabs(*after) < 0.01);
    // The dot: from (301.5, 201.5) turned by +degrees, then straightened.
    const QPointF at = tracer::StraightenedPoint(QPointF(301.5, 201.5), upright.size(), -degrees);
    QPointF centroid;
    double weight = 0;
    for (int y = int(at.y()) - 3; y <= int(at.y()) + 3; ++y) {
      for (int x = int(at.x()) - 3; x <= int(at.x()) + 3; ++x) {
        const double w = 255 - qGray(tilted.pixel(x, y));
        centroid += w * QPointF(x + 0.5, y + 0.5);
        weight += w;
      }
    }
    QVERIFY(QLineF(centroid / weight, at).length() < 0.1);
    QImage bare(600, 400, QImage::Format_RGB32);
    bare.fill(Qt::white);
    QPainter(&bare).drawEllipse(100, 100, 300, 150);
    QVERIFY(!tracer::LeanMeter().Measure(bare));
  }
};

QTEST_MAIN(tst_pictures)
#include "tst_pictures.moc"

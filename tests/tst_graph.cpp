// The viewer's graph: frame layout and scroll ranges, the grid, the curves and the rulers as
// recorded drawing, centring on the data, scrolling, and the pixels a user finally sees.
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include "GraphScale.h"
#include "ViewerFixture.h"
#include "numbers.h"

using fakes::SetOf;
using fakes::Viewer;
using platform::DrawOp;

namespace {

const QString kWoofer = fakes::kFixtures + QStringLiteral("woofer-24ppo.frd");

std::vector<DrawOp> Lines(const platform::PictureBox& box, QRgb color) {
  std::vector<DrawOp> result;
  std::copy_if(box.Operations().begin(), box.Operations().end(), std::back_inserter(result),
               [color](const DrawOp& op) { return op.kind == DrawOp::Kind::kLine && op.color == color; });
  return result;
}

// The polylines recorded in `color`.
std::vector<std::vector<platform::TwipPoint>> Polylines(const platform::PictureBox& box, QRgb color) {
  std::vector<std::vector<platform::TwipPoint>> result;
  for (const DrawOp& op : box.Operations()) {
    if (op.kind == DrawOp::Kind::kPolyline && op.color == color) {
      result.push_back(box.PolylinePoints(op));
    }
  }
  return result;
}

std::size_t Segments(const platform::PictureBox& box, QRgb color) {
  std::size_t count = 0;
  for (const auto& points : Polylines(box, color)) {
    count += points.size() - 1;
  }
  return count;
}

struct Label {
  float x;
  float y;
  QString text;
  QRgb color;
  double fontSize;
  bool opaque;
};

std::vector<Label> Labels(const platform::PictureBox& box) {
  std::vector<Label> result;
  for (const DrawOp& op : box.Operations()) {
    if (op.kind == DrawOp::Kind::kText) {
      const platform::TextOp& t = box.Texts()[std::size_t(op.index)];
      result.push_back({op.x1, op.y1, t.text, op.color, t.fontSize, t.opaque});
    }
  }
  return result;
}

const QRgb kGrid = qRgb(0, 128, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kMagenta = qRgb(255, 0, 255);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kOrange = qRgb(255, 128, 0);

}  // namespace

class tst_graph : public QObject {
  Q_OBJECT

 private slots:
  // Scroll ranges follow the frame; the surface and the rulers take the graph's size, and the
  // whole graph is drawn, also beyond the 21845-twip frames where 16-bit positions would stop.
  void frameLayout_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("graphSize");
    QTest::addColumn<QList<int>>("ranges");  // horizontal min, max, large, small; vertical the same
    QTest::newRow("1000 wide") << 1000 << 800 << 1500 << QList<int>{-270, 770, 154, 77, -270, 970, 121, 61};
    QTest::newRow("1001 wide rounds to even")
        << 1001 << 800 << 1502 << QList<int>{-270, 771, 154, 77, -270, 972, 122, 61};
    QTest::newRow("1920-pixel screen") << 28560 << 14700 << 42840
                                       << QList<int>{-270, 14550, 2910, 1455, -270, 28410, 3551, 1776};
    QTest::newRow("3840-pixel screen") << 57360 << 31020 << 86040
                                       << QList<int>{-270, 28950, 5790, 2895, -270, 55290, 6911, 3456};
  }
  void frameLayout() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, graphSize);
    QFETCH(QList<int>, ranges);
    Viewer v;
    v.Open(false, kWoofer);
    v.Frame(width, height);
    const viewer::frmMain& w = *v.window;
    const platform::ScrollBar& h = *w.HScrollGraph;
    const platform::ScrollBar& vb = *w.VScrollGraph;
    QCOMPARE(v.g.graphSize, graphSize);
    QCOMPARE((QList<int>{h.Min(), h.Max(), h.LargeChange(), h.SmallChange(), vb.Min(), vb.Max(), vb.LargeChange(),
                         vb.SmallChange()}),
             ranges);
    // The bars run between the ruler bands, so each range reaches exactly the graph's far edge.
    QCOMPARE((QList<int>{h.Left(), h.Top(), h.Height(), h.Max() + h.Width() - h.Min()}),
             (QList<int>{270, height - 270, 255, graphSize}));
    QCOMPARE((QList<int>{vb.Left(), vb.Top(), vb.Width(), vb.Max() + vb.Height() - vb.Min()}),
             (QList<int>{width - 270, 270, 255, graphSize}));
    QCOMPARE(
        (QList<int>{w.pctGraph->Width(), w.pctGraph->Height(), w.HMeasureGraph->Width(), w.VMeasureGraph->Height()}),
        (QList<int>(4, graphSize)));
    QCOMPARE((QList<std::size_t>{Segments(*w.pctGraph, kBlue), Lines(*w.pctGraph, kGrid).size(),
                                 Labels(*w.HMeasureGraph).size() + Labels(*w.VMeasureGraph).size()}),
             (QList<std::size_t>{287, 46 + 57, 25 + 57}));
  }

  // No segment leaves a point whose x is 0 or less; every other point joins the one before it.
  // Each unbroken run of segments is one polyline.
  void polylineRule_data() {
    QTest::addColumn<QList<double>>("frequencies");
    QTest::addColumn<QList<int>>("polylines");  // the point count of each
    QTest::newRow("below and at 1 Hz start no segment") << QList<double>{0.5, 1, 2, 10} << QList<int>{2};
    QTest::newRow("starting at 1 Hz") << QList<double>{1, 10, 100} << QList<int>{2};
    QTest::newRow("a point at 1 Hz breaks the curve") << QList<double>{10, 1, 2, 5, 10} << QList<int>{2, 3};
    QTest::newRow("single point") << QList<double>{100} << QList<int>{};
    QTest::newRow("no point") << QList<double>{} << QList<int>{};
    QTest::newRow("above 100 kHz still drawn") << QList<double>{50000, 200000} << QList<int>{2};
    QList<double> many;
    for (int i = 0; i < 40000; ++i) {
      many << 10 + i * 0.5;
    }
    QTest::newRow("40000 points, beyond 16-bit indices") << many << QList<int>{40000};
  }
  void polylineRule() {
    QFETCH(QList<double>, frequencies);
    QFETCH(QList<int>, polylines);
    Viewer v;
    data::ResponseSet set;
    for (const double f : frequencies) {
      set.Resize(set.LastIndex() + 1);
      set[set.LastIndex()].value = {f, 60, 0};
    }
    v.g.normalizedData = set;
    v.g.dataNormalized = true;
    v.Frame(13333, 9000);
    const viewer::GraphMapping mapping(v.g.graphSize, 120, -48);
    QList<int> counts;
    int point = 0;  // the first point of the next polyline, in `frequencies`
    for (const auto& line : Polylines(*v.window->pctGraph, kMagenta)) {
      counts << int(line.size());
      while (mapping.X(frequencies[point]) != int(line.front().x)) {
        ++point;
      }
      for (const platform::TwipPoint& p : line) {
        QCOMPARE(p, (platform::TwipPoint{float(mapping.X(frequencies[point])), float(mapping.Y(60))}));
        ++point;
      }
      QVERIFY(std::all_of(line.begin(), line.end() - 1, [](const platform::TwipPoint& p) { return p.x > 0; }));
    }
    QCOMPARE(counts, polylines);
  }

  void frequencyRuler() {
    Viewer v;
    v.Frame(13333, 9000);
    v.window->HMeasureGraph_Paint();  // drawn without any file open
    const platform::PictureBox& ruler = *v.window->HMeasureGraph;
    const std::vector<DrawOp> ticks = Lines(ruler, kWhite);
    const std::vector<DrawOp> grid = Lines(*v.window->pctGraph, kGrid);
    QCOMPARE(ticks.size(), std::size_t(46));
    QVERIFY(grid.empty());              // no file open: no grid
    for (const DrawOp& tick : ticks) {  // 60 twips standing on the bottom edge
      QCOMPARE((QList<float>{tick.x2, tick.y1, tick.y2}), (QList<float>{tick.x1, 270, 210}));
    }
    QCOMPARE(ticks[27].x1, 12000.0f);  // 1 kHz
    const std::vector<Label> labels = Labels(ruler);
    QStringList texts;
    for (const Label& l : labels) {
      texts << l.text;
      QCOMPARE(l.y, 30.0f);
      QCOMPARE(l.color, kWhite);
      QVERIFY(l.opaque);
    }
    QCOMPARE(texts, (QStringList{" 1",  " 2",   " 4",   " 6",   " 8",   " 10",  " 20", " 40", " 60",
                                 " 80", " 100", " 200", " 400", " 600", " 800", " 1k", " 2k", " 4k",
                                 " 6k", " 8k",  " 10k", " 20k", " 40k", " 60k", " 80k"}));
    QCOMPARE(labels[0].x, -120.0f);              // the 1 Hz label starts left of the ruler
    QCOMPARE(labels[15].x, float(12000 - 120));  // 1k
  }

  // graphSize 16800 makes S = 100 twips a unit (-48 at 16800, 0 at 12000, 120 at 0) and D = 3360.
  // Each level line runs across the graph, with a tick and a label 120 twips above it; labels of
  // three digits start further left, negative ones are orange.
  void levelRulers_data() {
    QTest::addColumn<bool>("impedance");
    QTest::addColumn<int>("index");  // of the line, from the bottom
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<float>>("place");  // the label's x and y
    QTest::newRow("dB, bottom") << false << 0 << "-48" << QList<float>{0, 16680};
    QTest::newRow("dB, 0") << false << 16 << " 0" << QList<float>{0, 11880};
    QTest::newRow("dB, 99") << false << 49 << " 99" << QList<float>{0, 1980};
    QTest::newRow("dB, 102") << false << 50 << " 102" << QList<float>{-60, 1680};
    QTest::newRow("dB, top") << false << 56 << " 120" << QList<float>{-60, -120};
    QTest::newRow("ohms, -4") << true << 11 << "-4" << QList<float>{0, 12280};
    QTest::newRow("ohms, 100") << true << 37 << " 100" << QList<float>{-60, 1880};
  }
  void levelRulers() {
    QFETCH(bool, impedance);
    QFETCH(int, index);
    QFETCH(QString, text);
    QFETCH(QList<float>, place);
    Viewer v;
    v.Open(impedance, impedance ? fakes::kFixtures + QStringLiteral("woofer-48ppo.zma") : kWoofer);
    v.Frame(11200, 9000);
    QCOMPARE(v.g.graphSize, 16800);
    const std::vector<Label> labels = Labels(*v.window->VMeasureGraph);
    const std::vector<DrawOp> grid = Lines(*v.window->pctGraph, kGrid);
    QCOMPARE(labels.size(), std::size_t(impedance ? 43 : 57));
    QCOMPARE(grid.size(), 46 + labels.size());
    QCOMPARE(Lines(*v.window->VMeasureGraph, kWhite).size(), labels.size());  // the ticks
    // The vertical lines first, bottom to top: 1 Hz at 0, 10 Hz at a fifth, 1 kHz at three fifths,
    // 100 kHz at the right edge.
    QCOMPARE((QList<float>{grid[0].x1, grid[9].x1, grid[27].x1, grid[45].x2, grid[45].y1, grid[45].y2}),
             (QList<float>{0, 3360, 10080, 16800, 16800, 0}));
    const Label& label = labels[std::size_t(index)];
    const DrawOp& line = grid[std::size_t(46 + index)];
    QCOMPARE((QList<float>{label.x, label.y, line.x1, line.y1, line.x2, line.y2}),
             (place + QList<float>{0, place[1] + 120, 16800, place[1] + 120}));
    QVERIFY(label.text == text && (label.color == kOrange) == text.startsWith('-') && label.fontSize == 6.0 &&
            label.opaque);
  }

  void centring_data() {
    QTest::addColumn<QList<double>>("points");  // f, m pairs; empty: the woofer fixture
    QTest::addColumn<int>("horizontal");
    QTest::addColumn<int>("vertical");
    QTest::newRow("woofer fixture") << QList<double>{} << 4534 << 1938;
    // Vertically: Hv / 2 + Max - round(20000 x (middle + 48) / 168) = 4230 + 11270 - y.
    QTest::newRow("below 0.1 Hz goes to Min") << QList<double>{0.05, 60, 1000, 60} << -270 << 2643;
    QTest::newRow("empty set centres on its summary rows") << QList<double>{-1} << -270 << 9786;
  }
  void centring() {
    QFETCH(QList<double>, points);
    QFETCH(int, horizontal);
    QFETCH(int, vertical);
    Viewer v;
    v.Frame(13333, 9000);
    if (points.isEmpty()) {
      v.Open(false, kWoofer);
    } else {
      data::ResponseSet set;  // the empty set: summary rows of 0
      if (points.size() > 1) {
        set = SetOf({{points[0], points[1], 0}, {points[2], points[3], 0}});
      }
      v.g.normalizedData = set;
      v.g.dataNormalized = true;
      v.window->pctFrame_Resize();
    }
    QCOMPARE((QList<int>{v.window->HScrollGraph->Value(), v.window->VScrollGraph->Value()}),
             (QList<int>{horizontal, vertical}));
    // The surface and its rulers follow the scroll values; scrolling moves them and draws nothing.
    QCOMPARE((QList<int>{v.window->pctGraph->Left(), v.window->pctGraph->Top(), v.window->HMeasureGraph->Left(),
                         v.window->VMeasureGraph->Top()}),
             (QList<int>{-horizontal, -vertical, -horizontal, -vertical}));
    const std::size_t drawn = v.window->pctGraph->Operations().size() + v.window->VMeasureGraph->Operations().size();
    v.window->HScrollGraph->SetValue(1000);
    v.window->VScrollGraph->SetValue(-270);
    QCOMPARE((QList<int>{v.window->pctGraph->Left(), v.window->pctGraph->Top(), v.window->HMeasureGraph->Left(),
                         v.window->VMeasureGraph->Top()}),
             (QList<int>{-1000, 270, -1000, 270}));
    QCOMPARE(v.window->pctGraph->Operations().size() + v.window->VMeasureGraph->Operations().size(), drawn);
  }

  // Readable on any screen: no ruler label is cut by an end of the shown part of its ruler (beside
  // the corner square, at the frame's edge), being moved in from the end when its tick is shown
  // and kept wholly outside otherwise; a curve is one pixel wide, and the level ruler's digits keep
  // their height in pixels, whatever the device pixels to a pixel (CTest runs this once more with
  // QT_SCALE_FACTOR=2).
  void readableOnAnyScreen() {
    Viewer v;
    viewer::frmMain& w = *v.window;
    v.Open(false, kWoofer);
    v.g.normalizedData = SetOf({{20, 60, 0}, {20000, 60, 0}});
    v.g.dataNormalized = true;
    v.Frame(13333, 9000);
    const viewer::GraphMapping mapping(v.g.graphSize, 120, -48);
    w.HScrollGraph->SetValue(mapping.X(20) - 270 - 30);  // 20 Hz two pixels right of the corner
    w.VScrollGraph->SetValue(w.VScrollGraph->Min());     // the level ruler's top end shown
    w.HMeasureGraph_Paint();
    const QFontMetricsF metrics(w.HMeasureGraph->font());
    for (const Label& label : Labels(*w.HMeasureGraph)) {
      const double left = double(label.x) + w.HMeasureGraph->Left();  // in the frame
      const double right = left + metrics.horizontalAdvance(label.text) * 15;
      QVERIFY2((right <= 270 || left >= 270) && (right <= 13333 || left >= 13333), qPrintable(label.text));
      QVERIFY(label.text != QLatin1String(" 20") || left == 270);
    }
    const std::vector<Label> levels = Labels(*w.VMeasureGraph);
    QCOMPARE(levels.back().y, 0.0f);  // " 120", moved down to the ruler's top end

    const QImage graph = w.pctGraph->grab().toImage();
    const double ratio = graph.devicePixelRatio();
    QCOMPARE(ratio, qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble());
    const int column = platform::RoundToInt32((mapping.X(1000) / 15.0 + 0.5) * ratio);
    int magenta = 0;
    for (int y = 0; y < graph.height(); ++y) {
      magenta += graph.pixel(column, y) == kMagenta;
    }
    QCOMPARE(magenta, int(ratio));
    // The rows with ink in the label " 0", against the font's height of a digit.
    const QImage ruler = w.VMeasureGraph->grab().toImage();
    const auto pixel = [ratio](double twips) { return platform::RoundToInt32(twips / 15 * ratio); };
    int rows = 0;
    for (int y = pixel(double(levels[16].y)); y < pixel(double(levels[16].y) + 240); ++y) {
      bool ink = false;
      for (int x = 0; x < pixel(200); ++x) {
        ink = ink || qGray(ruler.pixel(x, y)) > 128;
      }
      rows += ink;
    }
    QFont font = w.VMeasureGraph->font();
    font.setPointSizeF(6);
    QVERIFY2(std::abs(rows / ratio - QFontMetricsF(font).capHeight()) <= 1.5, qPrintable(QString::number(rows)));
  }

  // A curve far denser than the pixels, thinned when painted, paints the pixels that joining all
  // of its points does.
  void thinnedCurvePaintsTheSamePixels() {
    std::vector<platform::TwipPoint> points;
    QPolygonF all;
    std::uint32_t noise = 12345;
    for (int i = 0; i < 30000; ++i) {
      noise = noise * 1103515245u + 12345u;
      const auto x = float(150 + i * 0.14);  // about 100 points per pixel column
      const auto y = float(1500 + 900 * std::sin(i / 2000.0) + (noise >> 16) % 600);
      points.push_back({x, y});
      all << QPointF(platform::RoundHalfEven(x / 15.0), platform::RoundHalfEven(y / 15.0));
    }
    platform::PictureBox box;
    box.Move(0, 0, 5000, 3500);
    box.SetBackColor(Qt::white);
    box.Polyline(points, QColor(kBlue));
    const QImage painted = box.grab().toImage().convertToFormat(QImage::Format_RGB32);

    QImage expected(painted.size(), QImage::Format_RGB32);
    expected.setDevicePixelRatio(painted.devicePixelRatio());
    expected.fill(Qt::white);
    QPainter painter(&expected);
    painter.setPen(QPen(QColor(kBlue), 0));
    painter.drawPolyline(all);
    painter.end();
    QCOMPARE(painted, expected);
  }

  // A frame smaller than two ruler bands, or a value too far off the scale, ends the layout on
  // its failure path: the surface is cleared, nothing crashes.
  void layoutFailures_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<double>("magnitude");
    QTest::newRow("frame narrower than two rulers") << 500 << 60.0;
    QTest::newRow("position beyond 32 bits") << 13333 << 1e300;
  }
  void layoutFailures() {
    QFETCH(int, width);
    QFETCH(double, magnitude);
    Viewer v;
    v.Open(false, kWoofer);
    v.g.normalizedData = SetOf({{100, 60, 0}, {200, magnitude, 0}});
    v.g.dataNormalized = true;
    v.Frame(width, 9000);
    QVERIFY(v.window->pctGraph->Operations().empty());
  }

  // The scroll bars are a pixel narrower than the ruler bands: the strips beside them show the
  // frame, not the drawing under them.
  void stripsBesideTheBars() {
    Viewer v;
    v.Open(false, kWoofer);
    v.Frame(9000, 6000);  // 600 x 400 pixels, ruler bands of 18
    const QImage image = v.window->pctFrame->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const double scale = image.width() / 600.0;  // device pixels per pixel
    const QRgb frame = v.window->palette().color(QPalette::Window).rgb();
    for (int i = 18; i < 382; ++i) {
      const int along = platform::RoundToInt32((i + 0.5) * scale);
      QCOMPARE(image.pixel(image.width() - 1, along), frame);  // right of the vertical bar
      QCOMPARE(image.pixel(platform::RoundToInt32((i + 100.5) * scale), image.height() - 1), frame);  // below
    }
  }
};

QTEST_MAIN(tst_graph)
#include "tst_graph.moc"

// The viewer's view beyond its fixed magnification, through the window and the fakes: the readout
// of the pointer's place, zooming (menu, Ctrl+wheel, Fit Data) and its limits, the wheel, and the
// exported picture.
#include <QFile>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QXmlStreamReader>
#include <QtTest>
#include <cmath>

#include "DataTools.h"
#include "GraphScale.h"
#include "GraphView.h"
#include "ViewerFixture.h"

using fakes::kFixtures;
using fakes::Viewer;

namespace {

viewer::GraphMapping Mapping(const Viewer& v) { return {v.g.graphSize, v.g.graphTopValue, v.g.graphBottomValue}; }

// The pointer at `pixels` of the surface; returns the readout.
QString PointAt(Viewer& v, QPointF pixels) {
  QMouseEvent move(QEvent::MouseMove, pixels, pixels, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(v.window->pctGraph, &move);
  return v.window->StatusBar->PanelText(2);
}

// Where the frequency f and the level m lie on the surface, in pixels.
QPointF PixelsOf(const Viewer& v, double f, double m) {
  const viewer::GraphMapping mapping = Mapping(v);
  return {mapping.X(f) / 15.0, mapping.Y(m) / 15.0};
}

void Wheel(Viewer& v, QPointF pixels, int notches, Qt::KeyboardModifiers modifiers) {
  QWheelEvent wheel(pixels, pixels, QPoint(), QPoint(0, notches * 120), Qt::NoButton, modifiers, Qt::NoScrollPhase,
                    false);
  QCoreApplication::sendEvent(v.window->pctGraph, &wheel);
}

}  // namespace

class tst_view : public QObject {
  Q_OBJECT

 private slots:
  // The readout at known places, at the start-up magnification and zoomed in; its curve value is
  // what Normalize Data gives at the pointer's frequency.
  void readout_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("impedance");
    QTest::addColumn<int>("zoomSteps");
    QTest::addColumn<double>("frequency");
    QTest::addColumn<double>("level");
    QTest::addColumn<QString>("shown");  // frequency and level part
    QTest::newRow("start-up") << "woofer-24ppo.frd" << false << 0 << 1250.0 << 84.2 << "1.25 kHz  84.2 dB";
    QTest::newRow("zoomed in") << "woofer-24ppo.frd" << false << 4 << 63.0 << 91.5 << "63 Hz  91.5 dB";
    QTest::newRow("impedance") << "woofer-48ppo.zma" << true << 2 << 200.0 << 12.0 << "200 Hz  12.0 ohm";
    QTest::newRow("below the curve's range")
        << "tweeter-tab-2col.frd" << false << 0 << 2.0 << -20.0 << "2 Hz  -20.0 dB";
  }
  void readout() {
    QFETCH(QString, file);
    QFETCH(bool, impedance);
    QFETCH(int, zoomSteps);
    QFETCH(double, frequency);
    QFETCH(double, level);
    QFETCH(QString, shown);
    Viewer v;
    QCOMPARE(PointAt(v, {100, 100}), QString());  // nothing loaded
    v.Open(impedance, kFixtures + file);
    for (int i = 0; i < zoomSteps; ++i) {
      v.window->mnuZoomIn_Click();
    }
    const QPointF at = PixelsOf(v, frequency, level);
    const QString text = PointAt(v, at);
    QVERIFY2(text.startsWith(shown), qPrintable(text));
    const double f = Mapping(v).FrequencyAt(at.x() * 15);
    const data::ResponseSet normalized = viewer::NormalizeLog(v.g.loadedData, {f, f, 1, false});
    const QString curve = normalized.PointCount() > 0
                              ? QStringLiteral("  curve ") + QString::number(normalized[2][data::kMagnitude], 'f', 2) +
                                    (impedance ? QStringLiteral(" ohm") : QStringLiteral(" dB"))
                              : QString();
    QCOMPARE(text, shown + curve);
    // Off the graph the panel is empty.
    QCOMPARE(PointAt(v, {v.g.graphSize / 15.0 + 5, 10}), QString());
    PointAt(v, at);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(v.window->pctGraph, &leave);
    QCOMPARE(v.window->StatusBar->PanelText(2), QString());
  }

  // Ctrl+wheel zooms about the pointer: the point under it stays under it. The wheel alone scrolls
  // an eighth of the frame up or down, with Shift left or right.
  void wheel() {
    Viewer v;
    viewer::frmMain& w = *v.window;
    v.Open(false, kFixtures + QStringLiteral("woofer-24ppo.frd"));
    const QPointF at = PixelsOf(v, 3000, 80);
    const QPointF inFrame = at + QPointF(w.pctGraph->Left(), w.pctGraph->Top()) / 15;
    for (const int notches : {3, -1}) {
      const int before = v.g.graphSize;
      Wheel(v, inFrame - QPointF(w.pctGraph->Left(), w.pctGraph->Top()) / 15, notches, Qt::ControlModifier);
      QCOMPARE(v.g.graphZoom, 1.5 * std::pow(viewer::kZoomStep, notches == 3 ? 3 : 2));
      QVERIFY(v.g.graphSize != before);
      // The same frame point shows 3 kHz and 80 dB still, within the roundings to whole twips.
      const QPointF surface = (inFrame * 15 - QPointF(w.pctGraph->Left(), w.pctGraph->Top()));
      QVERIFY(std::fabs(std::log10(Mapping(v).FrequencyAt(surface.x()) / 3000)) < 2.0 / Mapping(v).TwipsPerDecade());
      QVERIFY(std::fabs(Mapping(v).ValueAt(surface.y()) - 80) < 2.0 / Mapping(v).TwipsPerUnit());
    }
    const int shown = w.pctFrame->Height() - 2 * v.g.rulerSize;
    const int top = w.VScrollGraph->Value();
    Wheel(v, at, -1, Qt::NoModifier);
    QCOMPARE(w.VScrollGraph->Value(), top + shown / 8);
    const int left = w.HScrollGraph->Value();
    Wheel(v, at, 1, Qt::ShiftModifier);
    QCOMPARE(w.HScrollGraph->Value(), left - (w.pctFrame->Width() - 2 * v.g.rulerSize) / 8);
  }

  // The zoom stays between 1 and 32 times the frame's width; at 32 times on a 3840-pixel screen
  // nothing overflows and the far edge of the graph can be scrolled to.
  void zoomLimits() {
    Viewer v;
    viewer::frmMain& w = *v.window;
    w.showNormal();
    w.resize(3840, 2100);
    QCoreApplication::processEvents();
    v.Open(false, kFixtures + QStringLiteral("woofer-24ppo.frd"));
    for (int i = 0; i < 20; ++i) {
      w.mnuZoomIn_Click();
    }
    const int W = w.pctFrame->Width();
    QCOMPARE(v.g.graphZoom, 32.0);
    QCOMPARE(v.g.graphSize, 32 * W);
    QCOMPARE((QList<int>{w.pctGraph->Width(), w.HMeasureGraph->Width(), w.VMeasureGraph->Height()}),
             (QList<int>{32 * W, 32 * W, 32 * W}));
    QCOMPARE(w.HScrollGraph->Max(), 32 * W - W + v.g.rulerSize);
    w.HScrollGraph->SetValue(w.HScrollGraph->Max());
    QCOMPARE(w.pctGraph->Left(), -w.HScrollGraph->Max());
    QVERIFY(!w.pctGraph->Operations().empty());
    for (int i = 0; i < 20; ++i) {
      w.mnuZoomOut_Click();
    }
    QCOMPARE((QList<double>{v.g.graphZoom, double(v.g.graphSize)}), (QList<double>{1, double(W)}));
  }

  // Fit Data shows the loaded data's frequencies across the frame, centred.
  void fitData() {
    Viewer v;
    viewer::frmMain& w = *v.window;
    w.mnuZoomFit_Click();  // nothing loaded: nothing changes
    QCOMPARE(v.g.graphZoom, 1.5);
    v.Open(false, kFixtures + QStringLiteral("tweeter-tab-2col.frd"));
    w.mnuZoomFit_Click();
    const double decades = std::log10(v.g.loadedData.Maxima()[0] / v.g.loadedData.Minima()[0]);
    const int W = w.pctFrame->Width();
    QVERIFY(std::fabs(v.g.graphZoom - 5 * (W - 2 * v.g.rulerSize) / decades / W) < 1e-9);
    // The lowest frequency at the left ruler's edge, the highest at the scroll bar.
    const viewer::GraphMapping mapping = Mapping(v);
    QVERIFY(std::abs(mapping.X(v.g.loadedData.Minima()[0]) + w.pctGraph->Left() - v.g.rulerSize) <= 15);
    QVERIFY(std::abs(mapping.X(v.g.loadedData.Maxima()[0]) + w.pctGraph->Left() - (W - v.g.rulerSize)) <= 15);
  }

  // File > Export Picture...: what the frame shows, as PNG at one or two times, or as SVG.
  void exportPicture_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("filter");
    QTest::newRow("PNG") << "graph.png" << 1;
    QTest::newRow("PNG at twice the resolution") << "graph.png" << 2;
    QTest::newRow("SVG") << "graph.svg" << 3;
  }
  void exportPicture() {
    QFETCH(QString, name);
    QFETCH(int, filter);
    Viewer v;
    viewer::frmMain& w = *v.window;
    v.Open(false, kFixtures + QStringLiteral("woofer-24ppo.frd"));
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    v.services.fileDialog.answers.push_back(path);
    v.services.fileDialog.filterIndexes.push_back(filter);
    w.mnuExportPicture->trigger();
    QVERIFY(v.services.messageBox.shown.empty());
    const QSize shown((w.pctFrame->Width() - v.g.rulerSize) / 15, (w.pctFrame->Height() - v.g.rulerSize) / 15);
    if (filter == 3) {
      QFile file(path);
      QVERIFY(file.open(QIODevice::ReadOnly));
      QXmlStreamReader svg(&file);
      int paths = 0;
      while (!svg.atEnd()) {
        svg.readNext();
        paths +=
            svg.isStartElement() && (svg.name() == QLatin1String("path") || svg.name() == QLatin1String("polyline"));
      }
      QVERIFY2(!svg.hasError(), qPrintable(svg.errorString()));
      QVERIFY(paths > 0);
      return;
    }
    const QImage image(path);
    QCOMPARE(image.size(), shown * filter);
    // The corner where the rulers meet, the graph's background, the curve in its colour.
    QCOMPARE(image.pixelColor(2, 2), QColor(0, 0, 0));
    const QPoint corner = (QPoint(v.g.rulerSize, v.g.rulerSize) / 15 + QPoint(3, 3)) * filter;
    QCOMPARE(image.pixelColor(corner.x(), image.height() - 3 * filter), QColor(224, 224, 216));
    bool curve = false;
    for (int y = 0; y < image.height() && !curve; ++y) {
      curve = image.pixelColor(image.width() / 2, y) == QColor(0, 0, 255);
    }
    QVERIFY(curve);
  }
};

QTEST_MAIN(tst_view)
#include "tst_view.moc"

// The viewer's view beyond its fixed magnification, through the window and the fakes: the readout
// of the pointer's place, zooming (menu, Ctrl+wheel, Fit Data) and its limits, and the exported
// picture.
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
#include "numbers.h"

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
QPointF PixelsOf(const Viewer& v, double f, double m) { return QPointF(Mapping(v).X(f), Mapping(v).Y(m)) / 15; }

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
    QTest::newRow("below the data") << "tweeter-tab-2col.frd" << false << 0 << 2.0 << -20.0 << "2 Hz  -20.0 dB";
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
    const QString unit = impedance ? QStringLiteral(" ohm") : QStringLiteral(" dB");
    QCOMPARE(text, normalized.PointCount() == 0
                       ? shown
                       : shown + QStringLiteral("  curve %1").arg(normalized[2][data::kMagnitude], 0, 'f', 2) + unit);
    // Off the graph, and once the pointer has left it, the panel is empty.
    QCOMPARE(PointAt(v, {v.g.graphSize / 15.0 + 5, 10}), QString());
    PointAt(v, at);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(v.window->pctGraph, &leave);
    QCOMPARE(v.window->StatusBar->PanelText(2), QString());
  }

  // Ctrl+wheel zooms about the pointer, which keeps its place on the graph. The zoom stays between
  // 1 and 32 times the frame's width, where on a 3840-pixel screen nothing overflows and the
  // graph's far edge can be scrolled to. Fit Data shows the loaded frequencies across the frame.
  void zoom() {
    Viewer v;
    viewer::frmMain& w = *v.window;
    w.showNormal();
    w.resize(3840, 2100);
    QCoreApplication::processEvents();
    w.mnuZoomFit_Click();  // nothing loaded: nothing changes
    QCOMPARE(v.g.graphZoom, 1.5);
    v.Open(false, kFixtures + QStringLiteral("woofer-24ppo.frd"));
    const QPointF inFrame = PixelsOf(v, 3000, 80) + QPointF(w.pctGraph->Left(), w.pctGraph->Top()) / 15;
    for (const int notches : {3, -1}) {
      Wheel(v, inFrame - QPointF(w.pctGraph->Left(), w.pctGraph->Top()) / 15, notches, Qt::ControlModifier);
      const QPointF surface = inFrame * 15 - QPointF(w.pctGraph->Left(), w.pctGraph->Top());
      const viewer::GraphMapping mapping = Mapping(v);
      QVERIFY(std::fabs(std::log10(mapping.FrequencyAt(surface.x()) / 3000)) < 2 / mapping.TwipsPerDecade());
      QVERIFY(std::fabs(mapping.ValueAt(surface.y()) - 80) < 2 / mapping.TwipsPerUnit());
    }
    QCOMPARE(v.g.graphZoom, 1.5 * 2);
    const int W = w.pctFrame->Width();
    for (int i = 0; i < 20; ++i) {
      w.mnuZoomIn_Click();
    }
    QCOMPARE((QList<int>{v.g.graphSize, w.pctGraph->Width(), w.HMeasureGraph->Width(), w.HScrollGraph->Max()}),
             (QList<int>{32 * W, 32 * W, 32 * W, 32 * W - W + 270}));
    w.HScrollGraph->SetValue(w.HScrollGraph->Max());
    QVERIFY(w.pctGraph->Left() == -w.HScrollGraph->Max() && !w.pctGraph->Operations().empty());
    for (int i = 0; i < 20; ++i) {
      w.mnuZoomOut_Click();
    }
    QCOMPARE(v.g.graphSize, W);
    w.mnuZoomFit_Click();
    // The lowest frequency at the left ruler's edge, the highest at the scroll bar.
    QVERIFY(std::abs(Mapping(v).X(v.g.loadedData.Minima()[0]) + w.pctGraph->Left() - 270) <= 15);
    QVERIFY(std::abs(Mapping(v).X(v.g.loadedData.Maxima()[0]) + w.pctGraph->Left() - (W - 270)) <= 15);
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
      int lines = 0;
      while (svg.readNext() != QXmlStreamReader::Invalid && !svg.atEnd()) {
        lines += svg.isStartElement() && svg.name() == QLatin1String("polyline");
      }
      QVERIFY2(!svg.hasError() && lines > 0, qPrintable(svg.errorString()));
      return;
    }
    const QImage image(path);
    QCOMPARE(image.size(), shown * filter);
    // The corner where the rulers meet, the graph's background, the curve in its colour.
    int curve = 0;
    for (int y = 0; y < image.height(); ++y) {
      curve += image.pixelColor(image.width() / 2, y) == QColor(0, 0, 255);
    }
    QVERIFY(image.pixelColor(2, 2) == Qt::black && curve > 0);
    QCOMPARE(image.pixelColor(21 * filter, image.height() - 3 * filter), QColor(224, 224, 216));
  }
};

QTEST_MAIN(tst_view)
#include "tst_view.moc"

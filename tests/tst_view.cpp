// The viewer's view beyond its fixed magnification, through the window and the fakes: the readout
// of the pointer's place, zooming (menu, Ctrl+wheel, Fit Data) and its limits, and the exported
// picture.
#include <QFile>
#include <QMimeData>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QXmlStreamReader>
#include <QtTest>
#include <cmath>
#include <filesystem>

#include "DataTools.h"
#include "Files.h"
#include "GraphScale.h"
#include "GraphView.h"
#include "Smoothing.h"
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
  // what Normalize Data gives at the pointer's frequency, of the curve as drawn (smoothed, when
  // View > Smoothing says so: of the power for dB, of the ohms for impedance). Numbers carry the
  // desktop's decimal separator.
  void readout_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("impedance");
    QTest::addColumn<int>("zoomSteps");
    QTest::addColumn<int>("smoothing");  // index of the View > Smoothing item
    QTest::addColumn<QString>("locale");
    QTest::addColumn<double>("frequency");
    QTest::addColumn<double>("level");
    QTest::addColumn<QString>("shown");  // frequency and level part
    const QString woofer = QStringLiteral("woofer-24ppo.frd");
    QTest::newRow("start-up") << woofer << false << 0 << 0 << "C" << 1250.0 << 84.2 << "1.25 kHz  84.2 dB";
    QTest::newRow("zoomed in") << woofer << false << 4 << 0 << "C" << 63.0 << 91.5 << "63 Hz  91.5 dB";
    QTest::newRow("impedance") << "woofer-48ppo.zma" << true << 2 << 0 << "C" << 200.0 << 12.0 << "200 Hz  12.0 ohm";
    QTest::newRow("below the data") << "tweeter-tab-2col.frd" << false << 0 << 0 << "C" << 2.0 << -20.0
                                    << "2 Hz  -20.0 dB";
    QTest::newRow("German") << woofer << false << 0 << 0 << "de_DE" << 1250.0 << 84.2 << "1,25 kHz  84,2 dB";
    QTest::newRow("smoothed 1/1 octave") << woofer << false << 0 << 6 << "C" << 1250.0 << 84.2 << "1.25 kHz  84.2 dB";
    QTest::newRow("impedance smoothed 1/3 octave")
        << "woofer-48ppo.zma" << true << 2 << 5 << "C" << 40.0 << 12.0 << "40 Hz  12.0 ohm";
  }
  void readout() {
    QFETCH(QString, file);
    QFETCH(bool, impedance);
    QFETCH(int, zoomSteps);
    QFETCH(int, smoothing);
    QFETCH(QString, locale);
    QFETCH(double, frequency);
    QFETCH(double, level);
    QFETCH(QString, shown);
    Viewer v;
    QCOMPARE(PointAt(v, {100, 100}), QString());  // nothing loaded
    v.Open(impedance, kFixtures + file);
    for (int i = 0; i < zoomSteps; ++i) {
      v.window->mnuZoomIn_Click();
    }
    v.window->mnuSmoothingItems[std::size_t(smoothing)]->trigger();
    const QPointF at = PixelsOf(v, frequency, level);
    QLocale::setDefault(QLocale(locale));
    const QString text = PointAt(v, at);
    QLocale::setDefault(QLocale::c());
    QVERIFY2(text.startsWith(shown), qPrintable(text));
    const double f = Mapping(v).FrequencyAt(at.x() * 15);
    data::ResponseSet drawn = v.g.loadedData;
    const std::vector<double> smoothed =
        viewer::SmoothedMagnitudes(drawn, viewer::kSmoothingFractions[std::size_t(smoothing)], !impedance);
    for (std::size_t k = 0; k < smoothed.size(); ++k) {
      drawn[int(k) + 2][data::kMagnitude] = smoothed[k];
    }
    const data::ResponseSet normalized = viewer::NormalizeLog(drawn, {f, f, 1, false});
    const QString unit = impedance ? QStringLiteral(" ohm") : QStringLiteral(" dB");
    const QString curve = normalized.PointCount() == 0
                              ? QString()
                              : QStringLiteral("  curve %1").arg(normalized[2][data::kMagnitude], 0, 'f', 2) + unit;
    QCOMPARE(text, shown + (locale == QLatin1String("C") ? curve : QString(curve).replace('.', ',')));
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

  // Overlays from the command line, a drop with Shift and File > Add Overlay...: each drawn under
  // the loaded curve in the next of eight colours that differ from one another and from the
  // curves, the grid and the background, then again from the first, up to 16; listed in the
  // legend after the loaded file, with the smoothing. A file that cannot be read changes nothing.
  // Remove Overlays takes them all away; the legend goes when nothing is left to tell apart.
  void overlays() {
    Viewer v;
    viewer::frmMain& w = *v.window;
    const auto file = [](const char* name) { return platform::NativePath(kFixtures + QLatin1String(name)); };
    std::vector<std::filesystem::path> files{file("woofer-24ppo.frd"), file("woofer-48ppo.zma"), file("missing.frd")};
    files.insert(files.end(), 7, file("tweeter-tab-2col.frd"));
    w.OpenFiles(files);
    QMimeData dropped;
    dropped.setUrls({QUrl::fromLocalFile(kFixtures + QStringLiteral("midrange-2col.zda"))});
    w.Form_OLEDragDrop(dropped, true);
    v.services.fileDialog.answers.push_back(kFixtures + QStringLiteral("no-such-file.zma"));
    w.mnuAddOverlay->trigger();
    QCOMPARE(v.services.messageBox.shown.size(), std::size_t(2));  // the missing file, the dialog's
    QCOMPARE(v.services.messageBox.shown[1].text, QStringLiteral("Cannot read data from specified file."));
    const auto curves = [&w] {
      QList<QRgb> colours;
      for (const platform::DrawOp& op : w.pctGraph->Operations()) {
        if (op.kind == platform::DrawOp::Kind::kPolyline) {
          colours << op.color;
        }
      }
      return colours;
    };
    const QList<QRgb> colours = curves();
    QVERIFY(colours.size() == 10 && colours[8] == colours[0] && colours[9] == qRgb(0, 0, 255));
    // Apart by the "redmean" distance, which weighs the channels roughly as the eye does.
    const auto distance = [](QRgb a, QRgb b) {
      const double r = (qRed(a) + qRed(b)) / 2.0;
      return std::hypot(std::sqrt(2 + r / 256) * (qRed(a) - qRed(b)), 2 * (qGreen(a) - qGreen(b)),
                        std::sqrt(2 + (255 - r) / 256) * (qBlue(a) - qBlue(b)));
    };
    for (int i = 0; i < 8; ++i) {
      for (const QRgb other :
           {qRgb(0, 0, 255), qRgb(255, 0, 0), qRgb(255, 0, 255), qRgb(0, 128, 0), qRgb(224, 224, 216)}) {
        QVERIFY2(distance(colours[i], other) > 200, qPrintable(QString::number(i)));
      }
      for (int j = 0; j < i; ++j) {
        QVERIFY2(distance(colours[i], colours[j]) > 120, qPrintable(QStringLiteral("%1 %2").arg(i).arg(j)));
      }
    }
    const auto legend = [&w] {
      QStringList texts;
      for (const platform::TextOp& text : w.pctLegend->Texts()) {
        texts << text.text;
      }
      return w.pctLegend->isVisible() ? texts : QStringList();
    };
    w.mnuSmoothingItems[5]->trigger();
    QCOMPARE(legend(), (QStringList{"woofer-24ppo.frd (dB)", "woofer-48ppo.zma (ohm)"} +
                        QStringList(7, QStringLiteral("tweeter-tab-2col.frd (dB)")) +
                        QStringList{"midrange-2col.zda (ohm)", "Smoothing: 1/3 octave"}));

    files.assign(9, file("tweeter-tab-2col.frd"));  // sixteen at most
    w.AddOverlays(files);
    QCOMPARE(v.services.messageBox.shown.back().text, QStringLiteral("No more than 16 overlays can be shown."));
    QVERIFY(w.Overlays().size() == 16 && !w.mnuAddOverlay->isEnabled());
    w.mnuZoomIn_Click();
    QCOMPARE(curves().size(), 17);
    w.mnuRemoveOverlays->trigger();
    QVERIFY(w.Overlays().empty() && w.mnuAddOverlay->isEnabled() && !w.mnuRemoveOverlays->isEnabled());
    QCOMPARE(legend(), (QStringList{"woofer-24ppo.frd (dB)", "Smoothing: 1/3 octave"}));
    w.mnuSmoothingItems[0]->trigger();
    QCOMPARE(legend(), QStringList());
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
    w.AddOverlays({platform::NativePath(kFixtures + QStringLiteral("tweeter-tab-2col.frd"))});
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
    // The corner where the rulers meet, the graph's background, the curve in its colour, the
    // legend's white a little inside the rulers.
    int curve = 0;
    for (int y = 0; y < image.height(); ++y) {
      curve += image.pixelColor(image.width() / 2, y) == QColor(0, 0, 255);
    }
    QVERIFY(image.pixelColor(2, 2) == Qt::black && curve > 0);
    QCOMPARE(image.pixelColor(30 * filter, 30 * filter), QColor(Qt::white));
    QCOMPARE(image.pixelColor(21 * filter, image.height() - 3 * filter), QColor(224, 224, 216));
  }
};

QTEST_MAIN(tst_view)
#include "tst_view.moc"

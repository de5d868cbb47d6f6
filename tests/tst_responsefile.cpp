// The FRD / ZMA reader and writer: the grammar's corner cases, the limits, the fixtures shaped
// like real exports, and the exact bytes that Save As writes.
#include <QElapsedTimer>
#include <QtTest>
#include <fstream>
#include <sstream>

#include "ResponseFile.h"
#include "numbers.h"

using data::ResponsePoint;
using data::ResponseSet;

namespace {

bool ReadText(const std::string& text, ResponseSet& set) {
  std::istringstream in(text);
  return data::ReadResponseFile(in, set);
}

// `count` lines "f m p" with rising frequencies 1, 2, 3, ...
std::string Lines(int count, const char* end = "\r\n") {
  std::string text;
  for (int i = 1; i <= count; ++i) {
    text += std::to_string(i) + " 80 0" + end;
  }
  return text;
}

ResponsePoint Point(double f, double m, double p) { return ResponsePoint{{f, m, p}}; }

}  // namespace

Q_DECLARE_METATYPE(ResponsePoint)

class tst_responsefile : public QObject {
  Q_OBJECT

 private slots:
  // One data line: the point it gives, or none when the line is skipped.
  void dataLine_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<ResponsePoint>("point");
    const ResponsePoint full = Point(20, 85.3, -12.5);
    QTest::newRow("single spaces") << QByteArray("20 85.3 -12.5") << true << full;
    QTest::newRow("two numbers") << QByteArray("20 85.3") << true << Point(20, 85.3, 0);
    QTest::newRow("frequency alone") << QByteArray("20") << true << Point(20, 0, 0);
    QTest::newRow("tabs") << QByteArray("20\t85.3\t-12.5") << true << full;
    QTest::newRow("runs of spaces") << QByteArray("20    85.3     -12.5") << true << full;
    QTest::newRow("ending in a tab") << QByteArray("20\t85.3\t-12.5\t") << true << full;
    QTest::newRow("space then tab") << QByteArray("20 \t85.3 -12.5") << true << full;
    QTest::newRow("other control characters") << QByteArray("20\x01\x02 85.3\x0b-12.5") << true << full;
    QTest::newRow("fourth number wins column 2") << QByteArray("20 85.3 1 2 -12.5") << true << full;
    QTest::newRow("letters absorb what follows") << QByteArray("100 abc 50") << true << Point(100, -99999, 0);
    QTest::newRow("letters after the magnitude") << QByteArray("100 80 x 50") << true << Point(100, 80, -99999);
    QTest::newRow("tab after the last number") << QByteArray("20\t85.3\t\t") << true << Point(20, 85.3, -99999);
    QTest::newRow("tab then a control character") << QByteArray("20 85.3\t\x01") << true << Point(20, 85.3, -99999);
    QTest::newRow("signs and bare points") << QByteArray("20 +.5 -.25") << true << Point(20, 0.5, -0.25);
    QTest::newRow("exponents") << QByteArray("1e3 8.5E1 1.5e-2") << true << Point(1000, 85, 0.015);
    QTest::newRow("comma and space delimited")
        << QByteArray("20.000, 72.934, 143.0649") << true << Point(20, 72.934, 143.0649);
    QTest::newRow("comma at the line end") << QByteArray("20, 85.3,") << true << Point(20, 85.3, 0);
    QTest::newRow("comma before a tab") << QByteArray("20,\t85.3") << true << Point(20, 85.3, 0);
    QTest::newRow("star comment") << QByteArray("* Freq SPL Phase") << false << ResponsePoint{};
    QTest::newRow("letter") << QByteArray("Freq 20 85") << false << ResponsePoint{};
    QTest::newRow("minus sign") << QByteArray("-20 85") << false << ResponsePoint{};
    QTest::newRow("tab first") << QByteArray("\t20 85") << false << ResponsePoint{};
    QTest::newRow("empty") << QByteArray("") << false << ResponsePoint{};
    QTest::newRow("frequency not a number") << QByteArray("20abc 85 0") << false << ResponsePoint{};
    QTest::newRow("decimal comma frequency") << QByteArray("20,5 85,3") << false << ResponsePoint{};
    QTest::newRow("semicolons") << QByteArray("20,00;72,93;143,1") << false << ResponsePoint{};
    QTest::newRow("comma without blank") << QByteArray("20,85.3") << false << ResponsePoint{};
  }
  void dataLine() {
    QFETCH(QByteArray, line);
    QFETCH(bool, stored);
    QFETCH(ResponsePoint, point);
    ResponseSet set;
    QVERIFY(!ReadText(line.toStdString() + "\r\n", set));
    if (!stored) {
      QCOMPARE(set.LastIndex(), 3);  // the starting bounds stay
      return;
    }
    QCOMPARE(set.LastIndex(), 2);
    QCOMPARE(set[2], point);
  }

  void lineEnds_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("CR LF") << QByteArray("10 1\r\n20 2\r\n30 3\r\n40 4");
    QTest::newRow("LF") << QByteArray("10 1\n20 2\n30 3\n40 4\n");
    QTest::newRow("CR") << QByteArray("10 1\r20 2\r30 3\r40 4\r");
    QTest::newRow("mixed") << QByteArray("10 1\r20 2\n30 3\r\n40 4\r\n");
    QTest::newRow("blank lines between") << QByteArray("10 1\r\n\r\n20 2\n\n30 3\r\r40 4");
    QTest::newRow("byte-order mark skipped") << QByteArray(
        "\xEF\xBB\xBF"
        "10 1\r\n20 2\r\n30 3\r\n40 4");
  }
  void lineEnds() {
    QFETCH(QByteArray, text);
    ResponseSet set;
    ReadText(text.toStdString(), set);
    QCOMPARE(set.PointCount(), 4);
    for (int i = 0; i < 4; ++i) {
      QCOMPARE(set[2 + i], Point(10.0 * (i + 1), i + 1, 0));
    }
  }

  void orderCheck_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<double>>("frequencies");
    QTest::newRow("third below second dropped") << QByteArray("100\r\n90\r\n80\r\n") << QList<double>{100, 90};
    QTest::newRow("equal frequencies stored") << QByteArray("100\r\n100\r\n100\r\n") << QList<double>{100, 100, 100};
    QTest::newRow("later lines compare with the last stored")
        << QByteArray("10\r\n20\r\n15\r\n25\r\n") << QList<double>{10, 20, 25};
    QTest::newRow("second point below the first kept") << QByteArray("50\r\n40\r\n45\r\n") << QList<double>{50, 40, 45};
  }
  void orderCheck() {
    QFETCH(QByteArray, text);
    QFETCH(QList<double>, frequencies);
    ResponseSet set;
    ReadText(text.toStdString(), set);
    QCOMPARE(set.PointCount(), frequencies.size());
    for (int i = 0; i < frequencies.size(); ++i) {
      QCOMPARE(set[2 + i][data::kFrequency], frequencies[i]);
    }
  }

  // A file is read when it holds 20 points or more; the points are kept either way.
  void pointCountDecides() {
    for (const int lines : {1, 19, 20}) {
      ResponseSet set;
      QCOMPARE(ReadText("* header\r\n" + Lines(lines), set), lines == 20);
      QCOMPARE((QList<int>{set.PointCount(), set.LastIndex()}), (QList<int>{lines, lines + 1}));
    }
  }

  void summaryRows() {
    ResponseSet set;
    QVERIFY(ReadText("100 -3 20\r\n200 5 -40\r\n300 1 0\r\n" + Lines(0), set) == false);
    QCOMPARE(set.Minima(), Point(100, -3, -40));
    QCOMPARE(set.Maxima(), Point(300, 5, 20));

    ResponseSet none;
    QVERIFY(!ReadText("* nothing\r\n", none));
    QCOMPARE(none.LastIndex(), 3);
    QCOMPARE((QList<ResponsePoint>{none.Minima(), none.Maxima(), none[2], none[3]}),
             (QList<ResponsePoint>{Point(999999, 999999, 999999), Point(-999999, -999999, -999999), {}, {}}));
  }

  // Failures end the read at once and keep what was read before.
  void failuresKeepPartialData_data() {
    QTest::addColumn<QByteArray>("bad");
    QTest::newRow("overflowing frequency") << QByteArray("1e999 80 0");
    QTest::newRow("overflowing magnitude") << QByteArray("500 -1e400 0");
    QTest::newRow("overflowing phase") << QByteArray("500 80 1e309");
    QTest::newRow("line of 65536 characters") << QByteArray("500 80 0") + QByteArray(65528, ' ');
    QTest::newRow("comment of 65536 characters") << QByteArray("*") + QByteArray(65535, 'x');
    QTest::newRow("decimal comma") << QByteArray("100 85,3 -12,5");
    QTest::newRow("decimal comma in the frequency") << QByteArray("100,5 85 0");
    QTest::newRow("decimal comma after an open token") << QByteArray("100 - 5,5");
  }
  void failuresKeepPartialData() {
    QFETCH(QByteArray, bad);
    ResponseSet set;
    const std::string text = Lines(25) + bad.toStdString() + "\r\n" + "900 80 0\r\n";
    QVERIFY(!ReadText(text, set));
    QCOMPARE(set.PointCount(), 25);
    QCOMPARE(set.Maxima()[data::kFrequency], 25.0);
  }

  // Lines built so that a reader which parses an unreadable token again on every tab, or searches
  // for a line end again on every line, takes quadratic time: seconds here. The bound is far above
  // what a linear reader needs, even unoptimized and sanitized on a busy machine.
  void hostileLinesReadInLinearTime_data() {
    QTest::addColumn<QByteArray>("text");
    std::string growing = "1 x";
    while (growing.size() + 2 <= data::kMaxLineLength) {
      growing += "\t1";
    }
    QTest::newRow("open token growing over tabs") << QByteArray::fromStdString(growing);
    QTest::newRow("exponent mark over tabs") << "1 1e" + QByteArray(65000, '\t');
    QTest::newRow("unreadable token over tabs") << "1 " + QByteArray(32000, 'x') + QByteArray(32000, '\t');
    QTest::newRow("a megabyte of CR-ended lines") << QByteArray::fromStdString(Lines(100000, "\r"));
  }
  void hostileLinesReadInLinearTime() {
    QFETCH(QByteArray, text);
    const std::string input = text.toStdString();
    ResponseSet set;
    QElapsedTimer timer;
    timer.start();
    ReadText(input, set);
    QVERIFY2(timer.elapsed() < 250, qPrintable(QStringLiteral("%1 ms").arg(timer.elapsed())));
  }

  // The longest line that is read: 65535 characters.
  void longestLineAccepted() {
    ResponseSet set;
    QVERIFY(ReadText(Lines(20) + "30 80 0" + std::string(65528, ' ') + "\r\n", set) && set.PointCount() == 21);
  }

  // Real exports carry 48 000 to 65 000 points; a million is the limit.
  void pointLimit() {
    std::string text;
    text.reserve(2 * 1000001);
    for (int i = 0; i < 1000000; ++i) {
      text += "1\n";
    }
    ResponseSet set;
    QVERIFY(ReadText(text, set));
    QCOMPARE(set.PointCount(), 1000000);
    text += "2\n";
    QVERIFY(!ReadText(text, set));
    QCOMPARE(set.PointCount(), 1000000);
  }

  void fixtures_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("count");
    QTest::addColumn<ResponsePoint>("first");
    QTest::addColumn<ResponsePoint>("last");
    QTest::newRow("comma and space delimited") << "comma-delimited-96ppo.frd" << true << 957
                                               << Point(20, 72.934, 143.0649) << Point(19896.974, 55.166, -164.6585);
    QTest::newRow("FFT export, 48000 points") << "fft-linear-48000.frd" << true << 48000
                                              << Point(0.366211, 3.408, 179.369) << Point(17578.125, 57.2905, -162.627);
    QTest::newRow("two columns, runs of spaces")
        << "midrange-2col.zda" << true << 148 << Point(5, 3.23, 0) << Point(24354.96, 68.921, 0);
    QTest::newRow("tabs, LF only") << "tweeter-tab-2col.frd" << true << 80 << Point(200, 88.16, 0)
                                   << Point(19178.33, 31.81, 0);
    QTest::newRow("star comments") << "woofer-24ppo.frd" << true << 288 << Point(10, 60.909, 162.44)
                                   << Point(39793.948, 43.191, -172.34);
    QTest::newRow("plus signs") << "woofer-48ppo.zma" << true << 527 << Point(10, 7.0346, 32.3776)
                                << Point(19896.974, 56.5101, 84.3128);
    QTest::newRow("19 points refused") << "nineteen-points.frd" << false << 19 << Point(100, 80, 0)
                                       << Point(1900, 81.8, 0);
  }
  void fixtures() {
    QFETCH(QString, file);
    QFETCH(bool, result);
    QFETCH(int, count);
    QFETCH(ResponsePoint, first);
    QFETCH(ResponsePoint, last);
    std::ifstream in((QStringLiteral(FIXTURES_DIR "/") + file).toStdString(), std::ios::binary);
    QVERIFY(in.is_open());
    ResponseSet set;
    QCOMPARE(data::ReadResponseFile(in, set), result);
    QCOMPARE(set.PointCount(), count);
    QCOMPARE(set[2], first);
    QCOMPARE(set[set.LastIndex()], last);
  }

  void writtenBytes_data() {
    QTest::addColumn<QList<double>>("values");  // f, m, p triples
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("example point") << QList<double>{20, 85.312349, 0} << QByteArray("20 85.3123 0\r\n");
    QTest::newRow("negative values") << QList<double>{1000.5, -6.25, -179.9} << QByteArray("1000.5 -6.25 -179.9\r\n");
    QTest::newRow("binary tie to even") << QList<double>{100, 1.03125, 1.03125} << QByteArray("100 1.0312 1.03125\r\n");
    QTest::newRow("magnitude rounding to zero") << QList<double>{100, -0.00001, 0} << QByteArray("100 0 0\r\n");
    QTest::newRow("15 significant digits")
        << QList<double>{1234.56789012345678, 1, 0.1 + 0.2} << QByteArray("1234.56789012346 1 0.3\r\n");
    QTest::newRow("exponent forms") << QList<double>{2e15, 1e20, 0.00001234} << QByteArray("2E+15 1E+20 1.234E-05\r\n");
    QTest::newRow("values below one") << QList<double>{0.5, 0.25, -0.75} << QByteArray("0.5 0.25 -0.75\r\n");
    QTest::newRow("two points in order") << QList<double>{10, 1, 2, 20, 3, 4} << QByteArray("10 1 2\r\n20 3 4\r\n");
    QTest::newRow("no points") << QList<double>{} << QByteArray();
    QTest::newRow("17 digits where 15 would overflow")
        << QList<double>{100, 1.7976931348623157e308, -1.7976931348623157e308}
        << QByteArray("100 1.7976931348623157E+308 -1.7976931348623157E+308\r\n");
  }
  void writtenBytes() {
    QFETCH(QList<double>, values);
    QFETCH(QByteArray, bytes);
    ResponseSet set;
    set.ResetSummary(-1, 1);  // summary rows are never written
    for (qsizetype i = 0; i + 2 < values.size(); i += 3) {
      set.Resize(set.LastIndex() + 1);
      set[set.LastIndex()] = Point(values[i], values[i + 1], values[i + 2]);
    }
    QCOMPARE(QByteArray::fromStdString(data::FormatResponseFile(set, " ")), bytes);
  }
};

QTEST_APPLESS_MAIN(tst_responsefile)
#include "tst_responsefile.moc"

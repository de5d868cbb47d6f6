// Rounding, reading and writing of numbers: the conversions every file and every drawing uses.
#include <QtTest>
#include <cmath>
#include <limits>

#include "numbers.h"

using platform::OverflowError;

class tst_numbers : public QObject {
  Q_OBJECT

 private slots:
  void roundToInt32_data() {
    QTest::addColumn<double>("input");
    QTest::addColumn<int>("expected");
    QTest::newRow("2.5 to even 2") << 2.5 << 2;
    QTest::newRow("3.5 to even 4") << 3.5 << 4;
    QTest::newRow("-2.5 to even -2") << -2.5 << -2;
    QTest::newRow("just above a half") << 2.5000000000000004 << 3;
    QTest::newRow("int32 min") << -2147483648.0 << std::numeric_limits<int>::min();
  }
  void roundToInt32() {
    QFETCH(double, input);
    QFETCH(int, expected);
    QCOMPARE(platform::RoundToInt32(input), expected);
  }

  void roundOverflows_data() {
    QTest::addColumn<double>("input");
    QTest::addColumn<bool>("int16");
    QTest::newRow("32767.5 to 32768 in 16 bits") << 32767.5 << true;
    QTest::newRow("2147483647.5 in 32 bits") << 2147483647.5 << false;
    QTest::newRow("NaN") << std::nan("") << false;
    QTest::newRow("infinity") << HUGE_VAL << false;
  }
  void roundOverflows() {
    QFETCH(double, input);
    QFETCH(bool, int16);
    if (int16) {
      QVERIFY_THROWS_EXCEPTION(OverflowError, platform::RoundToInt16(input));
    } else {
      QVERIFY_THROWS_EXCEPTION(OverflowError, platform::RoundToInt32(input));
    }
  }

  void roundToDecimals_data() {
    QTest::addColumn<double>("input");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("expected");
    QTest::newRow("85.312349") << 85.312349 << 4 << 85.3123;
    QTest::newRow("binary tie 1.03125 to even") << 1.03125 << 4 << 1.0312;
    // 0.00005 is slightly above the decimal half in binary, so it rounds up.
    QTest::newRow("0.00005 is above the tie") << 0.00005 << 4 << 0.0001;
    // 2.00005 is slightly below the decimal half in binary.
    QTest::newRow("2.00005 is below the tie") << 2.00005 << 4 << 2.0;
    QTest::newRow("large value kept") << 1e17 << 4 << 1e17;
  }
  void roundToDecimals() {
    QFETCH(double, input);
    QFETCH(int, decimals);
    QFETCH(double, expected);
    QCOMPARE(platform::RoundToDecimals(input, decimals), expected);
  }

  void parseDecimal_data() {
    QTest::addColumn<QString>("token");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("value");
    QTest::newRow("plus sign") << "+7.0346" << true << 7.0346;
    QTest::newRow("no leading digit") << ".5" << true << 0.5;
    QTest::newRow("trailing point") << "1." << true << 1.0;
    QTest::newRow("exponent") << "1.5E-2" << true << 0.015;
    QTest::newRow("underflow reads 0") << "1e-999" << true << 0.0;
    QTest::newRow("overflow reads infinite") << "-1e999" << true << -HUGE_VAL;
    QTest::newRow("400 digits overflow") << QString(400, QLatin1Char('9')) << true << HUGE_VAL;
    QTest::newRow("letters") << "abc" << false << 0.0;
    QTest::newRow("decimal comma") << "20,5" << false << 0.0;
    QTest::newRow("trailing comma") << "20," << false << 0.0;
    QTest::newRow("dangling exponent") << "1e" << false << 0.0;
    QTest::newRow("unit attached") << "3dB" << false << 0.0;
  }
  void parseDecimal() {
    QFETCH(QString, token);
    QFETCH(bool, valid);
    QFETCH(double, value);
    const std::optional<double> result = platform::ParseDecimal(token.toStdString());
    QCOMPARE(result.has_value(), valid);
    if (valid) {
      QCOMPARE(*result, value);
    }
  }

  void formatGeneral_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QString>("text");
    QTest::newRow("negative zero") << -0.0 << 15 << "0";
    QTest::newRow("below 0.0001 uses exponent") << 0.00001 << 15 << "1E-05";
    QTest::newRow("small with mantissa") << -0.000012345 << 15 << "-1.2345E-05";
    QTest::newRow("rounding carries into 10^15") << 999999999999999.9 << 15 << "1E+15";
    QTest::newRow("three-digit exponent") << 1e-300 << 15 << "1E-300";
    QTest::newRow("single precision digits") << 1.2345678 << 7 << "1.234568";
  }
  void formatGeneral() {
    QFETCH(double, value);
    QFETCH(int, digits);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(platform::FormatGeneral(value, digits)), text);
  }
};

QTEST_APPLESS_MAIN(tst_numbers)
#include "tst_numbers.moc"

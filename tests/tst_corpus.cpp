// Every input in the fuzzing corpus, read again: what a fuzzing session once found stays fixed.
#include <QDir>
#include <QtTest>

#include "FuzzChecks.h"

class tst_corpus : public QObject {
  Q_OBJECT

 private slots:
  void replay_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("reader");
    for (const bool reader : {true, false}) {
      const QDir dir(QStringLiteral(FUZZ_CORPUS_DIR) +
                     (reader ? QStringLiteral("/reader") : QStringLiteral("/numbers")));
      const QStringList files = dir.entryList(QDir::Files);
      QVERIFY(!files.isEmpty());
      for (const QString& file : files) {
        QTest::newRow(qPrintable(dir.dirName() + QLatin1Char('/') + file)) << dir.filePath(file) << reader;
      }
    }
  }
  void replay() {
    QFETCH(QString, path);
    QFETCH(bool, reader);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const std::string input = file.readAll().toStdString();
    const std::string broken = reader ? fuzz::CheckReader(input) : fuzz::CheckNumbers(input);
    QVERIFY2(broken.empty(), broken.c_str());
  }
};

QTEST_APPLESS_MAIN(tst_corpus)
#include "tst_corpus.moc"

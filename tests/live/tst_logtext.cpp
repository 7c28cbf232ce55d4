// Number format and the text of the CSV data log.
#include "LogText.h"
#include "NumberFormat.h"

#include <QLocale>
#include <QtTest>

using namespace kelvane;

class TstLogText : public QObject {
    Q_OBJECT
private slots:
    void fixed_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("precision");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("text");
        QTest::newRow("3 decimals") << 12.3456 << 5 << 3 << "12.346";
        QTest::newRow("5 significant first") << 1234.5678 << 5 << 2 << "1234.60";
        QTest::newRow("five integer digits") << 12345.678 << 5 << 2 << "12346.00";
        QTest::newRow("exponent form") << 123456.0 << 5 << 3 << "1.2346E5";
        QTest::newRow("rounds up into exponent form") << 99999.7 << 5 << 2 << "1E5";
        QTest::newRow("zero") << 0.0 << 5 << 3 << "0.000";
        QTest::newRow("negative zero") << -0.0001 << 5 << 3 << "0.000";
        QTest::newRow("negative") << -40.0 << 5 << 3 << "-40.000";
        QTest::newRow("small") << 0.00122 << 5 << 3 << "0.001";
        QTest::newRow("precision 4") << 99.97316 << 4 << 2 << "99.97";
        QTest::newRow("precision 4 rounds first") << 123.456 << 4 << 2 << "123.50";
    }
    void fixed()
    {
        QFETCH(double, value);
        QFETCH(int, precision);
        QFETCH(int, decimals);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(formatFixed(value, precision, decimals)), text);
    }

    void decimalSeparatorIsAlwaysAPointInTheLog()
    {
        QLocale::setDefault(QLocale(QLocale::German));
        std::setlocale(LC_ALL, "de_DE.UTF-8"); // if installed; the text must not follow it either way
        QCOMPARE(QString::fromStdString(formatFixed5(1.5, 3)), QString("1.500"));
        std::setlocale(LC_ALL, "C");
        QCOMPARE(QString::fromStdString(formatFixed(1.5, 4, 2, ',')), QString("1,50"));
    }

    void twoColumns()
    {
        std::array<bool, LogColumnCount> cols {};
        cols[2] = true;
        cols[19] = true;
        QCOMPARE(QString::fromStdString(logHeader(cols)), QString::fromUtf8("Time,RPM (rev./min),TR (\u00b0C),"));
        std::array<float, LiveValueCount> v {};
        v[2] = 2150;
        v[19] = 64.5f;
        QCOMPARE(QString::fromStdString(logRow(70, v, cols)), QString("0.07,2150.000,64.500,"));
        QCOMPARE(QString::fromStdString(logRow(140, v, cols)), QString("0.14,2150.000,64.500,"));
    }

    void selectableColumns()
    {
        const auto all = logAllSelectableColumns();
        QCOMPARE(std::count(all.begin(), all.end(), true), 28L);
        QVERIFY(!all[27]);
        for (int i = 29; i < 37; ++i)
            QVERIFY(!all[static_cast<std::size_t>(i)]);
        const auto defaults = logDefaultColumns();
        QVERIFY(defaults[6] && !defaults[7] && defaults[14] && !defaults[15] && !defaults[21] && defaults[28]);
        const std::string header = logHeader(all);
        QVERIFY(header.rfind("Lambda1 (V),") == header.size() - 12);
    }
};

QTEST_GUILESS_MAIN(TstLogText)
#include "tst_logtext.moc"

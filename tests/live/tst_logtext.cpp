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

    // The time keeps its 10 ms resolution and the work-time counters every second at any size;
    // the other columns keep precision 5 with 3 decimals.
    void timeAndCountersAtAnySize_data()
    {
        QTest::addColumn<qint64>("elapsedMs");
        QTest::addColumn<float>("gasWorkTime");
        QTest::addColumn<float>("petrolWorkTime");
        QTest::addColumn<float>("rpm");
        QTest::addColumn<QString>("row");
        QTest::newRow("first row") << qint64(70) << 0.0f << 0.0f << 800.0f << "0.07,0,0,800.000,";
        QTest::newRow("past 1000 s") << qint64(1234570) << 3600.0f << 59.0f << 2150.0f << "1234.57,3600,59,2150.000,";
        QTest::newRow("just below 100000 s")
            << qint64(99999990) << 99999.0f << 1.0f << 6500.0f << "99999.99,99999,1,6500.000,";
        QTest::newRow("past 100000 s") << qint64(100000060) << 100000.0f << 100001.0f << 6500.0f
                                       << "100000.06,100000,100001,6500.000,";
        QTest::newRow("past 27.8 h on gas")
            << qint64(123456780) << 123456.0f << 123457.0f << 123456.0f << "123456.78,123456,123457,1.2346E5,";
        QTest::newRow("largest float counter exact")
            << qint64(4294967290LL) << 16777216.0f << 0.0f << 0.0f << "4294967.29,16777216,0,0.000,";
        QTest::newRow("half a hundredth rounds up") << qint64(1234565) << 0.0f << 0.0f << 0.0f << "1234.57,0,0,0.000,";
        QTest::newRow("below half a hundredth") << qint64(4) << 0.0f << 0.0f << 0.0f << "0.00,0,0,0.000,";
    }
    void timeAndCountersAtAnySize()
    {
        QFETCH(qint64, elapsedMs);
        QFETCH(float, gasWorkTime);
        QFETCH(float, petrolWorkTime);
        QFETCH(float, rpm);
        QFETCH(QString, row);
        std::array<bool, LogColumnCount> cols {};
        cols[lv::GasWorkTime] = cols[lv::PetrolWorkTime] = cols[lv::Rpm] = true;
        std::array<float, LiveValueCount> v {};
        v[lv::GasWorkTime] = gasWorkTime;
        v[lv::PetrolWorkTime] = petrolWorkTime;
        v[lv::Rpm] = rpm;
        QCOMPARE(QString::fromStdString(logRow(elapsedMs, v, cols)), row);
        // The header is as it was.
        QCOMPARE(
            QString::fromStdString(logHeader(cols)), QString("Time,GazWorkTime (s),PetWorkTime (s),RPM (rev./min),"));
    }

    // A long run: every row has a time of its own, 70 ms after the one before.
    void everyRowHasItsOwnTime()
    {
        std::array<bool, LogColumnCount> cols {};
        const std::array<float, LiveValueCount> v {};
        for (std::int64_t start : { 999930LL, 99999930LL, 359999930LL }) {
            double previous = -1;
            for (std::int64_t ms = start; ms < start + 70 * 20; ms += 70) {
                const std::string row = logRow(ms, v, cols);
                QVERIFY2(row.find_first_of("eE") == std::string::npos, row.c_str());
                const double t = std::stod(row);
                QVERIFY2(std::fabs(t - double(ms) / 1000) < 0.0051, row.c_str());
                if (previous >= 0)
                    QVERIFY2(std::fabs(t - previous - 0.07) < 1e-6, row.c_str());
                previous = t;
            }
        }
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

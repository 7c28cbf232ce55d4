// The log viewer's data side: reading logs of the data logger and of `kelvane-cli live`, errors for
// bad files, the cursor, the playback clock and a row turned back into live data.
#include "DataLogger.h"
#include "LogPlayback.h"
#include "LogTable.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace kelvane;

namespace {
using Values = std::array<float, LiveValueCount>;

Values drive(int k)
{
    Values v {};
    v[lv::GasWorkTime] = 3600.0f + static_cast<float>(k / 14);
    v[lv::Rpm] = 800.0f + 25.0f * static_cast<float>(k % 200);
    v[lv::InjPetrol1] = 2.5f + 0.001f * static_cast<float>(k % 1000);
    v[lv::InjGas1] = 3.1f;
    v[lv::TempReducer] = 64.0f;
    v[lv::TempGas] = -5.0f;
    v[lv::GasPressure] = 1.234f;
    v[lv::PresManifold] = 0.456f;
    v[lv::PresDiff] = 0.778f;
    v[lv::Level] = 2.44f;
    v[lv::Supply] = 13.18f;
    v[lv::Lambda] = 0.61f;
    return v;
}

// What `kelvane-cli live` prints: every selectable column, a line break after every line.
std::string cliLog(int rows, std::int64_t firstMs = 70, const char *lineBreak = "\n")
{
    const auto columns = logAllSelectableColumns();
    std::string s = logHeader(columns) + lineBreak;
    for (int k = 0; k < rows; ++k)
        s += logRow(firstMs + 70 * k, drive(k), columns) + lineBreak;
    return s;
}

// The float a logged value reads back as.
float logged(float v)
{
    return std::stof(formatFixed5(v, 3));
}

LogTable parsed(const std::string &text)
{
    LogLoadResult r = parseLogTable(text);
    if (!r.ok)
        qWarning("%s", r.error.c_str());
    return std::move(r.table);
}
} // namespace

class TstLogViewer : public QObject {
    Q_OBJECT
private slots:
    // A file written by the data logger (no line break after the last row).
    void loggerFile()
    {
        QTemporaryDir dir;
        const QString old = QDir::currentPath();
        QDir::setCurrent(dir.path());
        DataLogger log;
        for (int i = 0; i < LogColumnCount; ++i)
            log.setTicked(i, false);
        for (int i : { lv::Rpm, lv::InjPetrol1, lv::TempReducer, lv::Level })
            log.setTicked(i, true);
        std::string caption;
        QVERIFY(log.start("x").started);
        for (int k = 0; k < 300; ++k)
            log.rowStep(drive(k), caption);
        QVERIFY(log.stop().ok);
        QDir::setCurrent(old);

        const LogLoadResult r = loadLogTable(dir.filePath("Log.csv").toStdString());
        QVERIFY2(r.ok, r.error.c_str());
        const LogTable &t = r.table;
        QVERIFY(t.warnings().empty());
        QCOMPARE(t.rowCount(), 300);
        QCOMPARE(t.columnCount(), 4);
        QCOMPARE(t.columnName(2),
            std::string("TR (\xc2\xb0"
                        "C)"));
        QCOMPARE(t.liveIndex(0), int(lv::Rpm));
        QCOMPARE(t.liveIndex(2), int(lv::TempReducer));
        QCOMPARE(t.columnForLiveIndex(lv::Level), 3);
        QCOMPARE(t.columnForLiveIndex(lv::TempGas), -1);
        QCOMPARE(t.time(0), 0.07);
        QCOMPARE(t.time(299), 21.0);
        for (int k : { 0, 1, 150, 299 }) {
            QCOMPARE(t.value(0, k), drive(k)[lv::Rpm]);
            QCOMPARE(t.value(1, k), logged(drive(k)[lv::InjPetrol1]));
            QCOMPARE(t.value(3, k), logged(drive(k)[lv::Level]));
        }
        const PlaybackValues pv = playbackValues(t, 150);
        QVERIFY(
            pv.present[lv::Rpm] && pv.present[lv::Level] && !pv.present[lv::TempGas] && !pv.present[lv::GasWorkTime]);
        QCOMPARE(pv.values[lv::Rpm], drive(150)[lv::Rpm]);
        QCOMPARE(pv.values[lv::TempGas], 0.0f);
    }

    // A file of `kelvane-cli live`: all columns, a line break after every line, also as "\r\n".
    void cliFile_data()
    {
        QTest::addColumn<QByteArray>("lineBreak");
        QTest::newRow("LF") << QByteArray("\n");
        QTest::newRow("CRLF") << QByteArray("\r\n");
    }
    void cliFile()
    {
        QFETCH(QByteArray, lineBreak);
        const LogTable t = parsed(cliLog(50, 70, lineBreak.constData()));
        QCOMPARE(t.rowCount(), 50);
        QCOMPARE(t.columnCount(), 28);
        QCOMPARE(t.columnName(27), std::string("Lambda1 (V)"));
        for (int c = 0; c < t.columnCount(); ++c)
            QVERIFY(t.liveIndex(c) >= 0 && logColumnSelectable(t.liveIndex(c)));
        QCOMPARE(t.time(49), 3.5);
        const int gas = t.columnForLiveIndex(lv::TempGas);
        QCOMPARE(t.value(gas, 49), -5.0f);
        QCOMPARE(t.value(t.columnForLiveIndex(lv::GasWorkTime), 49), 3603.0f);
    }

    // Older files carry the degree sign in Latin-1.
    void latin1Header()
    {
        const LogTable t = parsed("Time,TR (\xb0"
                                  "C),Mystery,\n0.07,64.000,1.000,\n");
        QCOMPARE(t.columnName(0),
            std::string("TR (\xc2\xb0"
                        "C)"));
        QCOMPARE(t.liveIndex(0), int(lv::TempReducer));
        QCOMPARE(t.liveIndex(1), -1);
        QCOMPARE(t.value(1, 0), 1.0f);
    }

    void badFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        QTest::newRow("empty") << QByteArray("\n \n") << "the file is empty";
        QTest::newRow("not a log") << QByteArray("Speed,RPM\n1,2\n") << "line 1 does not start with \"Time\"";
        QTest::newRow("text in a number column") << QByteArray("Time,RPM (rev./min),\n0.07,800.000,\n0.14,8OO.000,\n")
                                                 << "line 3, column \"RPM (rev./min)\": \"8OO.000\" is not a number";
        QTest::newRow("empty value") << QByteArray("Time,A,B,\n0.07,,2,\n")
                                     << "line 2, column \"A\": \"\" is not a number";
        QTest::newRow("truncated line") << QByteArray("Time,A,B,\n0.07,1,2,\n0.14,1\n0.21,1,2,\n")
                                        << "line 3 is incomplete: 2 of 3 values";
        QTest::newRow("comma dropped") << QByteArray("Time,A,B,\n0.07,1,2\n0.14,1,2,\n")
                                       << "line 2 is incomplete: its last value is not followed by \",\"";
        QTest::newRow("too many values") << QByteArray("Time,A,\n0.07,1,2,\n")
                                         << "line 2 has 3 values; the header names 2 columns";
        QTest::newRow("comma as decimal point") << QByteArray("Time,A,\n0,07,1,5,\n") << "line 2 has 4 values";
        QTest::newRow("binary") << QByteArray("\x7f"
                                              "ELF\x02\x01\x01\x00\x00\x00\x00",
            11) << "line 1 holds binary data: this is not a log file";
        QTest::newRow("binary later") << QByteArray("Time,A,\n0.07,1,\n\x00\x01\x02", 19) << "line 3 holds binary data";
        QTest::newRow("no line breaks") << QByteArray("Time,") + QByteArray(70000, 'A')
                                        << "line 1 is longer than 65536 bytes";
        QTest::newRow("time goes back") << QByteArray("Time,A,\n0.14,1,\n0.07,1,\n")
                                        << "line 3: the time goes back (0.07 s after 0.14";
        QTest::newRow("bad time") << QByteArray("Time,A,\nnan,1,\n")
                                  << "line 2, column \"Time\": \"nan\" is not a time in seconds";
        QTest::newRow("unnamed column") << QByteArray("Time,,A,\n") << "line 1: column 2 has no name";
        QTest::newRow("out of range") << QByteArray("Time,A,\n0.07,1e999,\n")
                                      << "line 2, column \"A\": \"1e999\" is out of range";
        QTest::newRow("beyond a float") << QByteArray("Time,A,\n0.07,1e300,\n") << "is out of range";
    }
    void badFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        const LogLoadResult r
            = parseLogTable(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        QVERIFY(!r.ok);
        QVERIFY2(QString::fromStdString(r.error).startsWith(error) || QString::fromStdString(r.error).contains(error),
            r.error.c_str());
        QCOMPARE(r.table.rowCount(), 0);
        QCOMPARE(r.table.columnCount(), 0);
    }

    // A recording that ended in the middle of its last line: the complete rows, and a warning.
    void lastRowCutShort_data()
    {
        QTest::addColumn<QByteArray>("tail");
        QTest::newRow("values missing") << QByteArray("0.21,1,");
        QTest::newRow("inside a number") << QByteArray("0.21,1,2.4");
        QTest::newRow("followed by blank lines") << QByteArray("0.21,1\n\n");
    }
    void lastRowCutShort()
    {
        QFETCH(QByteArray, tail);
        const std::string text = "Time,A,B,\n0.07,1,2,\n0.14,1,2,\n" + tail.toStdString();
        const LogLoadResult r = parseLogTable(text);
        QVERIFY2(r.ok, r.error.c_str());
        QCOMPARE(r.table.rowCount(), 2);
        QCOMPARE(int(r.table.warnings().size()), 1);
        QVERIFY(QString::fromStdString(r.table.warnings()[0]).startsWith("line 4, the last row, is incomplete"));
    }

    void filesThatAreNoLogs()
    {
        QTemporaryDir dir;
        const std::string missing = dir.filePath("none.csv").toStdString();
        LogLoadResult r = loadLogTable(missing);
        QVERIFY(!r.ok);
        QCOMPARE(r.error, "cannot open " + missing + ": No such file or directory");

        r = loadLogTable(dir.path().toStdString());
        QVERIFY(!r.ok);
        QVERIFY(QString::fromStdString(r.error).endsWith("is not a regular file"));

        const std::string fifo = dir.filePath("fifo").toStdString();
        QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
        r = loadLogTable(fifo); // must not wait for a writer
        QVERIFY(!r.ok);
        QVERIFY(QString::fromStdString(r.error).endsWith("is not a regular file"));

        // Past the limit (a sparse file: nothing is read).
        QFile big(dir.filePath("big.csv"));
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize(qint64(LogTableLimits().maxBytes) + 1));
        big.close();
        r = loadLogTable(big.fileName().toStdString());
        QVERIFY(!r.ok);
        QCOMPARE(r.error, std::string("the file is larger than 64 MB; the viewer does not read logs that long"));
        LogTableLimits small;
        small.maxBytes = 100;
        QVERIFY(!parseLogTable(cliLog(3), small).ok);
    }

    // Seventy minutes of every column (over 10 MB) load, and every row has its own playback moment.
    void tenMegabytes()
    {
        QTemporaryDir dir;
        const int rows = 60000;
        const std::string text = cliLog(rows);
        QVERIFY(text.size() > 10 * 1024 * 1024);
        QFile f(dir.filePath("drive.csv"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text.data(), qint64(text.size()));
        f.close();
        QElapsedTimer clock;
        clock.start();
        const LogLoadResult r = loadLogTable(f.fileName().toStdString());
        qInfo("%.1f MB loaded in %lld ms", double(text.size()) / (1024 * 1024), clock.elapsed());
        QVERIFY2(r.ok, r.error.c_str());
        const LogTable &t = r.table;
        QCOMPARE(t.rowCount(), rows);
        QCOMPARE(t.columnCount(), 28);
        QCOMPARE(t.time(rows - 1), 4200.0);
        QCOMPARE(t.time(rows - 2), 4199.93); // two decimals at any size
        for (int k = 1; k < rows; ++k) {
            if (!(t.playbackTime(k) > t.playbackTime(k - 1)))
                QFAIL(qPrintable(QString("playback time does not advance at row %1").arg(k)));
        }
        const int k = 40000; // at 2800.07 s
        QCOMPARE(t.value(t.columnForLiveIndex(lv::Rpm), k), drive(k)[lv::Rpm]);
        QCOMPARE(t.rowAt(t.playbackTime(k)), k);
    }

    // Rows that share a printed time (older files, with 5 significant digits) are spread up to the
    // next one; the cursor holds a row's values until the next row's moment.
    void cursorAndSharedTimes()
    {
        // Program time 999.88 s onwards, 70 ms apart, as files of older versions print it.
        const std::string text = "Time,RPM (rev./min),\n"
                                 "999.88,1000.000,\n"
                                 "999.95,1001.000,\n"
                                 "1000.00,1002.000,\n"
                                 "1000.10,1003.000,\n"
                                 "1000.20,1004.000,\n"
                                 "1000.20,1005.000,\n"
                                 "1000.30,1006.000,\n"
                                 "1000.40,1007.000,\n"
                                 "1000.40,1008.000,\n";
        const LogTable t = parsed(text);
        QCOMPARE(t.rowCount(), 9);
        QCOMPARE(t.time(4), t.time(5));
        QCOMPARE(t.playbackTime(4), 1000.2);
        QCOMPARE(t.playbackTime(5), 1000.25);
        QCOMPARE(t.playbackTime(6), 1000.3);
        // The last run spreads with the file's mean row interval (here 0.52 s / 7 rows).
        QCOMPARE(t.playbackTime(8), 1000.4 + (1000.4 - 999.88) / 7);
        QCOMPARE(t.rowAt(1000.24), 4);
        QCOMPARE(t.rowAt(1000.25), 5);
        QCOMPARE(t.rowAt(0), 0);
        QCOMPARE(t.rowAt(5000), 8);
        QCOMPARE(t.valuesAt(1000.26), std::vector<float> { 1005 });
        QVERIFY(LogTable().valuesAt(1).empty());
        QCOMPARE(LogTable().rowAt(1), -1);
    }

    // Older files carry the time, the work-time counters and large values with 5 significant digits,
    // in exponent form past 99999; files written now carry the time with two decimals and the
    // counters as integers. Both read into a table of rows.
    void oldAndNewNumberForms()
    {
        const LogTable old = parsed("Time,GazWorkTime (s),PetWorkTime (s),RPM (rev./min),\n"
                                    "99999.00,1.2346E5,99999.000,800.000,\n"
                                    "99999.00,1.2346E5,1.0000E5,825.000,\n"
                                    "1.0000E5,1.2346E5,1.0000E5,850.000,\n"
                                    "1E5,1.2347E5,1E5,875.000,\n");
        QCOMPARE(old.rowCount(), 4);
        QCOMPARE(old.time(2), 100000.0);
        QCOMPARE(old.time(3), 100000.0);
        QCOMPARE(old.value(0, 0), 123460.0f);
        QCOMPARE(old.value(0, 3), 123470.0f);
        QCOMPARE(old.value(1, 1), 100000.0f);
        QVERIFY(old.playbackTime(1) > old.playbackTime(0) && old.playbackTime(3) > old.playbackTime(2));

        // The same moments as written now: a time of its own for every row, the counters exact.
        std::array<bool, LogColumnCount> columns {};
        columns[lv::GasWorkTime] = columns[lv::PetrolWorkTime] = columns[lv::Rpm] = true;
        std::string text = logHeader(columns) + "\n";
        for (int k = 0; k < 4; ++k) {
            Values v = drive(k);
            v[lv::GasWorkTime] = 123456.0f + float(k);
            v[lv::PetrolWorkTime] = 99999.0f + float(k);
            text += logRow(99999860 + 70 * k, v, columns) + "\n";
        }
        QVERIFY2(text.find("\n100000.00,123458,100001,850.000,\n") != std::string::npos, text.c_str());
        const LogTable now = parsed(text);
        QCOMPARE(now.rowCount(), 4);
        for (int k = 0; k < 4; ++k) {
            QCOMPARE(now.time(k), (99999860 + 70 * k) / 1000.0);
            QCOMPARE(now.playbackTime(k), now.time(k));
            QCOMPARE(now.value(0, k), 123456.0f + float(k));
            QCOMPARE(now.value(1, k), 99999.0f + float(k));
        }
    }

    // Playback yields the row whose moment has come, at 1x and 4x, pauses, seeks, stops at the end.
    void playbackClock()
    {
        const LogTable t = parsed(cliLog(20)); // rows at 0.07, 0.14, ..., 1.40 s
        PlaybackClock clock(t);
        QVERIFY(!clock.playing());
        QCOMPARE(clock.tick(35), 0); // paused: stays
        QCOMPARE(clock.position(), 0.07);
        clock.play();
        // Row k is due at 0.07 (k + 1) s: 35 ms ticks reach a new row every second tick.
        for (int n = 1; n <= 20; ++n)
            QCOMPARE(clock.tick(35), n / 2);
        clock.pause();
        QCOMPARE(clock.tick(1000), 10);
        QVERIFY(!clock.setSpeed(0));
        QVERIFY(!clock.setSpeed(17));
        QVERIFY(clock.setSpeed(4));
        clock.play();
        QCOMPARE(clock.tick(35), 12); // 140 ms of the drive
        QCOMPARE(clock.tick(35), 14);
        QCOMPARE(clock.tick(-500), 14);
        clock.seek(0.35);
        QCOMPARE(clock.row(), 4);
        clock.seekRow(7);
        QCOMPARE(clock.tick(0), 7);
        clock.seek(-3);
        QCOMPARE(clock.row(), 0);
        clock.seek(99);
        QVERIFY(clock.atEnd());
        QCOMPARE(clock.row(), 19);
        // Playing on runs into the end and pauses there.
        clock.seekRow(17);
        QCOMPARE(clock.tick(1000), 19);
        QVERIFY(!clock.playing());
        QVERIFY(clock.atEnd());
        // Play at the end starts again from the first row.
        clock.play();
        QVERIFY(clock.playing());
        QCOMPARE(clock.row(), 0);
        QVERIFY(clock.setSpeed(1));
        QCOMPARE(clock.tick(70), 1);

        const LogTable empty = parsed("Time,A,\n");
        PlaybackClock none(empty);
        none.play();
        QVERIFY(!none.playing());
        QCOMPARE(none.tick(100), -1);
    }

    // A row becomes a live record the readings page shows as if connected.
    void rowAsLiveData()
    {
        const LogTable t = parsed(cliLog(3));
        ParameterImage image;
        image.setByte(img::RpmSet, 3);
        const TimeBases tb;
        const int row = 2;
        const LiveData live = playbackLiveData(t, row, image, tb);
        const Values v = drive(row);
        QCOMPARE(engineRpm(live, image, tb), std::uint32_t(v[lv::Rpm]));
        const float tick = tb.InjTickMsA;
        QVERIFY(std::fabs(TicksToMs(live.injPetrol(1), 1, tb) - logged(v[lv::InjPetrol1])) <= tick / 2);
        QCOMPARE(live.u16(rec::InjPetrolRef), live.injPetrol(1));
        QVERIFY(std::fabs(TicksToMs(live.injGas(1), 0, tb) - v[lv::InjGas1]) <= tick / 2);
        QCOMPARE(live.s16(rec::TempReducer), std::int16_t(64));
        QCOMPARE(live.s16(rec::TempGas), std::int16_t(-5));
        QCOMPARE(live.u16(rec::GasPressure1), std::uint16_t(1234));
        QCOMPARE(live.u16(rec::GasPressure2), std::uint16_t(1234));
        QCOMPARE(live.u16(rec::PresManifold), std::uint16_t(456));
        QCOMPARE(live.u16(rec::PresDiff), std::uint16_t(778));
        QCOMPARE(live.u16(rec::LevelRaw), std::uint16_t(2000));
        QCOMPARE(live.u16(rec::LambdaRaw), std::uint16_t(500));
        QCOMPARE(live.u32(rec::GasWorkTime), std::uint32_t(3600));
        // All eight petrol and gas columns are in this file.
        QCOMPARE(live.petrolStateMask(), std::uint8_t(0xFF));
        QCOMPARE(live.gasActiveMask(), std::uint8_t(0xFF));
        QCOMPARE(live.gasCutOffMask(), std::uint8_t(0));
        for (int c = 0; c < t.columnCount(); ++c)
            QCOMPARE(live.LiveValues[static_cast<std::size_t>(t.liveIndex(c))], t.value(c, row));

        // 0 rpm stays 0 rpm; a column the file lacks stays 0.
        const LogTable few = parsed("Time,RPM (rev./min),InjB2 (ms),\n0.07,0.000,1.000,\n");
        const LiveData still = playbackLiveData(few, 0, image, tb);
        QCOMPARE(engineRpm(still, image, tb), 0u);
        QCOMPARE(still.petrolStateMask(), std::uint8_t(0x02));
        QCOMPARE(still.gasActiveMask(), std::uint8_t(0));
        QCOMPARE(still.s16(rec::TempGas), std::int16_t(0));
    }
};

QTEST_GUILESS_MAIN(TstLogViewer)
#include "tst_logviewer.moc"

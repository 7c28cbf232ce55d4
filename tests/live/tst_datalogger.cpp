// The data logger: columns, START / STOP, rows, the caption mark, "Log.csv" written whole or not
// at all, failures reported with the recording kept, memory bounded by the spill file.
#include "DataLogger.h"

#include <QDateTime>
#include <QDir>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

using namespace kelvane;

namespace {
using Values = std::array<float, LiveValueCount>;

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

Values sampleValues(int k)
{
    Values v {};
    v[lv::Rpm] = 800.0f + 25.0f * static_cast<float>(k % 200);
    v[lv::TempReducer] = 64.5f;
    v[lv::InjPetrol1] = 3.456f;
    v[lv::Level] = 2.44f;
    return v;
}

std::array<bool, LogColumnCount> only(std::initializer_list<int> columns)
{
    std::array<bool, LogColumnCount> c {};
    for (int i : columns)
        c[static_cast<std::size_t>(i)] = true;
    return c;
}

void tickOnly(DataLogger &log, std::initializer_list<int> columns)
{
    for (int i = 0; i < LogColumnCount; ++i)
        log.setTicked(i, false);
    for (int i : columns)
        QVERIFY(log.setTicked(i, true));
}
} // namespace

class TstDataLogger : public QObject {
    Q_OBJECT
    QTemporaryDir *dir = nullptr;
    QString oldCwd;
    std::string caption = "Kelvane Sequential v.3.02+OBD";

    QString path(const QString &name) const { return dir->filePath(name); }

private slots:
    void init()
    {
        dir = new QTemporaryDir;
        QVERIFY(dir->isValid());
        oldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir->path()));
    }
    void cleanup()
    {
        QDir::setCurrent(oldCwd);
        QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        delete dir;
        dir = nullptr;
    }

    // Only "RPM (rev./min)" and "TR (°C)" ticked: the header and rows with a comma after each field,
    // no line break after the last row; the spill file is gone once "Log.csv" is there.
    void twoColumns()
    {
        DataLogger log;
        tickOnly(log, { lv::Rpm, lv::TempReducer });
        const LogStartResult s = log.start("label");
        QVERIFY2(s.started, s.error.c_str());
        QVERIFY(log.logging());
        QCOMPARE(log.lastColumnIndex(), 36);
        Values v {};
        v[lv::Rpm] = 2150;
        v[lv::TempReducer] = 64.5f;
        for (int i = 0; i < 3; ++i)
            log.rowStep(v, caption);
        const LogResult r = log.stop();
        QVERIFY2(r.ok, r.error.c_str());
        QVERIFY(r.wrote);
        QCOMPARE(r.rows, 3);
        QCOMPARE(QString::fromStdString(r.path), path("Log.csv"));
        QCOMPARE(readAll(path("Log.csv")),
            QByteArray("Time,RPM (rev./min),TR (\xc2\xb0"
                       "C),\n"
                       "0.07,2150.000,64.500,\n"
                       "0.14,2150.000,64.500,\n"
                       "0.21,2150.000,64.500,"));
        QCOMPARE(filesIn(dir->path()), QStringList { "Log.csv" });
        QVERIFY(!log.logging());
        QCOMPARE(log.lastColumnIndex(), 0);
        QVERIFY(!log.hasUnsavedRecording());

        // STOP while idle does nothing.
        const LogResult again = log.stop();
        QVERIFY(again.ok && !again.wrote);
    }

    void defaultColumnsAndHiddenOnes()
    {
        DataLogger log;
        QCOMPARE(log.ticked(), logDefaultColumns());
        QVERIFY(!log.setTicked(27, true));
        QVERIFY(!log.setTicked(33, true));
        QVERIFY(!log.setTicked(37, true));
        QVERIFY(log.setTicked(21, true)); // "Tecu (°C)" can be ticked (and logs 0.000)
        QVERIFY(!log.ticked()[27] && !log.ticked()[33]);
        QVERIFY(log.start("x").started);
        log.rowStep(sampleValues(0), caption);
        QVERIFY(log.stop().ok);
        auto withTecu = logDefaultColumns();
        withTecu[21] = true;
        const QByteArray text = readAll(path("Log.csv"));
        QCOMPARE(text.left(text.indexOf('\n')), QByteArray::fromStdString(logHeader(withTecu)));
    }

    // With a locale whose decimal separator is ",", the file still holds "." in every number.
    void commaLocale()
    {
        QTemporaryDir locales;
        QProcess localedef;
        localedef.start("localedef", { "-i", "de_DE", "-f", "UTF-8", locales.filePath("de_DE.UTF-8") });
        if (!localedef.waitForFinished(60000) || localedef.exitCode() != 0)
            QSKIP("no de_DE locale can be built here");
        qputenv("LOCPATH", locales.path().toLocal8Bit());
        QVERIFY(std::setlocale(LC_ALL, "de_DE.UTF-8"));
        char probe[16];
        std::snprintf(probe, sizeof probe, "%.1f", 1.5);
        QCOMPARE(QByteArray(probe), QByteArray("1,5")); // the C library does follow it

        DataLogger log;
        tickOnly(log, { lv::Rpm, lv::InjPetrol1, lv::Level });
        QVERIFY(log.start("x").started);
        for (int k = 0; k < 2; ++k)
            log.rowStep(sampleValues(k), caption);
        Values big {};
        big[lv::Rpm] = 123456.0f; // exponent form
        log.rowStep(big, caption);
        const LogResult r = log.stop();
        std::setlocale(LC_ALL, "C");
        qunsetenv("LOCPATH");
        QVERIFY(r.ok);
        QCOMPARE(readAll(path("Log.csv")),
            QByteArray("Time,RPM (rev./min),InjB1 (ms),GazLev (V),\n"
                       "0.07,800.000,3.456,2.440,\n"
                       "0.14,825.000,3.456,2.440,\n"
                       "0.21,1.2346E5,0.000,0.000,"));
    }

    // START during a recording writes the first one and starts the next; its time runs on; the
    // second STOP replaces the file.
    void startDuringRecording()
    {
        DataLogger log;
        tickOnly(log, { lv::Rpm });
        QVERIFY(log.start("one").started);
        log.rowStep(sampleValues(0), caption);
        log.rowStep(sampleValues(1), caption);
        const LogStartResult second = log.start("two");
        QVERIFY(second.started);
        QVERIFY(second.stopped.ok && second.stopped.wrote);
        QCOMPARE(second.stopped.rows, 2);
        QCOMPARE(readAll(path("Log.csv")), QByteArray("Time,RPM (rev./min),\n0.07,800.000,\n0.14,825.000,"));
        log.rowStep(sampleValues(2), caption);
        QVERIFY(log.stop().ok);
        QCOMPARE(readAll(path("Log.csv")), QByteArray("Time,RPM (rev./min),\n0.21,850.000,"));
        QCOMPARE(log.elapsedMs(), 210);
    }

    // A box ticked after START adds its column at the next START only.
    void tickAfterStart()
    {
        DataLogger log;
        tickOnly(log, { lv::Rpm });
        QVERIFY(log.start("x").started);
        QVERIFY(log.setTicked(lv::TempReducer, true));
        log.rowStep(sampleValues(0), caption);
        QCOMPARE(log.columnFlags(), only({ lv::Rpm }));
        QVERIFY(log.stop().ok);
        QCOMPARE(readAll(path("Log.csv")), QByteArray("Time,RPM (rev./min),\n0.07,800.000,"));
        QVERIFY(log.start("y").started);
        log.rowStep(sampleValues(1), caption);
        QVERIFY(log.close().ok);
        QCOMPARE(readAll(path("Log.csv")),
            QByteArray("Time,RPM (rev./min),TR (\xc2\xb0"
                       "C),\n0.14,825.000,64.500,"));
    }

    // Closing the window during a recording writes the file; an old file stays untouched until
    // then, while the rows go to a spill file beside it.
    void closeDuringRecordingAndOldFileUntilThen()
    {
        writeFile(path("Log.csv"), "old recording");
        DataLogger log;
        tickOnly(log, { lv::Rpm });
        QVERIFY(log.start("x").started);
        QVERIFY(QString::fromStdString(log.spillPath()).startsWith(path("Log.csv.recording-")));
        for (int k = 0; k < 2000; ++k)
            log.rowStep(sampleValues(k), caption);
        QCOMPARE(readAll(path("Log.csv")), QByteArray("old recording"));
        QCOMPARE(filesIn(dir->path()).size(), 2);
        const LogResult r = log.close();
        QVERIFY2(r.ok, r.error.c_str());
        const QList<QByteArray> lines = readAll(path("Log.csv")).split('\n');
        QCOMPARE(lines.size(), 2001);
        QCOMPARE(lines[1], QByteArray("0.07,800.000,"));
        QCOMPARE(lines[2000], QByteArray("140.00,5775.000,"));
        QCOMPARE(filesIn(dir->path()), QStringList { "Log.csv" });
        QVERIFY(log.close().ok); // nothing left to do
    }

    // However long the drive, the rows held in memory stay below one spill chunk.
    void memoryStaysBounded()
    {
        DataLogger log;
        for (int i = 0; i < LogColumnCount; ++i)
            log.setTicked(i, true);
        QVERIFY(log.start("x").started);
        std::size_t most = 0;
        for (int k = 0; k < 20000; ++k) {
            log.rowStep(sampleValues(k), caption);
            most = std::max(most, log.memoryCapacity());
        }
        QVERIFY2(most < 2 * DataLogger::SpillChunkBytes, QByteArray::number(qulonglong(most)));
        QVERIFY(QFileInfo(QString::fromStdString(log.spillPath())).size() > 20000 * 150);
        QVERIFY(log.stop().ok);
        const QList<QByteArray> lines = readAll(path("Log.csv")).split('\n');
        QCOMPARE(lines.size(), 20001);
        auto expected = logAllSelectableColumns();
        QCOMPARE(lines[12345], QByteArray::fromStdString(logRow(12345 * 70, sampleValues(12344), expected)));
    }

    // A STOP whose file cannot be written says why and keeps the recording; it can then be saved
    // to another path, and START refuses to drop it meanwhile.
    void stopThatCannotWrite_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("folder gone (stick pulled)") << "gone";
        QTest::newRow("Log.csv is a folder") << "folder";
        QTest::newRow("read-only folder") << "readonly";
    }
    void stopThatCannotWrite()
    {
        QFETCH(QString, how);
        const QString target = path("car/Log.csv");
        QVERIFY(QDir(dir->path()).mkdir("car"));
        if (how == "readonly" && ::geteuid() == 0)
            QSKIP("root writes into read-only folders; the other rows cover the same path");
        QVERIFY(QDir::setCurrent(path("car")));
        if (how == "folder")
            QVERIFY(QDir(path("car")).mkdir("Log.csv"));

        DataLogger log;
        tickOnly(log, { lv::Rpm });
        QVERIFY(log.start("x").started);
        for (int k = 0; k < 3; ++k)
            log.rowStep(sampleValues(k), caption);
        QVERIFY(QDir::setCurrent(dir->path()));
        if (how == "gone")
            QVERIFY(QDir(path("car")).removeRecursively());
        if (how == "readonly")
            QVERIFY(QFile::setPermissions(path("car"), QFile::ReadOwner | QFile::ExeOwner));

        const LogResult r = log.stop();
        QVERIFY(!r.ok);
        QCOMPARE(QString::fromStdString(r.path), target);
        const QString error = QString::fromStdString(r.error);
        QVERIFY2(error.startsWith("cannot write " + target + ": "), r.error.c_str());
        const char *reason = how == "gone" ? "No such file or directory"
            : how == "folder"              ? "Is a directory"
                                           : "Permission denied";
        QVERIFY2(error.endsWith(reason), r.error.c_str());
        QVERIFY(log.hasUnsavedRecording());
        QVERIFY(!log.logging());
        QCOMPARE(r.rows, 3);
        if (how == "readonly")
            QFile::setPermissions(path("car"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (how == "folder")
            QVERIFY(QFileInfo(target).isDir()); // untouched

        const LogStartResult refused = log.start("y");
        QVERIFY(!refused.started);
        QVERIFY(!refused.error.empty());

        const LogResult saved = log.saveTo(path("elsewhere.csv").toStdString());
        QVERIFY2(saved.ok, saved.error.c_str());
        QCOMPARE(readAll(path("elsewhere.csv")),
            QByteArray("Time,RPM (rev./min),\n0.07,800.000,\n0.14,825.000,\n0.21,850.000,"));
        QVERIFY(!log.hasUnsavedRecording());
        QCOMPARE(filesIn(dir->path()), QStringList { "elsewhere.csv" });
        QVERIFY(log.start("z").started);
        log.discard();
        QVERIFY(!log.logging() && !log.hasUnsavedRecording());
    }

    // The disk refuses rows in the middle of a drive: they wait in memory (up to its limit, then
    // they are dropped and counted), STOP fails without leaving a half-written file, and once the
    // disk takes them again the file is complete and well formed.
    void diskFullDuringRecording()
    {
        DataLogger log;
        tickOnly(log, { lv::Rpm, lv::TempReducer });
        QVERIFY(log.start("x").started);
        int k = 0;
        while (QFileInfo(QString::fromStdString(log.spillPath())).size() < 2 * 16384)
            log.rowStep(sampleValues(k++), caption);

        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old {};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit full = old;
        full.rlim_cur = static_cast<rlim_t>(QFileInfo(QString::fromStdString(log.spillPath())).size());
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &full), 0);

        for (int i = 0; i < 1500; ++i)
            log.rowStep(sampleValues(k++), caption);
        QVERIFY2(QString::fromStdString(log.spillError()).contains("File too large"), log.spillError().c_str());
        QVERIFY(log.bytesInMemory() > DataLogger::SpillChunkBytes);
        log.setMemoryLimit(log.bytesInMemory() + 100);
        for (int i = 0; i < 50; ++i)
            log.rowStep(sampleValues(k++), caption);
        QVERIFY(log.droppedRows() > 0);

        const LogResult failed = log.stop();
        QVERIFY(!failed.ok);
        QVERIFY2(QString::fromStdString(failed.error).endsWith("File too large"), failed.error.c_str());
        QVERIFY(!QFileInfo::exists(path("Log.csv")));
        QCOMPARE(filesIn(dir->path()).size(), 1); // the spill file, no half copy

        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &old), 0);
        const LogResult saved = log.saveTo(path("Log.csv").toStdString());
        QVERIFY2(saved.ok, saved.error.c_str());
        QCOMPARE(saved.droppedRows, log.droppedRows());
        const QList<QByteArray> lines = readAll(path("Log.csv")).split('\n');
        QCOMPARE(lines.size(), 1 + int(saved.rows));
        QCOMPARE(saved.rows + saved.droppedRows, std::int64_t(k));
        for (int i = 1; i < lines.size(); ++i)
            QVERIFY2(lines[i].count(',') == 3 && lines[i].endsWith(",64.500,"), lines[i].constData());
        QCOMPARE(filesIn(dir->path()), QStringList { "Log.csv" });
    }

    // The progress mark: "..." + label + " / " at the first row, turned every ten rows; only the
    // logger's own text changes; a new recording replaces the old mark.
    void captionMark()
    {
        DataLogger log;
        std::string cap = "Kelvane Rev.H 2 - COM3";
        QVERIFY(log.start("L").started);
        std::vector<std::string> seen;
        for (int row = 1; row <= 51; ++row) {
            log.rowStep(sampleValues(row), cap);
            seen.push_back(cap);
        }
        const std::string base = "Kelvane Rev.H 2 - COM3...L";
        QCOMPARE(seen[0], base + " / ");
        QCOMPARE(seen[9], base + " / ");
        QCOMPARE(seen[10], base + " - ");
        QCOMPARE(seen[19], base + " - ");
        QCOMPARE(seen[20], base + " \\ ");
        QCOMPARE(seen[30], base + " | ");
        QCOMPARE(seen[40], base + " / ");
        QCOMPARE(seen[49], base + " / ");
        QCOMPARE(seen[50], base + " - ");
        QVERIFY(log.start("M").started);
        log.rowStep(sampleValues(0), cap);
        QCOMPARE(cap, std::string("Kelvane Rev.H 2 - COM3...M / "));
        QVERIFY(log.stop().ok);
        log.rowStep(sampleValues(0), cap); // idle: no row, no mark
        QCOMPARE(cap, std::string("Kelvane Rev.H 2 - COM3...M / "));
    }

    void label()
    {
        QCOMPARE(logLabel("2024-01-02", "13:45:10"), std::string("2024.01.02 13:45:10Log.csv"));
        const QDateTime when(QDate(2024, 1, 2), QTime(13, 45, 10));
        QCOMPARE(logLabel(when, QLocale(QLocale::German, QLocale::Germany)), std::string("02.01.24 13:45:10Log.csv"));
    }
};

QTEST_GUILESS_MAIN(TstDataLogger)
#include "tst_datalogger.moc"

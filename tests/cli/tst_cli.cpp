// kelvane-cli end to end, against kelvane-sim on a real pseudo-terminal mapped as COM3.
#include "LogText.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "../support/PdfText.h"

using namespace kelvane;

namespace {
const QString BinDir = QStringLiteral(KELVANE_BIN_DIR);

struct Result {
    int exitCode = -1;
    QString out, err;
};
} // namespace

class TstCli : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;
    QProcess *sim = nullptr;
    QString link;

    bool startSim(const QStringList &options = {})
    {
        stopSim();
        link = tmp.filePath("ecu");
        sim = new QProcess(this);
        sim->setProgram(BinDir + "/kelvane-sim");
        sim->setArguments(QStringList { "--link", link } + options);
        sim->start();
        if (!sim->waitForStarted(5000))
            return false;
        // The simulator prints the slave's path as its first line once it is ready.
        for (int i = 0; i < 50 && !sim->canReadLine(); ++i)
            sim->waitForReadyRead(100);
        return sim->canReadLine() && QFile::exists(link);
    }
    void stopSim()
    {
        if (!sim)
            return;
        sim->terminate();
        if (!sim->waitForFinished(3000))
            sim->kill();
        delete sim;
        sim = nullptr;
    }
    Result cli(const QStringList &args, int timeoutMs = 60000)
    {
        QProcess p;
        p.setWorkingDirectory(tmp.path()); // restore points go under parametry/backup/ of it
        p.start(BinDir + "/kelvane-cli", args);
        Result r;
        if (!p.waitForFinished(timeoutMs)) {
            p.kill();
            p.waitForFinished();
            r.err = "timed out";
            return r;
        }
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    QStringList com3() const { return { "--com", "3=" + link }; }
    QString writeFile(const QString &name, const QByteArray &data)
    {
        QFile f(tmp.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
            return QString();
        return f.fileName();
    }
    // The restore point a write or reset printed, checked to be a 768-byte file in parametry/backup/.
    QString restorePointOf(const Result &r)
    {
        const QRegularExpressionMatch m
            = QRegularExpression("^restore point: (.+)$", QRegularExpression::MultilineOption).match(r.out);
        if (!m.hasMatch())
            return QString();
        const QString path = m.captured(1);
        if (QFileInfo(path).dir() != QDir(tmp.filePath("parametry/backup")) || QFileInfo(path).size() != 768)
            return QString();
        return path;
    }
    static QJsonObject fieldsOf(const QString &showOutput)
    {
        return QJsonDocument::fromJson(showOutput.toUtf8()).object()["fields"].toObject();
    }

private slots:
    void cleanup() { stopSim(); }

    void scanPrintsTheCaption()
    {
        QVERIFY(startSim());
        const Result r = cli(com3() << "scan");
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.trimmed(), QString("Kelvane Sequential v.3.02+OBD Rev.H 2 Rev.S 3 TQ204  COM3"));
    }

    void revisionRefused()
    {
        QVERIFY(startSim({ "--sw", "4" }));
        const Result r = cli(com3() << "scan");
        QCOMPARE(r.exitCode, 3);
        QCOMPARE(r.out.trimmed(), QString("Need software update. Download From www !!!"));
    }

    void nothingFound()
    {
        const Result r = cli({ "--com", "3=" + tmp.filePath("missing"), "scan" });
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains("No controller found"));
    }

    void readWritesTheControllersImage()
    {
        // Start the controller from a known file and read it back.
        QByteArray known(768, 0);
        for (int i = 0; i < 768; ++i)
            known[i] = static_cast<char>((i * 37 + 11) & 0xFF);
        QFile f(tmp.filePath("known.kvset"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(known);
        f.close();
        QVERIFY(startSim({ "--image", f.fileName() }));
        const QString out = tmp.filePath("backup.kvset");
        const Result r = cli(com3() << "read" << out);
        QCOMPARE(r.exitCode, 0);
        QFile back(out);
        QVERIFY(back.open(QIODevice::ReadOnly));
        const QByteArray got = back.readAll();
        QCOMPARE(got.size(), 768);
        QCOMPARE(got, known);
    }

    void readToAnUnwritablePlaceFailsCleanly()
    {
        QVERIFY(startSim());
        const QString out = tmp.filePath("no/such/dir/backup.kvset");
        const Result r = cli(com3() << "read" << out);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(!r.err.isEmpty());
        QVERIFY(!QFile::exists(out));
        QVERIFY(QDir(tmp.filePath("no")).exists() == false);
    }

    // A file written to the controller verifies; one changed setting is named and gives exit 4.
    void writeThenVerify()
    {
        QByteArray image(768, 0);
        for (int i = 0; i < 768; ++i)
            image[i] = char((i * 37 + 11) & 0xFF); // word 0 is not 0xAAAA: the marker is not compared
        image[340] = char(1045 & 0xFF); // main enrichment +4 %
        image[341] = char(1045 >> 8);
        const QString file = writeFile("car.kvset", image);
        QVERIFY(startSim());

        const Result w = cli(com3() << "write" << file);
        QVERIFY2(w.exitCode == 0, qPrintable(w.err));
        const QString restore = restorePointOf(w);
        QVERIFY2(!restore.isEmpty(), qPrintable(w.out));
        QFile before(restore);
        QVERIFY(before.open(QIODevice::ReadOnly));
        QVERIFY(before.readAll() != image); // the controller's own image from before the write

        const Result same = cli(com3() << "verify" << file);
        QVERIFY2(same.exitCode == 0, qPrintable(same.out + same.err));
        QVERIFY(same.out.isEmpty());

        image[340] = char(1055 & 0xFF); // +5 %
        const QString changed = writeFile("changed.kvset", image);
        const Result differs = cli(com3() << "verify" << changed);
        QCOMPARE(differs.exitCode, 4);
        QCOMPARE(differs.out, QString("WzbogacenieGlowne: file 5, controller 4\n"));
    }

    // The reset keeps the cylinder count and the work-time counters and sets the factory rpm axis.
    void resetKeepsWorkTimeAndCylinders()
    {
        QVERIFY(startSim());
        const Result r = cli(com3() << "reset"
                                    << "--yes");
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        const QString restore = restorePointOf(r);
        QVERIFY2(!restore.isEmpty(), qPrintable(r.out));
        const QString after = tmp.filePath("after-reset.kvset");
        QCOMPARE(cli(com3() << "read" << after).exitCode, 0);

        const QJsonObject was = fieldsOf(cli({ "show", restore }).out);
        const QJsonObject now = fieldsOf(cli({ "show", after }).out);
        const QJsonObject shown = QJsonDocument::fromJson(cli({ "show", after }).out.toUtf8()).object();
        QCOMPARE(shown["RpmAxis"].toArray(), (QJsonArray { 1000, 1500, 2000, 3000, 4000, 5000, 6000, 7000 }));
        QCOMPARE(now["RpmSet"].toObject()["stored"].toInt(), 0);
        QCOMPARE(now["InjNum"].toObject()["stored"], was["InjNum"].toObject()["stored"]);
        for (const char *counter : { "SavedPetrolWorkTime", "SavedGasWorkTime" }) {
            // The simulated engine counts on from the saved value while it runs.
            const qint64 before = was[counter].toObject()["stored"].toInteger();
            const qint64 kept = now[counter].toObject()["stored"].toInteger();
            QVERIFY2(kept >= before && kept > 0, counter);
        }
    }

    void interruptedWriteIsAFailedUpload()
    {
        const QString file = writeFile("upload.kvset", QByteArray(768, 0x11));
        QVERIFY(startSim());
        const QDir backup(tmp.filePath("parametry/backup"));
        const auto restorePoints = [&] { return backup.entryList(QDir::Files).size(); };
        const auto earlier = restorePoints();
        QProcess p;
        p.setWorkingDirectory(tmp.path());
        p.start(BinDir + "/kelvane-cli", com3() << "write" << file);
        QVERIFY(p.waitForStarted());
        // The restore point is written right before the first word goes out.
        QElapsedTimer t;
        t.start();
        while (restorePoints() == earlier && t.elapsed() < 30000 && p.state() == QProcess::Running)
            QTest::qWait(20);
        QTest::qWait(300);
        QCOMPARE(p.state(), QProcess::Running);
        ::kill(static_cast<pid_t>(p.processId()), SIGINT);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitCode(), 130);
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(err.contains("the upload failed") && err.contains("nothing was committed"), qPrintable(err));
        QVERIFY(QString::fromUtf8(p.readAllStandardOutput()).startsWith("restore point: "));
    }

    void liveRecords()
    {
        QVERIFY(startSim());
        const Result r = cli(com3() << "live"
                                    << "--count"
                                    << "20");
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 21);
        QCOMPARE(lines[0], QString::fromStdString(kelvane::logHeader(kelvane::logAllSelectableColumns())));
        QVERIFY(lines[1].startsWith("0.07,"));
        QVERIFY(lines[20].startsWith("1.40,"));
        for (int i = 1; i < lines.size(); ++i)
            QCOMPARE(lines[i].count(','), lines[0].count(','));
        QVERIFY2(r.err.contains("requests: 20, accepted: 20, rejected: 0"), qPrintable(r.err));
        // The engine runs: the speed column moves over 1.4 s.
        QSet<QString> rpm;
        for (int i = 1; i < lines.size(); ++i)
            rpm << lines[i].section(',', 3, 3);
        QVERIFY(rpm.size() > 1);
    }

    void droppedRepliesAreCountedAsRejected()
    {
        QVERIFY(startSim({ "--drop-every", "5" }));
        const Result r = cli(com3() << "live"
                                    << "--count"
                                    << "50");
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.split('\n', Qt::SkipEmptyParts).size(), 51);
        QRegularExpression re("requests: (\\d+), accepted: (\\d+), rejected: (\\d+)");
        auto m = re.match(r.err);
        QVERIFY2(m.hasMatch(), qPrintable(r.err));
        QCOMPARE(m.captured(1).toInt(), 50);
        QCOMPARE(m.captured(2).toInt() + m.captured(3).toInt(), 50);
        QVERIFY2(m.captured(3).toInt() >= 10, qPrintable(r.err)); // every fifth request goes unanswered
    }

    void livePullIsRiddenThrough()
    {
        // The scan and the image read take about 3.5 s; the adapter is pulled a while later and
        // plugged back in (a new terminal under the same name) two seconds after that.
        QVERIFY(startSim({ "--hangup-after", "5" }));
        QProcess live;
        live.setWorkingDirectory(tmp.path());
        live.start(BinDir + "/kelvane-cli",
            com3() << "live"
                   << "--count"
                   << "150");
        QVERIFY(sim->waitForFinished(20000));
        QTest::qWait(2000);
        QVERIFY(startSim());
        QVERIFY2(live.waitForFinished(60000), "the live run did not end");
        QCOMPARE(live.exitCode(), 0);
        const QString out = QString::fromUtf8(live.readAllStandardOutput());
        const QString err = QString::fromUtf8(live.readAllStandardError());
        // Every row counted, header included; the loss and the return said on stderr.
        QCOMPARE(out.split('\n', Qt::SkipEmptyParts).size(), 151);
        QVERIFY2(err.contains("link to the controller was lost"), qPrintable(err));
        const QRegularExpressionMatch m = QRegularExpression("link is back after (\\d+\\.\\d) s").match(err);
        QVERIFY2(m.hasMatch(), qPrintable(err));
        QVERIFY2(m.captured(1).toDouble() >= 2.0, qPrintable(err));
    }

    void noAcceptedReplyIsAFailure()
    {
        QVERIFY(startSim({ "--drop-every", "1" }));
        const Result r = cli(com3() << "live"
                                    << "--count"
                                    << "20");
        QCOMPARE(r.exitCode, 4);
        // The rows are still there, as the logger keeps them.
        QCOMPARE(r.out.split('\n', Qt::SkipEmptyParts).size(), 21);
        QVERIFY2(r.err.contains("in a row rejected"), qPrintable(r.err));
        QVERIFY2(r.err.contains("accepted: 0"), qPrintable(r.err));
    }

    void notFoundNamesTheDevicesThatCannotBeUsed()
    {
        QFile plain(tmp.filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        const Result r = cli({ "--com", "2=" + tmp.filePath("missing"), "--com", "5=" + plain.fileName(), "scan" });
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("COM2 " + tmp.filePath("missing") + ": No such file or directory"), qPrintable(r.err));
        QVERIFY2(r.err.contains("COM5 " + plain.fileName() + ": not a terminal"), qPrintable(r.err));
    }

    void readNeverReplacesAFifoOrADevice()
    {
        const QString fifo = tmp.filePath("fifo");
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QVERIFY(startSim());
        const Result r = cli(com3() << "read" << fifo, 20000);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains("not a regular file"), qPrintable(r.err));
        struct stat st { };
        QVERIFY(::stat(QFile::encodeName(fifo).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
        // A symbolic link to it is followed, and refused the same way.
        const QString viaLink = tmp.filePath("fifo-link");
        QVERIFY(QFile::link(fifo, viaLink));
        QCOMPARE(cli(com3() << "read" << viaLink, 20000).exitCode, 2);
        QVERIFY(QFileInfo(viaLink).isSymLink());
    }

    void showOfAFifoDoesNotWait()
    {
        const QString fifo = tmp.filePath("showfifo");
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        const Result r = cli({ "show", fifo }, 10000);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains("not a regular file"), qPrintable(r.err));
    }

    // An interrupt ends every command promptly with 130 and leaves nothing half-done behind.
    void interruptEndsTheCommand_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<int>("afterMs");
        QTest::addColumn<int>("signal");
        QTest::newRow("read, SIGINT during the image read")
            << QStringList { "read", "interrupted.kvset" } << 2000 << SIGINT;
        QTest::newRow("read, SIGINT during the scan") << QStringList { "read", "interrupted.kvset" } << 300 << SIGINT;
        QTest::newRow("live, SIGTERM") << QStringList { "live" } << 5000 << SIGTERM;
        QTest::newRow("scan, SIGINT") << QStringList { "scan" } << 200 << SIGINT;
    }
    void interruptEndsTheCommand()
    {
        QFETCH(QStringList, command);
        QFETCH(int, afterMs);
        QFETCH(int, signal);
        // Without a controller on COM3 the scan runs through all ports; with one, the read takes seconds.
        QVERIFY(startSim());
        QProcess p;
        p.setWorkingDirectory(tmp.path());
        p.start(BinDir + "/kelvane-cli", com3() + command);
        QVERIFY(p.waitForStarted());
        QTest::qWait(afterMs);
        QCOMPARE(p.state(), QProcess::Running);
        QElapsedTimer t;
        t.start();
        ::kill(static_cast<pid_t>(p.processId()), signal);
        QVERIFY(p.waitForFinished(5000));
        QVERIFY2(t.elapsed() < 1500, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 130);
        QVERIFY(!QFile::exists(tmp.filePath("interrupted.kvset")));
    }

    void liveStopsWhenStdoutIsGone()
    {
        QVERIFY(startSim());
        QProcess sh;
        sh.start("sh", { "-c", QString("'%1' --com 3='%2' live | head -3").arg(BinDir + "/kelvane-cli", link) });
        QVERIFY2(sh.waitForFinished(30000), "kelvane-cli kept polling after head went away");
        QCOMPARE(sh.readAllStandardOutput().split('\n').size(), 4); // three lines and the last break
    }

    void showDecodesAFile()
    {
        QByteArray image(768, 0);
        image[125] = 3; // 4 cylinders
        image[340] = char(1045 & 0xFF); // main enrichment 4 %
        image[341] = char(1045 >> 8);
        for (int i = 167; i < 295; ++i)
            image[i] = char(100);
        QFile f(tmp.filePath("car.kvset"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(image);
        f.close();
        const Result r = cli({ "show", f.fileName() });
        QCOMPARE(r.exitCode, 0);
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QVERIFY(o.contains("fields"));
        const QJsonObject wz = o["fields"].toObject()["WzbogacenieGlowne"].toObject();
        QCOMPARE(wz["stored"].toInt(), 1045);
        QCOMPARE(wz["shown"].toDouble(), 4.0);
        const QJsonArray map = o["MainMap"].toArray();
        QCOMPARE(map.size(), 16);
        QCOMPARE(map[0].toArray().size(), 8);
        QCOMPARE(map[15].toArray()[7].toDouble(), 0.0);
        QCOMPARE(o["Map2D"].toArray().size(), 16);
        QCOMPARE(o["RpmAxis"].toArray().size(), 8);
        QCOMPARE(o["InjTimeAxis"].toArray().size(), 16);
        QCOMPARE(o["GasTempMap"].toObject()["points"].toArray().size(), 6);
        QCOMPARE(o["ReducerTempMap"].toObject()["corrections"].toArray().size(), 6);
    }

    void showOfAShortFileWarns()
    {
        QFile f(tmp.filePath("short.kvset"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(100, 1));
        f.close();
        const Result r = cli({ "show", f.fileName() });
        QCOMPARE(r.exitCode, 0);
        QVERIFY(!r.err.isEmpty());
        QVERIFY(QJsonDocument::fromJson(r.out.toUtf8()).isObject());
    }

    void errorsAndTroubleCodesOfTheSimulator()
    {
        QVERIFY(startSim());
        Result r = cli(com3() << "errors");
        QCOMPARE(r.exitCode, 0);
        const QStringList faults = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(faults.size(), 2); // the simulator starts with faults 8 and 16
        QVERIFY2(faults[0].startsWith("8 ") && faults[1].startsWith("16 "), qPrintable(r.out));
        r = cli(com3() << "dtc");
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.split('\n', Qt::SkipEmptyParts), (QStringList { "P0301", "P0171" }));
        r = cli(com3() << "errors"
                       << "--clear"
                       << "--yes");
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains("NO Errors"), qPrintable(r.out));
    }

    // The report of the simulator (its faults and trouble codes) and of a parameter file; a target
    // that is no regular file is refused before the controller is asked.
    void reportOfTheSimulatorAndOfAFile()
    {
        QVERIFY(startSim());
        const QString pdf = tmp.filePath("car.pdf");
        Result r = cli(com3() << "report" << pdf << "--title"
                              << "Nowak, VW Golf");
        QCOMPARE(r.exitCode, 0);
        QString text = test::pdfText(pdf);
        QVERIFY2(!text.isNull(), "pdftotext (poppler-utils) is needed");
        for (const char *needle : { "Nowak, VW Golf", "8 ErrPres_L", "16 ErrRpm_L", "P0301, P0171", "min.inj", "COM3" })
            QVERIFY2(text.contains(QString::fromUtf8(needle)), needle);
        const QString file = tmp.filePath("car.kvset");
        QCOMPARE(cli(com3() << "read" << file).exitCode, 0);
        stopSim();
        r = cli({ "report", tmp.filePath("file.pdf"), "--from", file, "--lang", "Polish" });
        QCOMPARE(r.exitCode, 0);
        text = test::pdfText(tmp.filePath("file.pdf"));
        QVERIFY2(text.contains("1.Ustawienia pojazdu") && text.contains(file) && !text.contains("ErrPres_L"),
            qPrintable(text));
        QVERIFY(QDir(tmp.path()).mkdir("folder.pdf"));
        r = cli({ "--com", "3=" + tmp.filePath("missing"), "report", tmp.filePath("folder.pdf") });
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains("not a regular file") && !r.err.contains("No controller"), qPrintable(r.err));
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("missing file") << QStringList { "show", "/nonexistent/car.kvset" };
        QTest::newRow("bad --com") << QStringList { "--com", "17=/dev/null", "scan" };
        QTest::newRow("--com without value") << QStringList { "scan", "--com" };
        QTest::newRow("unknown option") << QStringList { "--frobnicate", "scan" };
        QTest::newRow("bad baud") << QStringList { "show", "x", "--baud", "9600" };
        QTest::newRow("bad count") << QStringList { "live", "--count", "many" };
        QTest::newRow("no command") << QStringList {};
        QTest::newRow("read without file") << QStringList { "read" };
        QTest::newRow("reset without --yes") << QStringList { "reset" };
        QTest::newRow("--yes on another command") << QStringList { "scan", "--yes" };
        QTest::newRow("write of a missing file") << QStringList { "write", "/nonexistent/car.kvset" };
        QTest::newRow("verify of a directory") << QStringList { "verify", "/" };
    }
    void badInput()
    {
        QFETCH(QStringList, args);
        const Result r = cli(args, 10000);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(!r.err.trimmed().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstCli)
#include "tst_cli.moc"

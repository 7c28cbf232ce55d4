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
        sim->setArguments(QStringList {"--link", link} + options);
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
    QStringList com3() const { return {"--com", "3=" + link}; }

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
        QVERIFY(startSim({"--sw", "4"}));
        const Result r = cli(com3() << "scan");
        QCOMPARE(r.exitCode, 3);
        QCOMPARE(r.out.trimmed(), QString("Need software update. Download From www !!!"));
    }

    void nothingFound()
    {
        const Result r = cli({"--com", "3=" + tmp.filePath("missing"), "scan"});
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
        QVERIFY(startSim({"--image", f.fileName()}));
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

    void liveRecords()
    {
        QVERIFY(startSim());
        const Result r = cli(com3() << "live" << "--count" << "20");
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
        QVERIFY(startSim({"--drop-every", "5"}));
        const Result r = cli(com3() << "live" << "--count" << "50");
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.split('\n', Qt::SkipEmptyParts).size(), 51);
        QRegularExpression re("requests: (\\d+), accepted: (\\d+), rejected: (\\d+)");
        auto m = re.match(r.err);
        QVERIFY2(m.hasMatch(), qPrintable(r.err));
        QCOMPARE(m.captured(1).toInt(), 50);
        QCOMPARE(m.captured(2).toInt() + m.captured(3).toInt(), 50);
        QVERIFY2(m.captured(3).toInt() >= 10, qPrintable(r.err)); // every fifth request goes unanswered
    }

    void hangupKeepsTheCycleRunning()
    {
        QVERIFY(startSim({"--hangup-after", "1"}));
        const Result r = cli(com3() << "live" << "--count" << "60");
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 61);
        QRegularExpression re("rejected: (\\d+)");
        QVERIFY(re.match(r.err).captured(1).toInt() > 0);
        // After the hang-up the rows repeat the last record; only the time moves.
        QCOMPARE(lines[60].section(',', 1), lines[59].section(',', 1));
    }

    void showDecodesAFile()
    {
        QByteArray image(768, 0);
        image[125] = 3;                 // 4 cylinders
        image[340] = char(1045 & 0xFF); // main enrichment 4 %
        image[341] = char(1045 >> 8);
        for (int i = 167; i < 295; ++i)
            image[i] = char(100);
        QFile f(tmp.filePath("car.kvset"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(image);
        f.close();
        const Result r = cli({"show", f.fileName()});
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
        const Result r = cli({"show", f.fileName()});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(!r.err.isEmpty());
        QVERIFY(QJsonDocument::fromJson(r.out.toUtf8()).isObject());
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("missing file") << QStringList {"show", "/nonexistent/car.kvset"};
        QTest::newRow("bad --com") << QStringList {"--com", "17=/dev/null", "scan"};
        QTest::newRow("--com without value") << QStringList {"scan", "--com"};
        QTest::newRow("unknown option") << QStringList {"--frobnicate", "scan"};
        QTest::newRow("bad baud") << QStringList {"show", "x", "--baud", "9600"};
        QTest::newRow("bad count") << QStringList {"live", "--count", "many"};
        QTest::newRow("no command") << QStringList {};
        QTest::newRow("read without file") << QStringList {"read"};
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

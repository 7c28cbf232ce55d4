// kelvane-cli history: the journal of parametry/journal/ of the current directory, newest first,
// with no controller and no port.
#include "JournalFile.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace kelvane;

namespace {
const QString BinDir = QStringLiteral(KELVANE_BIN_DIR);

struct Result {
    int exitCode = -1;
    QString out, err;
};

JournalEntry entry(const QString &action, int minute)
{
    JournalEntry e;
    e.time = QDateTime(QDate(2026, 5, 4), QTime(10, minute, 30), Qt::UTC);
    e.action = action;
    e.bytes = { { 125, 0, 3 } };
    e.frames = { { JournalFrame::Type::Byte, 125, 3, ControllerCommand::ModeGas, true } };
    return e;
}
} // namespace

class TstCliHistory : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;

    QString journalFolder() const { return tmp.filePath("parametry/journal"); }

    Result cli(const QStringList &args)
    {
        QProcess p;
        p.setWorkingDirectory(tmp.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TZ", "UTC"); // the entry lines show local time
        p.setProcessEnvironment(env);
        p.start(BinDir + "/kelvane-cli", args);
        Result r;
        if (!p.waitForFinished(20000)) {
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

    // Three entries, oldest first: a settings change with its words and the controller's revisions,
    // a map preset, an interrupted one.
    void writeJournal()
    {
        JournalFile file(journalFolder());
        JournalEntry type = entry("ComboBoxRpmSet", 1);
        type.softwareRevision = 3;
        type.hardwareRevision = 2;
        type.changes = { { "RpmSet", "1 coil", "4 cylinders" } };
        JournalEntry map = entry("main map: preset", 2);
        map.kind = EntryKind::Map;
        map.changes = { { "main map", "", "128 cells" }, { "2D map", "", "1 point" } };
        JournalEntry cut = entry("AbNumSpinWzbogacenieGlowne", 3);
        cut.state = EntryState::Interrupted;
        cut.frames.back().accepted = false;
        for (const JournalEntry &e : { type, map, cut })
            QVERIFY(file.append(e));
    }

private slots:
    void init()
    {
        QVERIFY(QDir(tmp.filePath("parametry")).removeRecursively());
        QVERIFY(tmp.isValid());
    }

    void newestFirstWithTheChanges()
    {
        writeJournal();
        const Result r = cli({ "history" });
        QCOMPARE(r.err, QString());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out,
            QString("2026-05-04 10:03:30  AbNumSpinWzbogacenieGlowne  1 bytes  interrupted\n"
                    "2026-05-04 10:02:30  main map: preset  1 bytes\n"
                    "    main map: 128 cells\n"
                    "    2D map: 1 point\n"
                    "2026-05-04 10:01:30  ComboBoxRpmSet  1 bytes  Rev.H 2 Rev.S 3\n"
                    "    RpmSet: 1 coil -> 4 cylinders\n"));
    }

    void lastLimitsToTheNewest()
    {
        writeJournal();
        const Result one = cli({ "history", "--last", "1" });
        QCOMPARE(one.exitCode, 0);
        QCOMPARE(one.out, QString("2026-05-04 10:03:30  AbNumSpinWzbogacenieGlowne  1 bytes  interrupted\n"));
        const Result two = cli({ "--last", "2", "history" });
        QCOMPARE(two.exitCode, 0);
        QCOMPARE(two.out.count('\n'), 4); // the map entry has two change lines
        QVERIFY(!two.out.contains("ComboBoxRpmSet"));
        const Result more = cli({ "history", "--last", "50" });
        QCOMPARE(more.exitCode, 0);
        QVERIFY(more.out.contains("ComboBoxRpmSet"));
    }

    // A kill while an entry was written leaves a torn last line: the entries before it are listed.
    void tornLastLineIsSkipped()
    {
        writeJournal();
        QFile f(JournalFile(journalFolder()).partPath(0));
        QVERIFY(f.open(QIODevice::Append));
        f.write("{\"time\":\"2026-05-04T10:04:00.000Z\",\"action\":\"Combo");
        f.close();
        const Result r = cli({ "history" });
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.err.contains("warning: 1 journal line(s) skipped"), qPrintable(r.err));
        QVERIFY(r.out.startsWith("2026-05-04 10:03:30  AbNumSpinWzbogacenieGlowne"));
        QCOMPARE(r.out.count("bytes"), 3);
    }

    // An older part too large to be a journal: the others are printed, the refusal said, exit 2.
    void unreadablePartIsAFailure()
    {
        writeJournal();
        QFile big(JournalFile(journalFolder()).partPath(1));
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize(JournalFile::DefaultReadLimit + 1));
        big.close();
        const Result r = cli({ "history" });
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains("it was not read"), qPrintable(r.err));
        QCOMPARE(r.out.count("  1 bytes"), 3);
    }

    void noJournal()
    {
        const Result r = cli({ "history" });
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.startsWith("no journal entries in "), qPrintable(r.err));
        QVERIFY(!QDir(tmp.filePath("parametry")).exists()); // reading makes no folder
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("--last 0") << QStringList { "history", "--last", "0" } << "--last needs";
        QTest::newRow("--last negative") << QStringList { "history", "--last", "-3" } << "--last needs";
        QTest::newRow("--last not a number") << QStringList { "history", "--last", "x" } << "--last needs";
        QTest::newRow("--last missing") << QStringList { "history", "--last" } << "--last needs";
        QTest::newRow("--last elsewhere") << QStringList { "show", "f", "--last", "2" } << "--last belongs";
        QTest::newRow("an operand") << QStringList { "history", "f" } << "bad command line";
    }
    void badInput()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        writeJournal();
        const Result r = cli(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QCOMPARE(r.out, QString());
    }
};

QTEST_GUILESS_MAIN(TstCliHistory)
#include "tst_clihistory.moc"

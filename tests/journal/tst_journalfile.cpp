// The journal file: every kind of entry reads back as written, newest first; a line torn by a kill
// and malformed lines are skipped and counted; rotation keeps the newest entries; a file over the
// read limit is refused with a message before it is read.
#include "JournalFile.h"

#include <QtTest>

#include <sys/stat.h>

using namespace kelvane;

namespace {

JournalEntry entry(const QString &action, EntryKind kind, int second)
{
    JournalEntry e;
    e.time = QDateTime(QDate(2026, 5, 4), QTime(10, 20, second, 7), Qt::UTC);
    e.action = action;
    e.kind = kind;
    return e;
}

QByteArray json(const JournalEntry &e)
{
    return QJsonDocument(entryToJson(e)).toJson(QJsonDocument::Compact);
}

QStringList actions(const JournalReadResult &r)
{
    QStringList out;
    for (const JournalEntry &e : r.entries)
        out << e.action;
    return out;
}

void appendRaw(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::Append));
    QCOMPARE(f.write(data), data.size());
}

} // namespace

class TstJournalFile : public QObject {
    Q_OBJECT

    // Entries of every kind and shape: revisions, a word, byte and command frame, a refused one,
    // an unknown before.
    std::vector<JournalEntry> samples()
    {
        JournalEntry settings = entry(QStringLiteral("ComboBoxInjTyp"), EntryKind::Settings, 1);
        settings.softwareRevision = 3;
        settings.hardwareRevision = 2;
        settings.bytes = { { 131, 1, 2 }, { 540, 0, 16 }, { 541, 34, 34 } };
        settings.frames = { { JournalFrame::Type::Byte, 131, 2, ControllerCommand::ModeGas, true },
            { JournalFrame::Type::Word, 270, 0x2210, ControllerCommand::ModeGas, true } };
        JournalEntry map = entry(QStringLiteral("main map: preset LOW FLOW"), EntryKind::Map, 2);
        map.bytes = { { 300, 0, 255 } };
        map.frames = { { JournalFrame::Type::Byte, 300, 255, ControllerCommand::ModeGas, true } };
        JournalEntry image = entry(QStringLiteral("load parameter file"), EntryKind::WholeImage, 3);
        image.state = EntryState::Interrupted;
        image.bytes = { { 0, 1, 0xAA }, { 1, 2, 0xAA } };
        image.frames = { { JournalFrame::Type::Word, 0, 0xAAAA, ControllerCommand::ModeGas, true },
            { JournalFrame::Type::Command, 0, 0x1234, ControllerCommand::CommitImage, false } };
        JournalEntry event = entry(QStringLiteral("erase errors"), EntryKind::Event, 4);
        event.beforeKnown = false;
        event.frames = { { JournalFrame::Type::Command, 0, 0, ControllerCommand::EraseErrors, true } };
        return { settings, map, image, event };
    }

    QTemporaryDir dir;

private slots:
    void init()
    {
        QDir(dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(dir.path()));
    }

    void everyKindRoundTrips()
    {
        JournalFile file(dir.filePath(QStringLiteral("parametry/journal")));
        const std::vector<JournalEntry> in = samples();
        for (const JournalEntry &e : in) {
            QString error;
            QVERIFY2(file.append(e, &error), qPrintable(error));
        }
        const JournalReadResult r = file.readAll();
        QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
        QCOMPARE(r.skippedLines, 0);
        QCOMPARE(r.entries.size(), in.size());
        for (std::size_t i = 0; i < in.size(); ++i) {
            const JournalEntry &got = r.entries[in.size() - 1 - i]; // newest first
            QCOMPARE(json(got), json(in[i]));
            QCOMPARE(got.time, in[i].time);
            QVERIFY(got.bytes == in[i].bytes);
            QVERIFY(got.frames == in[i].frames);
        }
        // One line an entry, each ending the line.
        QFile f(file.partPath(0));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray all = f.readAll();
        QCOMPARE(all.count('\n'), qsizetype(in.size()));
        QVERIFY(all.endsWith('\n'));
        // The format other tools read: pinned on the first line.
        QCOMPARE(all.left(all.indexOf('\n')),
            QByteArray("{\"action\":\"ComboBoxInjTyp\",\"bytes\":[[131,1,2],[540,0,16],[541,34,34]],"
                       "\"frames\":[{\"b\":131,\"v\":2},{\"v\":8720,\"w\":270}],\"hw\":2,\"kind\":\"settings\","
                       "\"state\":\"done\",\"sw\":3,\"time\":\"2026-05-04T10:20:01.007Z\"}"));
    }

    // A kill while a line is written leaves half of it: the earlier entries read back, the torn
    // line is counted, and the next entry starts on a line of its own. Malformed lines are
    // skipped the same way.
    void tornAndMalformedLinesAreSkipped_data()
    {
        QTest::addColumn<QByteArray>("junk");
        const QByteArray whole = json(samples()[0]);
        QTest::newRow("torn line") << whole.left(whole.size() / 2);
        QTest::newRow("not JSON") << QByteArray("#?!");
        QTest::newRow("JSON, not an entry") << QByteArray("{\"a\":1}\n");
        QTest::newRow("offset outside the image") << QByteArray(whole).replace("[131,", "[768,") + '\n';
        QTest::newRow("unknown command") << json(samples()[3]).replace("erase errors", "launch") + '\n';
        // Converting 1e300 to an integer before the range check was undefined behaviour.
        QTest::newRow("offset far past any integer") << QByteArray(whole).replace("[131,", "[1e300,") + '\n';
        QTest::newRow("revision below zero") << QByteArray(whole).replace("\"hw\":2", "\"hw\":-1e19") + '\n';
        QTest::newRow("offset with a fraction") << QByteArray(whole).replace("[131,", "[131.5,") + '\n';
    }
    void tornAndMalformedLinesAreSkipped()
    {
        QFETCH(QByteArray, junk);
        JournalFile file(dir.path());
        const std::vector<JournalEntry> in = samples();
        QVERIFY(file.append(in[0]));
        QVERIFY(file.append(in[1]));
        appendRaw(file.partPath(0), junk);
        JournalReadResult r = file.readAll();
        QCOMPARE(r.skippedLines, 1);
        QCOMPARE(actions(r), QStringList({ in[1].action, in[0].action }));
        QVERIFY(file.append(in[2]));
        r = file.readAll();
        QCOMPARE(r.skippedLines, 1);
        QCOMPARE(actions(r), QStringList({ in[2].action, in[1].action, in[0].action }));
    }

    // Appends past the size limit move the parts up; the newest entries stay, in order, and no
    // part grows past the limit or beyond the number kept.
    void rotationKeepsTheNewest()
    {
        const qint64 limit = 400;
        JournalFile file(dir.path(), limit, 2);
        for (int i = 0; i < 40; ++i) {
            JournalEntry e = entry(QStringLiteral("a%1").arg(i), EntryKind::Settings, i % 60);
            e.bytes = { { i, 0, 1 } };
            QVERIFY(file.append(e));
        }
        QVERIFY(QFile::exists(file.partPath(1)));
        QVERIFY(QFile::exists(file.partPath(2)));
        QVERIFY(!QFile::exists(file.partPath(3)));
        for (int part = 0; part <= 2; ++part)
            QVERIFY(QFileInfo(file.partPath(part)).size() <= limit);
        const JournalReadResult r = file.readAll();
        QVERIFY(r.error.isEmpty());
        QVERIFY(r.entries.size() >= 5);
        QVERIFY(r.entries.size() < 40);
        for (std::size_t i = 0; i < r.entries.size(); ++i)
            QCOMPARE(r.entries[i].action, QStringLiteral("a%1").arg(39 - int(i)));
    }

    // A part over the read limit is refused by its size, and one that is not a regular file (a
    // FIFO would block the open until a writer came) before it is opened, each with a message
    // naming it; the other parts are still read.
    void unreadablePartsAreRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("too large") << "large"
                                   << "2000 bytes";
        QTest::newRow("FIFO") << "fifo"
                              << "not a regular file";
        QTest::newRow("folder") << "folder"
                                << "not a regular file";
    }
    void unreadablePartsAreRefused()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        JournalFile file(dir.path(), 400, 2, 1000);
        QVERIFY(file.append(samples()[1]));
        QVERIFY(QFile::rename(file.partPath(0), file.partPath(1)));
        const QByteArray part0 = QFile::encodeName(file.partPath(0));
        if (kind == QLatin1String("large"))
            appendRaw(file.partPath(0), QByteArray(2000, 'x'));
        else if (kind == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(part0.constData(), 0600), 0);
        else
            QVERIFY(QDir().mkdir(file.partPath(0)));
        const JournalReadResult r = file.readAll();
        QVERIFY(r.error.contains(file.partPath(0)));
        QVERIFY2(r.error.contains(message), qPrintable(r.error));
        QCOMPARE(r.skippedLines, 0);
        QCOMPARE(actions(r), QStringList({ samples()[1].action }));
    }

    // An unwritable folder is an error, not a silent loss.
    void unwritableFolderIsAnError()
    {
        appendRaw(dir.filePath(QStringLiteral("plain")), "x");
        JournalFile file(dir.filePath(QStringLiteral("plain/journal")));
        QString error;
        QVERIFY(!file.append(samples()[0], &error));
        QVERIFY(error.contains(QStringLiteral("could not be created")));
    }
};

QTEST_GUILESS_MAIN(TstJournalFile)
#include "tst_journalfile.moc"

// The journal recorder on a scripted line: one entry per outermost action with exactly the bytes
// its frames carried, before and after; a refused frame marks the entry interrupted; frames outside
// any action are entries of their own, commands as events.
#include "JournalRecorder.h"
#include "ScriptedSerial.h"

#include <QtTest>

using namespace kelvane;

namespace {

const std::string Device = "/dev/ttyFAKE1";

QString bytesText(const JournalEntry &e)
{
    QStringList parts;
    for (const TouchedByte &b : e.bytes)
        parts << QStringLiteral("%1:%2>%3").arg(b.offset).arg(b.before).arg(b.after);
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TstJournalRecorder : public QObject {
    Q_OBJECT

    ScriptedSerial line;
    PortMap ports;
    LinkState linkState;
    SerialLink link { line, ports, linkState };
    Commands commands { link };
    ParameterImage image;
    WriteDispatcher writes { commands, image };
    ConnectionState conn;
    std::vector<JournalEntry> entries;
    JournalRecorder recorder { [this](const JournalEntry &e) { entries.push_back(e); }, &conn };

private slots:
    void init()
    {
        line = ScriptedSerial();
        ports = PortMap();
        ports.map(1, Device);
        line.addDevice(Device);
        linkState.PortName = ComPortName(0);
        QVERIFY(link.OpenComPort());
        image = ParameterImage();
        conn = ConnectionState();
        entries.clear();
        recorder.setClassifier({});
        recorder.setClock([] { return QDateTime(QDate(2026, 5, 4), QTime(10, 20, 30, 456), Qt::UTC); });
        writes.addObserver(&recorder);
    }
    void cleanup() { writes.removeObserver(&recorder); }

    // One action with nested scopes is one entry holding every byte its frames carried (both
    // bytes of a word, changed or not), before as at the outer scope's start, after as last sent;
    // an image change that was never sent is not in it.
    void nestedScopesAreOneEntry()
    {
        image.setByte(131, 1);
        image.setByte(541, 0x22);
        image.setByte(23, 5);
        conn.Connected = true;
        conn.SoftwareRevision = 3;
        conn.HardwareRevision = 2;
        {
            const ActionScope outer(writes, "ComboBoxInjTyp");
            image.setByte(131, 2);
            QVERIFY(writes.writeByte(131));
            {
                const ActionScope inner(writes, "cascade");
                image.setByte(540, 0x10);
                QVERIFY(writes.writeWord(270));
                image.setByte(131, 3);
                QVERIFY(writes.writeByte(131));
            }
            ImageBytes scratch = image.bytes;
            scratch[600] = 9; // a plan's step sent from a scratch copy
            QVERIFY(writes.writeFrom(scratch, ImageWrite::byte(600)));
            image.setByte(23, 6); // changed here but never sent
        }
        QCOMPARE(entries.size(), std::size_t(1));
        const JournalEntry &e = entries[0];
        QCOMPARE(e.action, QStringLiteral("ComboBoxInjTyp"));
        QCOMPARE(e.kind, EntryKind::Settings);
        QCOMPARE(e.state, EntryState::Done);
        QVERIFY(e.beforeKnown);
        QCOMPARE(bytesText(e), QStringLiteral("131:1>3 540:0>16 541:34>34 600:0>9"));
        QCOMPARE(e.frames.size(), std::size_t(4));
        QCOMPARE(e.frames[1].type, JournalFrame::Type::Word);
        QCOMPARE(e.frames[1].index, 270);
        QCOMPARE(e.frames[1].value, std::uint16_t(0x2210));
        QCOMPARE(e.softwareRevision, std::uint8_t(3));
        QCOMPARE(e.hardwareRevision, std::uint8_t(2));
        QCOMPARE(e.time.toMSecsSinceEpoch() % 1000, qint64(456));
        QCOMPARE(e.time.timeSpec(), Qt::UTC);
        // An action that sent nothing leaves no entry.
        {
            const ActionScope idle(writes, "idle");
        }
        QCOMPARE(entries.size(), std::size_t(1));
    }

    // A frame the port refused marks the entry interrupted, and the history line says so.
    void refusedFrameInterruptsTheEntry()
    {
        {
            const ActionScope action(writes, "AbNumSpinWzbogacenieGlowne");
            image.setByte(10, 1);
            QVERIFY(writes.writeByte(10));
            link.CloseComPort(linkState.ComHandle);
            image.setByte(11, 1);
            QVERIFY(!writes.writeByte(11));
        }
        QCOMPARE(entries.size(), std::size_t(1));
        QCOMPARE(entries[0].state, EntryState::Interrupted);
        QVERIFY(entries[0].frames[0].accepted);
        QVERIFY(!entries[0].frames[1].accepted);
        QCOMPARE(bytesText(entries[0]), QStringLiteral("10:0>1 11:0>1"));
        QVERIFY(entryText(entries[0]).endsWith(QStringLiteral("AbNumSpinWzbogacenieGlowne  2 bytes  interrupted")));
        QCOMPARE(entries[0].softwareRevision, std::uint8_t(0)); // not connected: not known
    }

    // The kind of each entry: commands outside an action are one event each, a write outside an
    // action is an entry without a known before, the commit makes an upload, the classifier may
    // call an entry a map operation.
    void kindsOfEntries()
    {
        QVERIFY(writes.command(ControllerCommand::EraseErrors));
        QVERIFY(writes.command(ControllerCommand::GasCutOffWord, 0x0003));
        image.setByte(5, 7);
        QVERIFY(writes.writeByte(5));
        {
            const ActionScope upload(writes, "load parameter file");
            image.setWordAt(0, 0xAAAA);
            QVERIFY(writes.writeWord(0));
            QVERIFY(writes.command(ControllerCommand::CommitImage, 0x1234));
        }
        recorder.setClassifier([](const JournalEntry &e) {
            return e.action.startsWith(QLatin1String("map")) ? EntryKind::Map : EntryKind::Settings;
        });
        {
            const ActionScope map(writes, "map +");
            image.setByte(300, 4);
            QVERIFY(writes.writeByte(300));
        }
        {
            const ActionScope mode(writes, "ButtonGas");
            QVERIFY(writes.command(ControllerCommand::ModeGas));
        }
        QCOMPARE(entries.size(), std::size_t(6));
        const struct {
            QString action;
            EntryKind kind;
            bool beforeKnown;
            QString bytes;
        } expected[] = {
            { "erase errors", EntryKind::Event, false, "" },
            { "gas injectors", EntryKind::Event, false, "" },
            { "write outside an action", EntryKind::Settings, false, "5:0>7" },
            { "load parameter file", EntryKind::WholeImage, true, "0:0>170 1:0>170" },
            { "map +", EntryKind::Map, true, "300:0>4" },
            { "ButtonGas", EntryKind::Event, true, "" },
        };
        for (std::size_t i = 0; i < entries.size(); ++i) {
            QCOMPARE(entries[i].action, expected[i].action);
            QCOMPARE(entries[i].kind, expected[i].kind);
            QCOMPARE(entries[i].beforeKnown, expected[i].beforeKnown);
            QCOMPARE(bytesText(entries[i]), expected[i].bytes);
            QCOMPARE(entries[i].state, EntryState::Done);
        }
        QCOMPARE(entries[1].frames[0].command, ControllerCommand::GasCutOffWord);
        QCOMPARE(entries[1].frames[0].value, std::uint16_t(3));
    }
};

QTEST_GUILESS_MAIN(TstJournalRecorder)
#include "tst_journalrecorder.moc"

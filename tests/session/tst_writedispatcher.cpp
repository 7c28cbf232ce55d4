// The write dispatcher on a scripted line: each write and command reaches the observers with its
// value and whether the port took it, in the order of the frames; action scopes fold into the
// outermost, which reports the image before and after.
#include "Protocol.h"
#include "ScriptedSerial.h"
#include "WriteDispatcher.h"

#include <QtTest>

using namespace kelvane;

namespace {

const std::string Device = "/dev/ttyFAKE1";

struct Recorder : WriteObserver {
    QStringList events;
    std::vector<ImageBytes> before, after;
    void actionBegun(const std::string &name, const ImageBytes &b) override
    {
        events << QStringLiteral("begin %1").arg(QString::fromStdString(name));
        before.push_back(b);
    }
    void imageWritten(const SentImageWrite &w, bool accepted) override
    {
        events << QStringLiteral("%1%2=%3%4")
                      .arg(w.write.kind == ImageWrite::Kind::Byte ? 'b' : 'w')
                      .arg(w.write.index)
                      .arg(w.value)
                      .arg(accepted ? "" : " refused");
    }
    void commandSent(ControllerCommand what, std::uint16_t data, bool accepted) override
    {
        events << QStringLiteral("%1(%2)%3")
                      .arg(QString::fromLatin1(commandName(what)))
                      .arg(data)
                      .arg(accepted ? "" : " refused");
    }
    void actionEnded(const ImageBytes &a) override
    {
        events << QStringLiteral("end");
        after.push_back(a);
    }
};

} // namespace

class TstWriteDispatcher : public QObject {
    Q_OBJECT

    ScriptedSerial line;
    PortMap ports;
    LinkState linkState;
    SerialLink link { line, ports, linkState };
    Commands commands { link };
    ParameterImage image;
    WriteDispatcher writes { commands, image };
    Recorder rec;

private slots:
    void init()
    {
        line = ScriptedSerial();
        ports = PortMap();
        ports.map(1, Device);
        line.addDevice(Device);
        linkState.PortName = ComPortName(0);
        QVERIFY(link.OpenComPort());
        line.clearLog();
        image = ParameterImage();
        rec = Recorder();
        writes.addObserver(&rec);
    }
    void cleanup() { writes.removeObserver(&rec); }

    // Frames, values and commands reach the observer in the order they go out; a plan's scratch
    // copy sends its own value; the dword is its two words, low word first.
    void writesAndCommandsInOrder()
    {
        image.setByte(23, 40);
        image.setWordAt(171, 272);
        image.setWordAt(4, 0x1234);
        image.setWordAt(5, 0x5678);
        ImageBytes scratch = image.bytes;
        scratch[25] = 7;
        QVERIFY(writes.writeByte(23));
        QVERIFY(writes.writeWord(171));
        QVERIFY(writes.writeFrom(scratch, ImageWrite::byte(25)));
        QVERIFY(writes.writeDword(8));
        QVERIFY(writes.command(ControllerCommand::ModeGas));
        QVERIFY(writes.command(ControllerCommand::GasCutOffWord, 0x0204));
        QCOMPARE(rec.events,
            QStringList({ "b23=40", "w171=272", "b25=7", "w4=4660", "w5=22136", "mode gas(0)", "gas injectors(516)" }));
        // One frame per event, in the same order.
        QCOMPARE(line.written().size(), std::size_t(7));
        QCOMPARE(line.written()[0].bytes[0], proto::code(proto::Command::ImageByteBase));
        QCOMPARE(line.written()[5].bytes[0], proto::code(proto::Command::ModeGas));
        QCOMPARE(line.written()[6].bytes[0], proto::code(proto::Command::GasCutOff));
    }

    // A port that is closed takes no frames: every write and command is reported as refused.
    void refusedFramesAreReportedAsSuch()
    {
        link.CloseComPort(linkState.ComHandle);
        QVERIFY(!writes.writeWord(0));
        QVERIFY(!writes.command(ControllerCommand::EraseErrors));
        QCOMPARE(rec.events, QStringList({ "w0=0 refused", "erase errors(0) refused" }));
    }

    // Nested scopes fold into the outermost: one begin with the image before anything changed,
    // one end with the image after the last change, even one made after the inner scope ended.
    void nestedScopesFoldIntoTheOutermost()
    {
        image.setByte(23, 1);
        const ImageBytes start = image.bytes;
        {
            const ActionScope outer(writes, "ComboBoxInjTyp");
            image.setByte(131, 2);
            writes.writeByte(131);
            {
                const ActionScope inner(writes, "CheckBoxLevelSensorNegativ");
                QCOMPARE(writes.actionDepth(), 2);
                image.setByte(540, 0x10);
                writes.writeWord(270);
            }
            image.setByte(23, 9);
        }
        QCOMPARE(writes.actionDepth(), 0);
        QCOMPARE(rec.events, QStringList({ "begin ComboBoxInjTyp", "b131=2", "w270=16", "end" }));
        QCOMPARE(rec.before.size(), std::size_t(1));
        QVERIFY(rec.before[0] == start);
        QVERIFY(rec.after[0] == image.bytes);
        QCOMPARE(rec.after[0][23], std::uint8_t(9));
        QCOMPARE(rec.after[0][540], std::uint8_t(0x10));
        // A second action starts again from the image as it is now.
        {
            const ActionScope next(writes, "next");
        }
        QCOMPARE(rec.before.size(), std::size_t(2));
        QVERIFY(rec.before[1] == image.bytes);
    }

    // Observers come and go; one removed hears nothing more.
    void removedObserverHearsNothing()
    {
        Recorder second;
        writes.addObserver(&second);
        writes.addObserver(&second); // once only
        writes.writeByte(1);
        writes.removeObserver(&second);
        writes.writeByte(2);
        QCOMPARE(second.events, QStringList({ "b1=0" }));
        QCOMPARE(rec.events, QStringList({ "b1=0", "b2=0" }));
    }
};

QTEST_GUILESS_MAIN(TstWriteDispatcher)
#include "tst_writedispatcher.moc"

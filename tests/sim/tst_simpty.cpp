// The simulated controller on a real pseudo-terminal, driven through the PC's own link
// code: POSIX serial operations, port map, autoconnect, image read and the live cycle.

#include "../support/Pty.h"
#include "Commands.h"
#include "Connection.h"
#include "LiveRecord.h"
#include "PollingCycle.h"
#include "PosixSerial.h"
#include "PtySimulator.h"

#include <QtTest>

#include <chrono>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace kelvane;
using namespace kelvane::sim;

namespace {

// The real POSIX operations, noting the line speed of every configured opening.
class RecordingSerial : public PosixSerial {
public:
    bool configure(PortHandle h, const LineSettings &s) override
    {
        configured.push_back(s.baud);
        return PosixSerial::configure(h, s);
    }
    std::vector<int> configured;
};

class RecordingView : public ConnectionView {
public:
    void setCaption(const std::string &c) override { caption = c; }
    void showMessage(const std::string &t) override { messages.push_back(t); }
    void setProgress(int position, int) override { progress = position; }
    void showImage() override { ++shown; }
    std::string caption;
    std::vector<std::string> messages;
    int progress = -1;
    int shown = 0;
};

// The PC side with only COM3 mapped, to the simulator's terminal.
struct Pc {
    RecordingSerial serial;
    PortMap ports;
    LinkState ls;
    SerialLink link { serial, ports, ls };
    Commands cmd { link };
    ConnectionState cs;
    TimeBases tb;
    ImageBytes image {};
    RecordingView view;
    Connection conn { cmd, cs, tb, image };
    LiveData live;

    explicit Pc(const std::string &slave) { ports.map(3, slave); }
    // Opens COM3 at one speed without a scan.
    bool openCom3(std::uint8_t baudFlag)
    {
        ls.BaudFlag = baudFlag;
        ls.PortName = ComPortName(2);
        return link.OpenComPort();
    }
    // One polling cycle: request on one 35 ms tick, collect on the next.
    bool pollLive()
    {
        cmd.SendLiveRequest();
        link.sleepMs(35);
        return ReceiveLiveRecord(link, live);
    }
};

bool sameTimeBases(const TimeBases &a, const TimeBases &b)
{
    return a.InjTickMsA == b.InjTickMsA && a.InjTickMsB == b.InjTickMsB && a.RpmTickSec == b.RpmTickSec;
}

std::unique_ptr<PtySimulator> startSim(const SimOptions &o)
{
    auto sim = std::make_unique<PtySimulator>(o);
    std::string error;
    if (!sim->start(&error))
        qWarning("%s", error.c_str());
    return sim;
}

} // namespace

class TestSimPty : public QObject {
    Q_OBJECT
private slots:
    void lineSpeedOfTheSlaveShowsOnTheMasterAndTheSlave();
    void terminalComesWithTheKernelDefaultsAndXonXoffCrossIt();
    void scanFindsCom3At57600OnAttempt5AndReadsTheImage();
    void fiftyLiveRecordsNoneRejected();
    void repliesLeaveAtTheLineSpeed();
    void everyFifthLiveReplyDropped();
    void strayBytesSpoilTheNextReply();
    void hangUpFreezesTheRecordAndClosesCleanly();
    void controllerAt38400FoundOnItsFirstAttemptAndDeafAt57600();
    void reopeningThePortDiscardsBytesAndPartFrameLeftFromBefore();
    void linkPathPointsToTheTerminalWhileRunning();
};

void TestSimPty::lineSpeedOfTheSlaveShowsOnTheMasterAndTheSlave()
{
    const kelvane::test::Pty pty;
    QVERIFY(!pty.slavePath.empty());
    const int master = pty.master;
    const std::string path = pty.slavePath;
    const int ownSlave = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    QVERIFY(ownSlave >= 0);
    PosixSerial pc;
    for (int baud : { 38400, 57600, 38400 }) {
        const PortHandle h = pc.open(path);
        QVERIFY(h != InvalidHandle);
        LineSettings s;
        s.baud = baud;
        QVERIFY(pc.configure(h, s));
        QCOMPARE(PtySimulator::lineSpeedOf(master), baud);
        QCOMPARE(PtySimulator::lineSpeedOf(ownSlave), baud);
        pc.close(h);
        QCOMPARE(PtySimulator::lineSpeedOf(master), baud); // kept while our own descriptor holds the slave
    }
    ::close(ownSlave);
}

void TestSimPty::terminalComesWithTheKernelDefaultsAndXonXoffCrossIt()
{
    auto sim = startSim(SimOptions {});
    QVERIFY(!sim->slavePath().empty());
    // The simulator sets nothing on the terminal: the PC finds it cooked, as a freshly plugged
    // adapter comes (XON/XOFF, CR to NL, echo, line editing, signal characters).
    const int look = ::open(sim->slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    QVERIFY(look >= 0);
    termios t {};
    QCOMPARE(tcgetattr(look, &t), 0);
    ::close(look);
    QVERIFY(t.c_iflag & IXON);
    QVERIFY(t.c_iflag & ICRNL);
    QVERIFY(t.c_oflag & OPOST);
    QVERIFY(t.c_lflag & ICANON);
    QVERIFY(t.c_lflag & ECHO);
    QVERIFY(t.c_lflag & ISIG);
    QCOMPARE(t.c_lflag & EXTPROC, tcflag_t(0));

    // XON and XOFF stored in the controller come back in an image block, and the PC can still
    // send after it has read them.
    Pc pc(sim->slavePath());
    QVERIFY(pc.openCom3(0));
    ImageBytes written = sim->image();
    written[130] = 0x13;
    written[131] = 0x11;
    written[132] = 0x13;
    for (int offset : { 130, 131, 132 })
        pc.cmd.SendImageByte(written.data(), offset);
    std::array<std::uint8_t, 128> block {};
    QVERIFY(pc.cmd.ReadImageBlock(128, block.data(), block.size()));
    QVERIFY(std::equal(block.begin(), block.end(), written.begin() + 128));
    pc.cmd.SendHello();
    QVERIFY(pc.link.ReceiveReply(GreetingLength));
    QVERIFY(greetingValid(pc.ls.RxBuffer.data(), true));
    pc.conn.Disconnect();
}

void TestSimPty::scanFindsCom3At57600OnAttempt5AndReadsTheImage()
{
    auto sim = startSim(SimOptions {});
    QVERIFY(!sim->slavePath().empty());
    Pc pc(sim->slavePath());
    QCOMPARE(pc.conn.autoconnect(pc.view).port, 3);
    // COM1 and COM2 map to nothing (attempts 0-3); COM3 is tried at 38400 (attempt 4), then at 57600 (attempt 5).
    QCOMPARE(pc.serial.configured, (std::vector<int> { 38400, 57600 }));
    QCOMPARE(int(pc.ls.BaudFlag), 0);
    QCOMPARE(sim->lastLineSpeed(), 57600);
    QVERIFY(QString::fromStdString(pc.view.caption).endsWith("COM3"));
    QVERIFY(QString::fromStdString(pc.view.caption).contains("Rev.H 2 Rev.S 3"));
    QVERIFY(pc.view.messages.empty());
    QCOMPARE(int(pc.cs.Connected), 1);
    QVERIFY(sameTimeBases(pc.tb, timeBasesFor(0)));
    QCOMPARE(pc.view.progress, ImageSize);
    QVERIFY(pc.image == sim->image());
    QVERIFY(pc.image == factoryImage(57600));
    pc.conn.Disconnect();
}

void TestSimPty::fiftyLiveRecordsNoneRejected()
{
    auto sim = startSim(SimOptions {});
    Pc pc(sim->slavePath());
    QVERIFY(pc.openCom3(0));
    ParameterImage im;
    im.bytes = sim->image();
    pc.tb = timeBasesFor(0);
    int rejected = 0;
    QSet<int> lambda, presDiff, rpm;
    int previousSlot = -1;
    for (int i = 0; i < 50; ++i) {
        if (!pc.pollLive()) {
            ++rejected;
            continue;
        }
        decodeLiveData(pc.live, im, pc.tb);
        const auto &v = pc.live.LiveValues;
        QVERIFY(v[2] >= 700 && v[2] <= 900); // the first seconds are idle
        QVERIFY(v[26] > 13.6 && v[26] < 14.0);
        QCOMPARE(int(pc.live.u8(rec::SignalFlags)), 0x04);
        // Every record is a new one: the auto-mapping slot steps on by one each time.
        const int slot = pc.live.u16(rec::AutoMapIndexA);
        if (previousSlot >= 0)
            QCOMPARE(slot, previousSlot % 128 + 1);
        previousSlot = slot;
        lambda.insert(pc.live.u16(rec::LambdaRaw));
        presDiff.insert(pc.live.u16(rec::PresDiff));
        rpm.insert(pc.live.u16(rec::RpmPeriod));
    }
    QCOMPARE(rejected, 0);
    QCOMPARE(sim->counters().liveRequests, 50);
    QVERIFY(lambda.size() > 10);
    QVERIFY(presDiff.size() > 10);
    QVERIFY(rpm.size() >= 2);
    pc.conn.Disconnect();
}

void TestSimPty::repliesLeaveAtTheLineSpeed()
{
    auto sim = startSim(SimOptions {});
    Pc pc(sim->slavePath());
    QVERIFY(pc.openCom3(0));
    using Clock = std::chrono::steady_clock;
    const auto t0 = Clock::now();
    pc.cmd.SendLiveRequest();
    std::uint32_t queued = 0;
    while (queued < LiveReplyLength && Clock::now() - t0 < std::chrono::milliseconds(1000)) {
        std::this_thread::sleep_for(std::chrono::microseconds(500));
        queued = pc.serial.queuedBytes(pc.ls.ComHandle);
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    QCOMPARE(queued, LiveReplyLength);
    // 196 bytes of 10 bits at 57600 baud take 34 ms; the last one cannot be there sooner.
    QVERIFY2(ms >= 33.5, qPrintable(QString::number(ms)));
    pc.conn.Disconnect();
}

void TestSimPty::everyFifthLiveReplyDropped()
{
    SimOptions o;
    o.dropEvery = 5;
    auto sim = startSim(o);
    Pc pc(sim->slavePath());
    QVERIFY(pc.openCom3(0));
    QList<int> rejected;
    for (int i = 1; i <= 50; ++i) {
        const auto before = pc.live.Record;
        if (!pc.pollLive()) {
            rejected << i;
            QVERIFY(pc.live.Record == before); // the record keeps the previous cycle's values
        }
    }
    QCOMPARE(rejected, (QList<int> { 5, 10, 15, 20, 25, 30, 35, 40, 45, 50 }));
    QCOMPARE(sim->counters().liveDropped, 10);
    pc.conn.Disconnect();
}

void TestSimPty::strayBytesSpoilTheNextReply()
{
    SimOptions o;
    o.noise = true;
    o.seed = 7;
    auto sim = startSim(o);
    Pc pc(sim->slavePath());
    QVERIFY(pc.openCom3(0));
    int rejected = 0;
    for (int i = 0; i < 30; ++i)
        rejected += !pc.pollLive();
    // Stray bytes after a reply sit in the queue and spoil the reply after it; those after the
    // last reply spoil nothing yet.
    const int events = sim->counters().noiseEvents;
    QVERIFY2(events > 0, "no noise in 30 replies");
    QVERIFY2(rejected == events || rejected == events - 1,
        qPrintable(QStringLiteral("%1 rejected, %2 noise events").arg(rejected).arg(events)));
    pc.conn.Disconnect();
}

void TestSimPty::hangUpFreezesTheRecordAndClosesCleanly()
{
    SimOptions o;
    o.hangupAfterSec = 1;
    auto sim = startSim(o);
    Pc pc(sim->slavePath());
    QVERIFY(pc.openCom3(0));
    int acceptedBefore = 0, pollsAfter = 0, acceptedAfter = 0;
    std::array<std::uint8_t, LiveRecordSize> lastAccepted {};
    for (int i = 0; i < 120 && pollsAfter < 10; ++i) {
        const bool hungUpBefore = sim->hungUp();
        const bool ok = pc.pollLive();
        if (ok)
            lastAccepted = pc.live.Record;
        if (hungUpBefore) {
            ++pollsAfter;
            acceptedAfter += ok;
        } else {
            acceptedBefore += ok;
        }
    }
    QVERIFY(acceptedBefore > 5);
    QCOMPARE(pollsAfter, 10);
    QCOMPARE(acceptedAfter, 0);
    QVERIFY(pc.live.Record == lastAccepted);
    pc.cmd.SendHello(); // writes fail silently
    QVERIFY(!pc.link.ReceiveReply(GreetingLength));
    pc.conn.Disconnect();
    QCOMPARE(int(pc.ls.PortOpen), 0);
    QCOMPARE(pc.ls.ComHandle, InvalidHandle);
    sim->stop();
}

void TestSimPty::controllerAt38400FoundOnItsFirstAttemptAndDeafAt57600()
{
    SimOptions o;
    o.baud = 38400;
    auto sim = startSim(o);
    Pc pc(sim->slavePath());
    QCOMPARE(pc.conn.autoconnect(pc.view).port, 3);
    QCOMPARE(pc.serial.configured, (std::vector<int> { 38400 })); // attempt 4, the first for COM3
    QCOMPARE(int(pc.ls.BaudFlag), 1);
    QVERIFY(sameTimeBases(pc.tb, timeBasesFor(1)));
    QVERIFY(pc.image == sim->image());
    pc.conn.Disconnect();

    QVERIFY(pc.openCom3(0)); // the same port at 57600
    pc.cmd.SendHello();
    QVERIFY(!pc.link.ReceiveReply(GreetingLength));
    QCOMPARE(pc.ls.RxTotal, 0u);
    QCOMPARE(sim->lastLineSpeed(), 57600); // the frame arrived, at the wrong speed
    pc.conn.Disconnect();
}

void TestSimPty::reopeningThePortDiscardsBytesAndPartFrameLeftFromBefore()
{
    auto sim = startSim(SimOptions {});
    Pc pc(sim->slavePath());
    QVERIFY(pc.openCom3(0));
    pc.cmd.SendLiveRequest();
    const std::uint8_t partFrame[] = { 0x01, 0x00, 0x00 }; // the start of a greeting request
    QVERIFY(pc.link.WriteComPort(pc.ls.ComHandle, partFrame, sizeof partFrame));
    pc.conn.Disconnect(); // closed while the reply is on its way
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
    QVERIFY(pc.openCom3(0));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    QCOMPARE(pc.serial.queuedBytes(pc.ls.ComHandle), 0u);
    pc.cmd.SendHello();
    QVERIFY(pc.link.ReceiveReply(GreetingLength));
    QVERIFY(greetingValid(pc.ls.RxBuffer.data(), true));
    QCOMPARE(sim->counters().liveRequests, 1);
    // The reopening (at the same speed, with the same settings) made the controller forget the part
    // frame: the new request was not glued to it.
    QCOMPARE(sim->counters().garbageBytes, 0);
    pc.conn.Disconnect();
}

void TestSimPty::linkPathPointsToTheTerminalWhileRunning()
{
    const QString link
        = QDir::temp().filePath(QStringLiteral("kelvane-sim-test-%1").arg(QCoreApplication::applicationPid()));
    QFile::remove(link);
    SimOptions o;
    o.linkPath = link.toStdString();
    {
        PtySimulator sim(o);
        std::string error;
        QVERIFY(sim.start(&error));
        QCOMPARE(QFileInfo(link).symLinkTarget(), QString::fromStdString(sim.slavePath()));
        Pc pc(link.toStdString());
        QVERIFY(pc.openCom3(0));
        pc.cmd.SendHello();
        QVERIFY(pc.link.ReceiveReply(GreetingLength));
        pc.conn.Disconnect();
    }
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());

    // A path that is a regular file is not replaced.
    QFile file(link);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    PtySimulator sim(o);
    std::string error;
    QVERIFY(!sim.start(&error));
    QVERIFY(!error.empty());
    QVERIFY(QFileInfo(link).isFile());
    QFile::remove(link);
}

QTEST_GUILESS_MAIN(TestSimPty)
#include "tst_simpty.moc"

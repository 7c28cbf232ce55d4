// The link on a real terminal: a pseudo-terminal that comes with the kernel's default settings,
// as a freshly plugged USB adapter does (XON/XOFF, CR to NL, echo, line editing). The PC side is
// the program's own code (PosixSerial, PortMap, SerialLink); the test plays the controller on the
// master side, which sees the bytes exactly as they leave and reach the PC's terminal.

#include "../support/Pty.h"
#include "Link.h"
#include "PortAccess.h"
#include "PortMap.h"
#include "PosixSerial.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

using namespace kelvane;
using kelvane::test::Pty;

namespace {

using Bytes = std::vector<std::uint8_t>;

// The PC side with port 1 mapped to the terminal.
struct Pc {
    PosixSerial serial;
    PortMap ports;
    LinkState ls;
    SerialLink link { serial, ports, ls };

    explicit Pc(const std::string &device)
    {
        ports.map(1, device);
        ls.PortName = ComPortName(0);
    }
    ~Pc()
    {
        if (ls.ComHandle != InvalidHandle)
            link.CloseComPort(ls.ComHandle);
    }
    bool open(std::uint8_t baudFlag)
    {
        ls.BaudFlag = baudFlag;
        return link.OpenComPort();
    }
    bool write(const Bytes &bytes)
    {
        return link.WriteComPort(ls.ComHandle, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    }
    // The reply as the link collects it. On a busy machine the terminal may take a while to pass
    // bytes on, so wait (up to a second) until the expected count is queued before the receive;
    // bytes that never come, or a count held back by the line discipline, still show.
    Bytes receive(std::uint32_t expected)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (serial.queuedBytes(ls.ComHandle) < expected && std::chrono::steady_clock::now() < end)
            serial.sleepMs(1);
        link.ReceiveReply(expected);
        const std::uint32_t n = std::min(ls.RxTotal + ls.RxLastRead, RxBufferSize);
        return Bytes(ls.RxBuffer.begin(), ls.RxBuffer.begin() + n);
    }
};

QString hex(const Bytes &bytes)
{
    QStringList parts;
    for (std::uint8_t b : bytes)
        parts << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0'));
    return parts.join(' ');
}

} // namespace

class TstPosixLine : public QObject {
    Q_OBJECT
private slots:
    void everyByteCrossesIntactAndTheNextRequestStillGoes_data();
    void everyByteCrossesIntactAndTheNextRequestStillGoes();
    void openLeavesTheLineRaw_data();
    void openLeavesTheLineRaw();
    void configureRefusesAnUnknownSpeed_data();
    void configureRefusesAnUnknownSpeed();
    void portStaysClearOfStandardDescriptors();
    void whyADeviceCannotBeUsed();
    void aDeviceTheUserMayNotOpenNamesItsGroup();
};

void TstPosixLine::everyByteCrossesIntactAndTheNextRequestStillGoes_data()
{
    QTest::addColumn<QByteArray>("data");
    // Each value alone between ordinary bytes, so that one that is eaten, changed, doubled or held
    // back shows by itself: among them XON 0x11, XOFF 0x13, CR, LF, the signal characters 0x03,
    // 0x1A, 0x1C, erase 0x7F, end of file 0x04, literal-next 0x16 and 0xFF, which parity
    // marking doubles.
    for (int b = 0; b <= 0xFF; ++b) {
        const char c = static_cast<char>(b);
        QTest::addRow("0x%02X", b) << QByteArray("\x55") + c + '\xAA' + c + c;
    }
    QByteArray all;
    for (int b = 0; b <= 0xFF; ++b)
        all += static_cast<char>(b);
    QTest::newRow("0x00-0xFF in one block") << all;
    std::reverse(all.begin(), all.end());
    QTest::newRow("0xFF-0x00 in one block") << all;
}

void TstPosixLine::everyByteCrossesIntactAndTheNextRequestStillGoes()
{
    QFETCH(QByteArray, data);
    const Bytes bytes(data.begin(), data.end());
    const Bytes request { 0x01, 0x00, 0x00, 0x00, 0xAB, 0xF0 };
    Pty pty;
    QVERIFY(!pty.slavePath.empty());
    Pc pc(pty.slavePath);
    QVERIFY(pc.open(0));

    // PC to controller.
    QVERIFY(pc.write(bytes));
    QCOMPARE(hex(pty.receive(bytes.size())), hex(bytes));

    // Controller to PC, and nothing comes back to the controller (no echo).
    QVERIFY(pty.send(bytes));
    QCOMPARE(hex(pc.receive(static_cast<std::uint32_t>(bytes.size()))), hex(bytes));
    QVERIFY(pc.ls.ReplyComplete);
    QCOMPARE(hex(pty.receive(0, 0)), QString());

    // The next request still leaves the PC: a reply byte never stops the PC's output.
    QVERIFY(pc.write(request));
    QCOMPARE(hex(pty.receive(request.size())), hex(request));
}

void TstPosixLine::openLeavesTheLineRaw_data()
{
    QTest::addColumn<int>("baudFlag");
    QTest::addColumn<int>("speed");
    QTest::newRow("BaudFlag 1: 38400") << 1 << int(B38400);
    QTest::newRow("BaudFlag 0: 57600") << 0 << int(B57600);
}

void TstPosixLine::openLeavesTheLineRaw()
{
    QFETCH(int, baudFlag);
    QFETCH(int, speed);
    Pty pty;
    QVERIFY(!pty.slavePath.empty());
    // The terminal starts out cooked, as an adapter does when plugged in.
    const termios before = pty.pcSettings();
    QVERIFY(before.c_iflag & IXON);
    QVERIFY(before.c_iflag & ICRNL);
    QVERIFY(before.c_lflag & ICANON);
    QVERIFY(before.c_lflag & ECHO);
    QVERIFY(before.c_oflag & OPOST);

    Pc pc(pty.slavePath);
    QVERIFY(pc.open(static_cast<std::uint8_t>(baudFlag)));
    termios t {};
    QCOMPARE(tcgetattr(static_cast<int>(pc.ls.ComHandle), &t), 0);
    const tcflag_t input = IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP | PARMRK | INPCK | IMAXBEL;
    const tcflag_t local = ICANON | ECHO | ECHOE | ECHOK | ECHONL | ISIG | IEXTEN;
    QCOMPARE(t.c_iflag & input, tcflag_t(0));
    QCOMPARE(t.c_lflag & local, tcflag_t(0));
    QCOMPARE(t.c_oflag & (OPOST | ONLCR), tcflag_t(0));
    QCOMPARE(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));
    QCOMPARE(t.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
    QCOMPARE(int(t.c_cc[VMIN]), 0);
    QCOMPARE(int(t.c_cc[VTIME]), 0);
    QCOMPARE(int(cfgetospeed(&t)), speed);
    QCOMPARE(int(cfgetispeed(&t)), speed);
}

void TstPosixLine::configureRefusesAnUnknownSpeed_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<bool>("known");
    QTest::addColumn<int>("speed");
    QTest::newRow("9600") << 9600 << true << int(B9600);
    QTest::newRow("19200") << 19200 << true << int(B19200);
    QTest::newRow("38400") << 38400 << true << int(B38400);
    QTest::newRow("57600") << 57600 << true << int(B57600);
    QTest::newRow("115200") << 115200 << true << int(B115200);
    QTest::newRow("56000 (no terminal speed)") << 56000 << false << 0;
    QTest::newRow("12345") << 12345 << false << 0;
    QTest::newRow("0") << 0 << false << 0;
    QTest::newRow("-1") << -1 << false << 0;
}

void TstPosixLine::configureRefusesAnUnknownSpeed()
{
    QFETCH(int, baud);
    QFETCH(bool, known);
    QFETCH(int, speed);
    Pty pty;
    QVERIFY(!pty.slavePath.empty());
    PosixSerial serial;
    const PortHandle h = serial.open(pty.slavePath);
    QVERIFY(h != InvalidHandle);
    const termios before = pty.pcSettings();
    LineSettings s;
    s.baud = baud;
    QCOMPARE(serial.configure(h, s), known);
    const termios after = pty.pcSettings();
    if (known) {
        QCOMPARE(int(cfgetospeed(&after)), speed);
        QCOMPARE(int(cfgetispeed(&after)), speed);
    } else {
        // Refused before anything changed: no silent fallback to another speed.
        QCOMPARE(int(cfgetospeed(&after)), int(cfgetospeed(&before)));
        QCOMPARE(after.c_lflag, before.c_lflag);
    }
    serial.close(h);
}

void TstPosixLine::portStaysClearOfStandardDescriptors()
{
    // Started with standard input, output and error closed, the next descriptor opened is 0.
    // Put them aside (nothing may print meanwhile), open the port, then put them back.
    Pty pty;
    QVERIFY(!pty.slavePath.empty());
    Pc pc(pty.slavePath);
    std::fflush(stdout);
    std::fflush(stderr);
    int saved[3];
    for (int fd = 0; fd < 3; ++fd) {
        saved[fd] = fcntl(fd, F_DUPFD_CLOEXEC, 10);
        ::close(fd);
    }
    const bool opened = pc.open(0);
    bool lowStillFree = true;
    for (int fd = 0; fd < 3; ++fd)
        lowStillFree = lowStillFree && fcntl(fd, F_GETFD) == -1;
    for (int fd = 0; fd < 3; ++fd) {
        if (saved[fd] >= 0) {
            dup2(saved[fd], fd);
            ::close(saved[fd]);
        }
    }
    QVERIFY(opened);
    QVERIFY2(pc.ls.ComHandle > 2, qPrintable(QString::number(pc.ls.ComHandle)));
    QVERIFY(lowStillFree);
    // The port behind the moved descriptor is the terminal, configured and working.
    termios t {};
    QCOMPARE(tcgetattr(static_cast<int>(pc.ls.ComHandle), &t), 0);
    QCOMPARE(t.c_iflag & IXON, tcflag_t(0));
    const Bytes request { 0x01, 0x13, 0x0D, 0xFF, 0xAB, 0xF0 };
    QVERIFY(pc.write(request));
    QCOMPARE(hex(pty.receive(request.size())), hex(request));
}

// The reasons kelvane-cli prints for the devices no controller answered on.
void TstPosixLine::whyADeviceCannotBeUsed()
{
    QTemporaryDir dir;
    const std::string plain = dir.filePath(QStringLiteral("plain")).toStdString();
    QFile f(QString::fromStdString(plain));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    Pty pty;
    QVERIFY(!pty.slavePath.empty());
    QCOMPARE(portProblem(dir.filePath(QStringLiteral("gone")).toStdString()), std::string("No such file or directory"));
    QCOMPARE(portProblem(plain), std::string("not a terminal"));
    QCOMPARE(portProblem(pty.slavePath), std::string());
    QCOMPARE(portAccessProblem(pty.slavePath), std::string());
    QCOMPARE(PosixSerial().accessProblem(plain), std::string());
}

// "Permission denied" alone tells a fitter nothing: the advice names the device, the group that owns
// it and the command that joins it.
void TstPosixLine::aDeviceTheUserMayNotOpenNamesItsGroup()
{
    const std::string advice = permissionAdvice("/dev/ttyUSB0", "dialout");
    QCOMPARE(advice,
        std::string("You may not open /dev/ttyUSB0: it belongs to the group \"dialout\". Join that group with\n"
                    "    sudo usermod -aG dialout $USER\n"
                    "then log out and in again (the new group counts from the next log-in)."));

    if (geteuid() == 0)
        QSKIP("root may open any device: the check against a real node needs an ordinary user");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ttyLOCKED"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QVERIFY(::chmod(path.toLocal8Bit().constData(), 0) == 0);
    struct stat st { };
    QVERIFY(::stat(path.toLocal8Bit().constData(), &st) == 0);
    const group *g = getgrgid(st.st_gid);
    const std::string groupName = g ? g->gr_name : std::to_string(st.st_gid);
    const std::string expected = permissionAdvice(path.toStdString(), groupName);
    QCOMPARE(portAccessProblem(path.toStdString()), expected);
    QCOMPARE(portProblem(path.toStdString()), expected);
    QCOMPARE(PosixSerial().accessProblem(path.toStdString()), expected);
}

QTEST_GUILESS_MAIN(TstPosixLine)
#include "tst_posixline.moc"

// Whole-image uploads on a scripted line: "load to ECU" and "RESET ECU" with their restore points,
// the frames they send, their failures; and saving parameter files.
#include "../support/FakeEcu.h"
#include "ControllerSession.h"
#include "Conversions.h"
#include "ImageUpload.h"
#include "ParameterFile.h"
#include "ScriptedSerial.h"

#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <memory>

using namespace kelvane;

namespace {

const std::string Device = "/dev/ttyFAKE1";
const QDateTime RestoreTime(QDate(2026, 12, 10), QTime(14, 3, 27));

struct RecordingView : UploadView {
    std::vector<std::pair<int, int>> progress;
    int steps = 0, finished = 0, showImageCalls = 0;
    std::vector<std::string> messages;
    std::function<void(int, int)> onProgress;
    std::function<void()> onShowImage;
    std::function<bool()> stop;
    void setProgress(int p, int m) override
    {
        progress.emplace_back(p, m);
        if (onProgress)
            onProgress(p, m);
    }
    void stepProgress() override { ++steps; }
    void finishProgress() override { ++finished; }
    void showMessage(const std::string &t) override { messages.push_back(t); }
    void showImage() override
    {
        ++showImageCalls;
        if (onShowImage)
            onShowImage();
    }
    bool cancelled() const override { return stop && stop(); }
};

struct WordWrite {
    int index;
    int value;
    bool operator==(const WordWrite &o) const { return index == o.index && value == o.value; }
};

bool isWordWrite(const std::vector<std::uint8_t> &w)
{
    const auto f = parseWriteFrame(w);
    return f && f->word;
}

ImageBytes pattern(int mul, int add)
{
    ImageBytes b {};
    for (int i = 0; i < ImageSize; ++i)
        b[std::size_t(i)] = std::uint8_t(i * mul + add);
    return b;
}

// Reads a whole file (for the comparisons of the tests only).
QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray bytesOf(const ImageBytes &b)
{
    return QByteArray(reinterpret_cast<const char *>(b.data()), ImageSize);
}

// Bytes read by this process so far (read(2) and friends).
qint64 bytesReadByProcess()
{
    QFile io("/proc/self/io");
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : io.readAll().split('\n'))
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    return -1;
}

// The image the reset must leave, written from the factory table: bytes 0-383 start from zero,
// bytes 384-767 keep `before` unless a default sets them.
ImageBytes expectedDefaults(const ImageBytes &before, bool slow, std::uint32_t petrol, std::uint32_t gas)
{
    ImageBytes e = before;
    for (int i = 0; i < 384; ++i)
        e[std::size_t(i)] = 0;
    e[133] = before[133]; // InjNum kept
    auto b = [&](int off, std::vector<int> v) {
        for (int x : v)
            e[std::size_t(off++)] = std::uint8_t(x & 0xFF);
    };
    auto w = [&](int off, std::vector<int> v) {
        for (int x : v) {
            e[std::size_t(off)] = std::uint8_t(x & 0xFF);
            e[std::size_t(off + 1)] = std::uint8_t((x >> 8) & 0xFF);
            off += 2;
        }
    };
    auto pick = [&](std::vector<int> at57600, std::vector<int> at38400) { return slow ? at38400 : at57600; };
    auto bit = [&](int off, int n, bool on) {
        e[std::size_t(off)] = std::uint8_t(on ? e[std::size_t(off)] | (1 << n) : e[std::size_t(off)] & ~(1 << n));
    };

    w(8, { 0, 0 });
    w(12, { int(petrol & 0xFFFF), int(petrol >> 16) });
    w(16, { int(gas & 0xFFFF), int(gas >> 16) });
    b(20, { 0, -10, -20 });
    b(23, { 40, 25, 39, 0 });
    b(27, { 0, 10, 20, 30, 40, 50, 0, 0, 0, 0, 0, 0, 0, 10, 20, 30, 40, 50, 0, 0, 0, 0, 0, 0 });
    // 48 bytes of 10 ticks.
    b(76,
        pick({ -4, -4, -3, 0, 0, 0, 0, 0, 0, 0, 0, 2, 4, 6, 9, 13, 18, 22, 27, 31, 40, 50, 54, 68, -11, -9, -6, -6, -4,
                 -4, -2, -2, 0, 0, 2, 4, 6, 9, 11, 13, 15, 18, 20, 22, 25, 27, 29, 31 },
            { -4, -4, -3, 0, 0, 0, 0, 0, 0, 0, 0, 2, 4, 7, 9, 14, 19, 24, 29, 34, 44, 54, 59, 73, -12, -9, -7, -7, -4,
                -4, -2, -2, 0, 0, 2, 4, 7, 9, 12, 14, 17, 19, 22, 24, 27, 29, 32, 34 }));
    b(125, { 0, 4, 4, 3, 6, 0, 0, 20 });
    w(134, { 120 });
    b(136, { 0, -38, 1, 0, 0, 0, 1, 1, 7, 15, 255, 5, 1, 0, 0, 1, 2, 3, 4, 5, 6, 7, 15 });
    const int mainMap[16][8] = {
        { 15, 14, 13, 12, 12, 12, 13, 14 },
        { 15, 14, 14, 14, 13, 12, 14, 14 },
        { 15, 15, 15, 16, 14, 13, 13, 13 },
        { 15, 14, 15, 17, 15, 14, 13, 12 },
        { 14, 14, 16, 18, 16, 15, 13, 12 },
        { 13, 15, 17, 19, 17, 16, 13, 12 },
        { 12, 16, 18, 20, 18, 16, 13, 12 },
        { 10, 13, 17, 18, 17, 17, 14, 11 },
        { 7, 10, 14, 16, 15, 15, 13, 9 },
        { 5, 8, 12, 14, 13, 12, 10, 7 },
        { 3, 7, 10, 11, 10, 9, 8, 5 },
        { 2, 5, 8, 9, 8, 7, 5, 3 },
        { 1, 3, 5, 6, 5, 4, 3, 2 },
        { -1, 2, 2, 3, 2, 2, 1, 1 },
        { -2, 1, 1, 1, 1, 1, 1, 2 },
        { -3, 0, 0, 0, 0, 0, 1, 2 },
    };
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 8; ++c)
            e[std::size_t(167 + 8 * r + c)] = std::uint8_t(mainMap[r][c] + 100);
    for (int i = 0; i < 16; ++i)
        e[std::size_t(295 + i)] = 100;
    w(314, { 68, 0, 0, 0, 130, -40, 0, 0, 0, 0, 0, 30, 50, 1000, 227, 19 });
    w(346,
        pick({ 954, 20, 79, 600, 2800, 1024, 1024, 181, 18433 }, { 1035, 20, 86, 600, 2800, 1024, 1024, 197, 20000 }));
    w(364, { 0, 0, 500, 30, 1010, 100, 300, 400, 750, 25 });
    w(384, { 11363, 50 });
    w(390, pick({ 11363, 50, 5000, 318, 0 }, { 12329, 50, 5000, 345, 0 }));
    w(402, pick({ 2727, 454, 23041, 681 }, { 2959, 493, 25000, 739 }));
    w(410, { 50, 250, 40, 5, 4000, 5, 4090, 400, 3500 });
    b(432, { 128 });
    w(438, { 40 });
    w(442, { 20 });
    w(468, { 400, 2800 });
    w(476, { 10 });
    // The rpm axis for "1 coil" with the "0-14V" signal; then the injection-time axis, 1 to 16 ms.
    w(490,
        pick({ 27649, 18433, 13824, 9216, 6912, 5529, 4608, 3949 },
            { 30000, 20000, 15000, 10000, 7500, 6000, 5000, 4285 }));
    w(506,
        pick({ 227, 454, 681, 909, 1136, 1363, 1590, 1818, 2045, 2272, 2500, 2727, 2954, 3181, 3409, 3636 },
            { 246, 493, 739, 986, 1232, 1479, 1726, 1972, 2219, 2465, 2712, 2959, 3205, 3452, 3698, 3945 }));
    w(538, { 0 });
    for (auto [off, n, on] :
        { std::tuple { 540, 2, false }, { 540, 4, true }, { 540, 5, true }, { 540, 6, false }, { 541, 0, false },
            { 541, 2, false }, { 541, 3, true }, { 541, 4, true }, { 542, 4, false }, { 543, 1, false },
            { 543, 2, false }, { 543, 5, false }, { 543, 7, true }, { 544, 0, false }, { 544, 3, false },
            { 544, 5, false }, { 545, 0, true }, { 545, 1, false }, { 545, 3, false }, { 548, 0, true },
            { 548, 1, true }, { 548, 2, true }, { 548, 5, false }, { 548, 7, false }, { 549, 0, false },
            { 549, 1, false }, { 549, 2, false }, { 553, 0, true }, { 553, 1, true }, { 553, 3, false } })
        bit(off, n, on);
    w(546, { 65535 });
    w(550, { 0 });
    b(552, { 0x7B });
    w(554, { 280, 290, 450, 500, 600, 800, 1000, 1400 });
    b(570,
        pick({ -2, 4, 13, 18, 22, 27, 31, 34, 0, 0, 0, 2, 4, 2, 0, 0, 9, 6, 4, 2, 0, 0, 0, 0 },
            { -2, 4, 14, 19, 24, 29, 34, 36, 0, 0, 0, 2, 4, 2, 0, 0, 9, 7, 4, 2, 0, 0, 0, 0 }));
    w(594, { 700, 1000, 1400, 1800, 2200, 2600, 3000, 3400 });
    b(610,
        pick({ 3, 3, 3, 3, 3, 2, 0, 0, 0, 0, 0, 0, 34, 40, 54, 65, 0, 1, 2, 4, 9, 11, 9, 4 },
            { 3, 3, 3, 3, 3, 2, 0, 0, 0, 0, 0, 0, 36, 44, 59, 71, 0, 1, 2, 4, 9, 12, 9, 4 }));
    w(634, pick({ 227, 1136, 2272, 2727, 2954, 3181, 3409, 3636 }, { 246, 1232, 2465, 2959, 3205, 3452, 3698, 3945 }));
    b(650,
        pick({ 5, 4, 3, 2, 1, 0, -1, -2, 0, 0, 0, -1, -2, -3, -4, -6, 0, 0, 0, -1, -2, -3, -4, -6 },
            { 5, 4, 3, 2, 1, 0, -1, -2, 0, 0, 0, -1, -2, -3, -4, -7, 0, 0, 0, -1, -2, -3, -4, -6 }));
    w(674, { 1000, 1800, 2200, 2600, 2800, 3000, 3200, 3400 });
    b(690,
        pick({ 0, 4, 6, 9, 11, 13, 15, 18, 0, 0, 0, 0, 0, 0, 0, 0, 0, -2, -6, -11, -15, -20, -22, -27 },
            { 0, 4, 7, 9, 12, 14, 17, 19, 0, 0, 0, 0, 0, 0, 0, 0, 0, -2, -7, -12, -17, -22, -24, -29 }));
    w(714, { 3 });
    // HeatLow2Rpm is kept, but a second low pulse that is on gets its 1200 rpm for "1 coil", "0-14V".
    const int heatLow2 = before[716] | (before[717] << 8);
    if (heatLow2 != 0 && heatLow2 != 65500)
        w(716, pick({ 23041 }, { 25000 }));
    w(718, pick({ 409, 100, 40, 2500, 1024 }, { 443, 100, 40, 2500, 1024 }));
    return e;
}

} // namespace

class TstUpload : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedSerial> line;
    std::unique_ptr<ControllerSession> session;
    std::unique_ptr<test::FakeEcu> ecu;
    std::unique_ptr<QTemporaryDir> start;
    RecordingView view;
    // Restore points in the start directory when the first image write went out; -1 before it.
    int restorePointsAtFirstWrite = -1;

    QString backupDir() const { return start->filePath("parametry/backup"); }
    QStringList restorePoints() const { return QDir(backupDir()).entryList(QDir::Files); }

    // A controller on COM1 at `baud`, connected, its image read; the line's log cleared.
    void connectTo(int baud, const ImageBytes &image)
    {
        ecu->baud = baud;
        ecu->image = image;
        QCOMPARE(int(session->connection.autoconnect(nullConnectionView()).result), int(ScanResult::Found));
        line->clearLog();
        ecu->frames.clear();
    }
    static ConnectionView &nullConnectionView()
    {
        struct Null : ConnectionView {
            void setCaption(const std::string &) override { }
            void showMessage(const std::string &) override { }
            void setProgress(int, int) override { }
            void showImage() override { }
        };
        static Null v;
        return v;
    }
    UploadOptions options() const
    {
        UploadOptions o;
        o.startDirectory = start->path();
        o.now = RestoreTime;
        return o;
    }
    QString writeFile(const QString &name, const QByteArray &data)
    {
        QFile f(start->filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
            return QString();
        return f.fileName();
    }
    std::vector<WordWrite> wordWrites() const
    {
        std::vector<WordWrite> out;
        for (const auto &w : line->written())
            if (isWordWrite(w.bytes))
                out.push_back({ parseWriteFrame(w.bytes)->index, parseWriteFrame(w.bytes)->value });
        return out;
    }
    // The image the first 384 word writes carried.
    ImageBytes uploadedImage() const
    {
        ImageBytes img {};
        const auto writes = wordWrites();
        for (std::size_t i = 0; i < writes.size() && i < 384; ++i) {
            img[std::size_t(2 * writes[i].index)] = std::uint8_t(writes[i].value & 0xFF);
            img[std::size_t(2 * writes[i].index + 1)] = std::uint8_t(writes[i].value >> 8);
        }
        return img;
    }
    // The upload's frames: the 384 words in ascending order carrying `image` (its own word 0 first),
    // word 0 again as 0xAAAA, the commit with data 0, and nothing after it.
    void checkUploadFrames(const ImageBytes &image)
    {
        const auto writes = wordWrites();
        QCOMPARE(writes.size(), std::size_t(385));
        for (int w = 0; w < 384; ++w)
            QCOMPARE(writes[std::size_t(w)],
                (WordWrite { w, image[std::size_t(2 * w)] | (image[std::size_t(2 * w + 1)] << 8) }));
        QCOMPARE(writes[384], (WordWrite { 0, 0xAAAA }));
        const auto &last = line->written().back().bytes;
        QCOMPARE(last, (std::vector<std::uint8_t> { 0x45, 0x00, 0x00, 0x00, 0xEF, 0xF0 }));
        QCOMPARE(ecu->commits, 1);
    }
    void setLiveWorkTimes(std::uint32_t petrol, std::uint32_t gas)
    {
        for (int k = 0; k < 4; ++k) {
            ecu->live[std::size_t(176 + k)] = std::uint8_t(petrol >> (8 * k));
            ecu->live[std::size_t(180 + k)] = std::uint8_t(gas >> (8 * k));
        }
    }

private slots:
    void init()
    {
        session.reset();
        line = std::make_unique<ScriptedSerial>();
        session = std::make_unique<ControllerSession>(*line);
        ecu = std::make_unique<test::FakeEcu>();
        ecu->applyWrites = true;
        start = std::make_unique<QTemporaryDir>();
        QVERIFY(start->isValid());
        view = RecordingView();
        restorePointsAtFirstWrite = -1;
        session->ports.map(1, Device);
        line->addDevice(Device, [this, inner = ecu->responder()](const std::vector<std::uint8_t> &w, int baud) {
            if (isWordWrite(w) && restorePointsAtFirstWrite < 0)
                restorePointsAtFirstWrite = int(restorePoints().size());
            return inner(w, baud);
        });
    }

    void loadUploadsTheFile_data()
    {
        QTest::addColumn<int>("length");
        QTest::newRow("100 bytes: image bytes 0-99 replaced") << 100;
        QTest::newRow("768 bytes") << 768;
        QTest::newRow("1000 bytes: the first 768 used") << 1000;
    }
    void loadUploadsTheFile()
    {
        QFETCH(int, length);
        const ImageBytes before = pattern(13, 1);
        connectTo(57600, before);
        QByteArray file(length, 0);
        for (int i = 0; i < length; ++i)
            file[i] = char(i * 7 + 3); // word 0 of the file is 0x0A03
        const QString path = writeFile("car.kvset", file);
        QVERIFY(!path.isEmpty());
        ImageBytes want = before;
        for (int i = 0; i < std::min(length, 768); ++i)
            want[std::size_t(i)] = std::uint8_t(file[i]);

        std::vector<int> pollingDuring;
        view.onProgress = [&](int, int) { pollingDuring.push_back(session->conn.PollingEnabled); };
        const UploadResult r = loadParameterFile(*session, path, options(), view);

        QVERIFY2(r.ok(), r.message.c_str());
        QCOMPARE(r.wordsSent, 384);
        QVERIFY(r.committed);
        QCOMPARE(r.warning.empty(), length == 768);
        checkUploadFrames(want);
        // The restore point holds the controller's image as it was, and existed before the first write.
        QCOMPARE(restorePointsAtFirstWrite, 1);
        QCOMPARE(r.restorePoint, backupDir() + "/2026-12-10_14-03-27_before-load.kvset");
        QCOMPARE(contents(r.restorePoint), bytesOf(before));
        // The controller and the PC hold the file, word 0 as the marker.
        want[0] = 0xAA;
        want[1] = 0xAA;
        QVERIFY(ecu->image == want);
        QVERIFY(session->image.bytes == want);
        // Polling was off for the upload and is on again; the bar went 0-768, then 0-384, then to its end.
        QVERIFY(!pollingDuring.empty());
        QVERIFY(std::all_of(pollingDuring.begin(), pollingDuring.end(), [](int p) { return p == 0; }));
        QCOMPARE(session->conn.PollingEnabled, std::uint8_t(1));
        QCOMPARE(view.progress.front(), std::make_pair(0, 768));
        QCOMPARE(view.progress.back(), std::make_pair(384, 384));
        QCOMPARE(view.finished, 1);
        QCOMPARE(view.showImageCalls, 1);
        QVERIFY(view.messages.empty());
    }

    void aHugeFileIsReadOnlyAsFarAsTheImage()
    {
        connectTo(57600, pattern(3, 5));
        QFile big(start->filePath("huge.kvset"));
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize(qint64(2) << 30)); // 2 GB, sparse
        big.close();
        const qint64 readBefore = bytesReadByProcess();
        const UploadResult r = loadParameterFile(*session, big.fileName(), options(), view);
        const qint64 read = bytesReadByProcess() - readBefore;
        QVERIFY2(r.ok(), r.message.c_str());
        QVERIFY2(read >= 0 && read < (1 << 20), qPrintable(QString::number(read)));
        QVERIFY(QString::fromStdString(r.warning).contains("2147483648 bytes"));
        QCOMPARE(uploadedImage(), ImageBytes {});
    }

    void aSecondRestorePointInTheSameSecondGetsItsOwnName()
    {
        connectTo(57600, pattern(5, 9));
        const QString path = writeFile("car.kvset", QByteArray(768, 1));
        QVERIFY(loadParameterFile(*session, path, options(), view).ok());
        const UploadResult second = loadParameterFile(*session, path, options(), view);
        QVERIFY(second.ok());
        QCOMPARE(second.restorePoint, backupDir() + "/2026-12-10_14-03-27_before-load_2.kvset");
        QCOMPARE(restorePoints().size(), 2);
        // The second one holds what the first load left in the controller.
        QByteArray afterFirst(768, 1);
        afterFirst[0] = afterFirst[1] = char(0xAA);
        QCOMPARE(contents(second.restorePoint), afterFirst);
    }

    // Load chosen while polling: the live reply the cycle asked for is on the line when the upload
    // starts. It must not spoil the first image block of the restore point.
    void aPendingLiveReplyIsDropped()
    {
        const ImageBytes before = pattern(41, 6);
        connectTo(57600, before);
        struct : PollingView {
            void showNotConnected() override { }
            void showDecoded(const DecodeResult &) override { }
        } polling;
        session->polling.tick(polling); // the live request goes out; its reply arrives during the pause
        QCOMPARE(session->polling.PollPhase, std::uint8_t(1));
        const QString path = writeFile("car.kvset", QByteArray(768, 3));
        const UploadResult r = loadParameterFile(*session, path, options(), view);
        QVERIFY2(r.ok(), r.message.c_str());
        QCOMPARE(contents(r.restorePoint), bytesOf(before));
        const auto blockReads = std::count_if(
            ecu->frames.begin(), ecu->frames.end(), [](const auto &f) { return f[0] == 0xAA && f[1] == 0x01; });
        QCOMPARE(blockReads, 12L); // no block had to be read twice
        // The cycle starts again with a new request.
        QCOMPARE(session->polling.PollPhase, std::uint8_t(0));
        QCOMPARE(session->conn.PollingEnabled, std::uint8_t(1));
    }

    void loadWithoutAController()
    {
        const QString path = writeFile("car.kvset", QByteArray(768, 9));
        const UploadResult r = loadParameterFile(*session, path, options(), view);
        QCOMPARE(int(r.status), int(UploadStatus::NotConnected));
        QVERIFY(line->written().empty());
        QVERIFY(r.restorePoint.isEmpty());
        QVERIFY(!QDir(backupDir()).exists());
        // The image takes the file and is shown; the bar steps 384 times; "no connection".
        QCOMPARE(session->image.bytes[500], std::uint8_t(9));
        QCOMPARE(session->image.wordAt(0), std::uint16_t(0xAAAA));
        QCOMPARE(view.steps, 384);
        QCOMPARE(view.messages, std::vector<std::string> { "no connection" });
        QCOMPARE(view.showImageCalls, 1);
    }

    void aFileThatCannotBeReadChangesNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing") << "missing.kvset";
        QTest::newRow("a directory") << "adir";
        QTest::newRow("a FIFO") << "fifo";
    }
    void aFileThatCannotBeReadChangesNothing()
    {
        QFETCH(QString, name);
        QVERIFY(QDir(start->path()).mkdir("adir"));
        QVERIFY(::mkfifo(QFile::encodeName(start->filePath("fifo")).constData(), 0600) == 0);
        const ImageBytes before = pattern(11, 2);
        connectTo(57600, before);
        const UploadResult r = loadParameterFile(*session, start->filePath(name), options(), view);
        QCOMPARE(int(r.status), int(UploadStatus::FileError));
        QVERIFY(QString::fromStdString(r.message).contains(name));
        QVERIFY(line->written().empty());
        QVERIFY(session->image.bytes == before);
        QCOMPARE(session->conn.PollingEnabled, std::uint8_t(1));
        QCOMPARE(view.showImageCalls, 0);
    }

    // Without a restore point the upload does not start: nothing is sent and the image stays.
    void noRestorePointNoUpload_data()
    {
        QTest::addColumn<bool>("folderBlocked");
        QTest::addColumn<QString>("why");
        QTest::newRow("'parametry' is a file") << true << "Cannot create the folder";
        QTest::newRow("an image block never comes") << false << "block at byte 320";
    }
    void noRestorePointNoUpload()
    {
        QFETCH(bool, folderBlocked);
        QFETCH(QString, why);
        const ImageBytes before = pattern(17, 4);
        connectTo(57600, before);
        if (folderBlocked)
            QVERIFY(!writeFile("parametry", "not a folder").isEmpty());
        else
            ecu->corruptBlocks = { 320 };
        const QString path = writeFile("car.kvset", QByteArray(768, 1));
        for (bool reset : { false, true }) {
            line->clearLog();
            const UploadResult r = reset ? resetToDefaults(*session, options(), view)
                                         : loadParameterFile(*session, path, options(), view);
            QCOMPARE(int(r.status), int(UploadStatus::RestorePointFailed));
            QVERIFY2(QString::fromStdString(r.message).contains(why), r.message.c_str());
            QVERIFY(wordWrites().empty());
            QCOMPARE(ecu->commits, 0);
            QVERIFY(session->image.bytes == before);
            QCOMPARE(session->conn.PollingEnabled, std::uint8_t(1));
        }
    }

    // A port that stops taking frames: the upload stops, sends neither marker nor commit and says so.
    void failedSendsAreReported_data()
    {
        QTest::addColumn<int>("goneAfterWords"); // 384: the port goes when the image is shown
        QTest::newRow("after 100 words") << 100;
        QTest::newRow("before the marker") << 384;
    }
    void failedSendsAreReported()
    {
        QFETCH(int, goneAfterWords);
        connectTo(57600, pattern(3, 1));
        const QString path = writeFile("car.kvset", QByteArray(768, 2));
        auto portGoes = [this] { line->close(session->linkState.ComHandle); };
        if (goneAfterWords < 384)
            view.onProgress = [&](int p, int m) {
                if (m == 384 && p == goneAfterWords)
                    portGoes();
            };
        else
            view.onShowImage = portGoes;
        const std::uint64_t failedBefore = session->commands.failedWrites();
        const UploadResult r = loadParameterFile(*session, path, options(), view);
        QCOMPARE(int(r.status), int(UploadStatus::SendFailed));
        QVERIFY(!r.ok());
        QVERIFY(!r.committed);
        QCOMPARE(r.wordsSent, goneAfterWords);
        QVERIFY(!r.message.empty());
        QCOMPARE(session->commands.failedWrites() - failedBefore, std::uint64_t(1));
        QCOMPARE(int(wordWrites().size()), goneAfterWords);
        QCOMPARE(ecu->commits, 0);
        QVERIFY(QFileInfo::exists(r.restorePoint));
        QCOMPARE(session->conn.PollingEnabled, std::uint8_t(1));
    }

    void cancelStopsTheUploadBetweenWords()
    {
        connectTo(57600, pattern(3, 1));
        const QString path = writeFile("car.kvset", QByteArray(768, 2));
        view.stop = [this] { return wordWrites().size() >= 200; };
        const UploadResult r = loadParameterFile(*session, path, options(), view);
        QCOMPARE(int(r.status), int(UploadStatus::Cancelled));
        QCOMPARE(r.wordsSent, 200);
        QCOMPARE(wordWrites().size(), std::size_t(200));
        QCOMPARE(ecu->commits, 0);
        QCOMPARE(session->conn.PollingEnabled, std::uint8_t(1));
    }

    // The reset uploads the factory table at the link speed's ticks. The controller had "4 cylinders"
    // with the "INJ" signal source: the rpm axis must still be the one for "1 coil" and "0-14V".
    void resetUploadsTheDefaults_data()
    {
        QTest::addColumn<int>("baud");
        QTest::newRow("38400") << 38400;
        QTest::newRow("57600") << 57600;
    }
    void resetUploadsTheDefaults()
    {
        QFETCH(int, baud);
        ImageBytes before = pattern(29, 7);
        before[125] = 3; // 4 cylinders
        before[133] = 4; // InjNum
        before[545] = 0xF2; // "INJ", and bits the reset leaves alone
        before[553] = 0xF4; // bits 2 and 4-7 set, 0 and 1 clear, 3 clear
        connectTo(baud, before);
        setLiveWorkTimes(3725, 512733);

        const UploadResult r = resetToDefaults(*session, options(), view);
        QVERIFY2(r.ok(), r.message.c_str());
        QCOMPARE(r.restorePoint, backupDir() + "/2026-12-10_14-03-27_before-reset.kvset");
        QCOMPARE(contents(r.restorePoint), bytesOf(before));
        QCOMPARE(restorePointsAtFirstWrite, 1);

        // A live request went out before the restore point was read and before any write.
        const auto &frames = ecu->frames;
        QVERIFY(!frames.empty());
        QCOMPARE(frames.front(), (std::vector<std::uint8_t> { 0xAA, 0x05, 0x00, 0x00, 0x59, 0xF0 }));

        const ImageBytes want = expectedDefaults(before, baud == 38400, 3725, 512733);
        const ImageBytes sent = uploadedImage();
        for (int i = 0; i < 768; ++i)
            QVERIFY2(sent[std::size_t(i)] == want[std::size_t(i)],
                qPrintable(
                    QString("byte %1: sent %2, want %3").arg(i).arg(sent[std::size_t(i)]).arg(want[std::size_t(i)])));
        // Word 0 twice: 0 in the upload, then the marker; then the commit.
        checkUploadFrames(want);
        QCOMPARE(sent[133], std::uint8_t(4));
        QCOMPARE(sent[553] & 0xF4, 0xF4);

        // Shown with the reset's engine type and signal source, the axes are the factory ones.
        const TimeBases tb = timeBasesFor(baud == 38400 ? 1 : 0);
        const ParameterImage img { sent };
        std::vector<std::uint32_t> rpm;
        for (int i = 0; i < 8; ++i)
            rpm.push_back(TicksToRpm(img.wordAt(245 + i), img.byte(125), img.bits(545, 0, 2), tb));
        QCOMPARE(rpm, (std::vector<std::uint32_t> { 1000, 1500, 2000, 3000, 4000, 5000, 6000, 7000 }));
        QCOMPARE(session->conn.PollingEnabled, std::uint8_t(1));
    }

    void resetAxisWhateverTheSignalSourceWas_data()
    {
        QTest::addColumn<int>("source");
        QTest::newRow("12V") << 0;
        QTest::newRow("0-14V") << 1;
        QTest::newRow("INJ") << 2;
    }
    void resetAxisWhateverTheSignalSourceWas()
    {
        QFETCH(int, source);
        ImageBytes before = pattern(7, 3);
        before[125] = 5; // 6 cylinders
        before[545] = std::uint8_t((before[545] & ~3) | source);
        connectTo(57600, before);
        QVERIFY(resetToDefaults(*session, options(), view).ok());
        const ParameterImage &img = session->image;
        std::vector<std::uint32_t> rpm;
        for (int i = 0; i < 8; ++i)
            rpm.push_back(TicksToRpm(img.wordAt(245 + i), img.byte(125), img.bits(545, 0, 2), session->timeBases));
        QCOMPARE(rpm, (std::vector<std::uint32_t> { 1000, 1500, 2000, 3000, 4000, 5000, 6000, 7000 }));
    }

    // Word 358 lies in the half the reset keeps. A second low heating pulse that is on keeps its
    // 1200 rpm under "1 coil" and "0-14V" (it was left encoded for the old engine: from 6 cylinders
    // on the injector signal, 1200 rpm read as 4800); off stays off, in either of its values.
    void resetKeepsTheSecondLowHeatingPulseAt1200Rpm_data()
    {
        QTest::addColumn<int>("word358");
        QTest::addColumn<int>("expectedRpm"); // -1: the word is kept as it was
        QTest::newRow("on at 1200 rpm") << -2 << 1200;
        QTest::newRow("off (65500)") << 65500 << -1;
        QTest::newRow("off (0)") << 0 << -1;
    }
    void resetKeepsTheSecondLowHeatingPulseAt1200Rpm()
    {
        QFETCH(int, word358);
        QFETCH(int, expectedRpm);
        ImageBytes before = pattern(7, 3);
        before[125] = 5; // 6 cylinders
        before[545] = std::uint8_t((before[545] & ~3) | RpmSignalInj);
        connectTo(57600, before);
        const int old = word358 == -2 ? RpmToTicks(1200, 5, RpmSignalInj, session->timeBases) : word358;
        session->image.setWord(716, std::uint16_t(old)); // as the controller held it
        QVERIFY(resetToDefaults(*session, options(), view).ok());
        const ParameterImage &img = session->image;
        QCOMPARE(int(img.bits(545, 0, 2)), 1);
        if (expectedRpm < 0)
            QCOMPARE(int(img.word(716)), old);
        else
            QCOMPARE(int(TicksToRpm(img.word(716), 0, 1, session->timeBases)), expectedRpm);
        // What the controller received is what the image holds.
        QCOMPARE(int(ecu->image[716] | (ecu->image[717] << 8)), int(img.word(716)));
    }

    void resetWithoutALiveRecordChangesNothing()
    {
        const ImageBytes before = pattern(19, 8);
        connectTo(57600, before);
        ecu->answerLive = 0;
        const UploadResult r = resetToDefaults(*session, options(), view);
        QCOMPARE(int(r.status), int(UploadStatus::NoLiveRecord));
        QVERIFY(QString::fromStdString(r.message).contains("work-time"));
        QVERIFY(wordWrites().empty());
        QCOMPARE(ecu->commits, 0);
        QVERIFY(!QDir(backupDir()).exists());
        QVERIFY(session->image.bytes == before);
        QCOMPARE(session->conn.PollingEnabled, std::uint8_t(1));
    }

    void resetWithoutAController()
    {
        session->image.bytes = pattern(23, 1);
        session->image.setByte(133, 6);
        for (int k = 0; k < 4; ++k)
            session->live.setU8(176 + k, std::uint8_t(0x11 * (k + 1))); // the last record seen
        const UploadResult r = resetToDefaults(*session, options(), view);
        QCOMPARE(int(r.status), int(UploadStatus::NotConnected));
        QCOMPARE(view.messages, std::vector<std::string> { "No Connection" });
        QCOMPARE(view.steps, 0);
        QVERIFY(line->written().empty());
        QCOMPARE(session->image.byte(133), std::uint8_t(6));
        QCOMPARE(session->image.word(340), std::uint16_t(1000)); // the defaults are in the PC's image
        QCOMPARE(session->image.dword(12), std::uint32_t(0x44332211));
        QCOMPARE(session->image.wordAt(0), std::uint16_t(0xAAAA));
    }

    // Saving replaces a file whole or not at all.
    void saveWritesTheImage()
    {
        const QString path = start->filePath("car.kvset");
        QVERIFY(!writeFile("car.kvset", QByteArray(1000, 'x')).isEmpty());
        const ImageBytes img = pattern(31, 3);
        QString error;
        QVERIFY2(saveParameterFile(path, img, &error), qPrintable(error));
        QCOMPARE(contents(path), bytesOf(img));
        QCOMPARE(QDir(start->path()).entryList(QDir::Files), QStringList { "car.kvset" });
        // Never onto a FIFO.
        const QString fifo = start->filePath("fifo");
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QVERIFY(!saveParameterFile(fifo, img, &error));
        QVERIFY(error.contains("not a regular file"));
        QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
        // The first save's name carries a date that is safe in a file name.
        QCOMPARE(firstSaveFileName(path, QDate(2026, 12, 10)), path + "2026-12-10");
    }

    void saveIntoAReadOnlyFolderFails()
    {
        // The folder refuses new files; the old file itself could be written in place.
        QVERIFY(::chmod(QFile::encodeName(start->path()).constData(), 0755) == 0);
        QVERIFY(QDir(start->path()).mkdir("ro"));
        const QString path = start->filePath("ro/car.kvset");
        const QByteArray old(768, 'o');
        QVERIFY(!writeFile("ro/car.kvset", old).isEmpty());
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0666) == 0);
        QVERIFY(::chmod(QFile::encodeName(start->filePath("ro")).constData(), 0555) == 0);

        // Root may write anywhere: the save runs in a child that gives that right up.
        int fds[2];
        QVERIFY(::pipe(fds) == 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(3);
            QString error;
            const bool ok = saveParameterFile(path, pattern(1, 1), &error);
            const QByteArray text = error.toUtf8();
            if (::write(fds[1], text.constData(), size_t(text.size())) < 0)
                ::_exit(4);
            ::_exit(ok ? 0 : 1);
        }
        ::close(fds[1]);
        QByteArray reason;
        char buf[512];
        for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
            reason.append(buf, int(n));
        ::close(fds[0]);
        int status = 0;
        QCOMPARE(::waitpid(pid, &status, 0), pid);
        ::chmod(QFile::encodeName(start->filePath("ro")).constData(), 0755);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 1); // the save reported a failure
        QVERIFY2(reason.contains("car.kvset"), reason.constData());
        QCOMPARE(contents(path), old);
        QCOMPARE(QDir(start->filePath("ro")).entryList(QDir::Files), QStringList { "car.kvset" });
    }
};

QTEST_GUILESS_MAIN(TstUpload)
#include "tst_upload.moc"

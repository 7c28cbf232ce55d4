// Undo and redo against the scripted controller: each kind of action taken back restores exactly
// the controller bytes it touched and sends only those; a refused frame stops the replay, leaves
// the PC's image as the controller holds it and the journal saying so; an image that no longer
// holds what an entry sent refuses the undo; events and repeats are listed, not stacked.
#include "../support/FakeEcu.h"
#include "ChangeJournal.h"
#include "ControllerSession.h"
#include "MapEditing.h"
#include "ParameterFile.h"
#include "ScriptedSerial.h"

#include <QtTest>

#include <functional>
#include <memory>
#include <set>

using namespace kelvane;

namespace {

const std::string Device = "/dev/ttyFAKE1";

struct QuietView : UploadView {
    void setProgress(int, int) override { }
    void showMessage(const std::string &) override { }
    void showImage() override { }
};

ImageBytes patternedImage()
{
    ImageBytes b {};
    for (int i = 0; i < ImageSize; ++i)
        b[std::size_t(i)] = std::uint8_t((i * 37 + 11) & 0xFF);
    b[0] = 0xAA;
    b[1] = 0xAA;
    return b;
}

// Byte offsets the image frames on the line carried since the log was cleared.
std::set<int> writtenOffsets(const ScriptedSerial &line)
{
    std::set<int> out;
    for (const auto &w : line.written()) {
        const auto f = parseWriteFrame(w.bytes);
        if (!f)
            continue;
        out.insert(f->offset());
        if (f->word)
            out.insert(f->offset() + 1);
    }
    return out;
}

std::set<int> entryOffsets(const JournalEntry &e)
{
    std::set<int> out;
    for (const TouchedByte &b : e.bytes)
        out.insert(b.offset);
    return out;
}

} // namespace

class TstChangeJournal : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedSerial> line;
    std::unique_ptr<ControllerSession> session;
    std::unique_ptr<test::FakeEcu> ecu;
    std::unique_ptr<ChangeJournal> journal;
    std::unique_ptr<QTemporaryDir> start;
    QuietView view;

    ChangeJournal::Uploader uploader()
    {
        return [this](const ImageBytes &target, const std::string &action, const char *what) {
            UploadOptions o;
            o.startDirectory = start->path();
            return uploadImageBytes(*session, target, action, what, o, view);
        };
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

    // A settings action: the bytes and words given, in one scope.
    void settingsAction(const std::string &name, const std::function<void(ParameterImage &, WriteDispatcher &)> &body)
    {
        const ActionScope scope(session->writes, name);
        body(session->image, session->writes);
    }

private slots:
    void init()
    {
        journal.reset();
        session.reset();
        line = std::make_unique<ScriptedSerial>();
        session = std::make_unique<ControllerSession>(*line);
        ecu = std::make_unique<test::FakeEcu>();
        ecu->applyWrites = true;
        ecu->image = patternedImage();
        start = std::make_unique<QTemporaryDir>();
        QVERIFY(start->isValid());
        session->ports.map(1, Device);
        line->addDevice(Device, ecu->responder());
        QCOMPARE(int(session->connection.autoconnect(nullConnectionView()).result), int(ScanResult::Found));
        QVERIFY(session->image.bytes == ecu->image);
        journal = std::make_unique<ChangeJournal>(*session);
        journal->setFolder(start->filePath(QStringLiteral("parametry/journal")));
        line->clearLog();
    }

    void eachKindUndoneAndRedone_data()
    {
        using Body = std::function<void(ParameterImage &, WriteDispatcher &)>;
        QTest::addColumn<Body>("body");
        QTest::addColumn<int>("kind");
        QTest::newRow("one byte") << Body([](ParameterImage &im, WriteDispatcher &w) {
            im.setByte(131, 0x02);
            w.writeByte(131);
        }) << int(EntryKind::Settings);
        QTest::newRow("a cascade: bytes, a word and a dword are one step") << Body(
            [](ParameterImage &im, WriteDispatcher &w) {
                im.setByte(131, 0x06);
                w.writeByte(131);
                im.setWordAt(100, 0x1234);
                w.writeWord(100);
                im.setDword(700, 0x01020304);
                w.writeDword(700);
                im.setByte(132, 0x07);
                w.writeByte(132);
            }) << int(EntryKind::Settings);
        QTest::newRow("a byte sent twice in one action: its first before comes back") << Body(
            [](ParameterImage &im, WriteDispatcher &w) {
                im.setByte(300, 0x10);
                w.writeByte(300);
                im.setByte(300, 0x20);
                w.writeByte(300);
            }) << int(EntryKind::Settings);
        QTest::newRow("a main-map preset: 128 cells and the gas map reset")
            << Body([](ParameterImage &im, WriteDispatcher &w) { maps::sendWrites(w, im, maps::resetMainMap(im, 2)); })
            << int(EntryKind::Settings);
    }
    void eachKindUndoneAndRedone()
    {
        QFETCH(std::function<void(ParameterImage &, WriteDispatcher &)>, body);
        const ImageBytes before = ecu->image;
        settingsAction("the action", body);
        const ImageBytes after = ecu->image;
        QVERIFY(after != before);
        QVERIFY(session->image.bytes == after);
        const JournalEntry entry = journal->history().nextUndo()->entry;
        QCOMPARE(journal->history().undoStack().size(), std::size_t(1));

        line->clearLog();
        QCOMPARE(int(journal->undoBlock()), int(ReplayBlock::None));
        const ReplayResult u = journal->undo(uploader());
        QVERIFY2(u.done, qPrintable(u.message));
        QVERIFY(ecu->image == before);
        QVERIFY(session->image.bytes == before);
        // Only the bytes the action touched went out again.
        const std::set<int> sent = writtenOffsets(*line);
        const std::set<int> touched = entryOffsets(entry);
        QVERIFY(std::includes(touched.begin(), touched.end(), sent.begin(), sent.end()));
        QCOMPARE(journal->history().undoStack().size(), std::size_t(0));

        QCOMPARE(int(journal->redoBlock()), int(ReplayBlock::None));
        const ReplayResult r = journal->redo(uploader());
        QVERIFY2(r.done, qPrintable(r.message));
        QVERIFY(ecu->image == after);
        QVERIFY(session->image.bytes == after);
        QCOMPARE(journal->history().undoStack().size(), std::size_t(1));

        // The disk holds the action, its undo and its redo, newest first.
        const JournalReadResult disk = journal->readFile();
        QCOMPARE(disk.entries.size(), std::size_t(3));
        QCOMPARE(disk.entries[0].action, QStringLiteral("redo: the action"));
        QCOMPARE(disk.entries[1].action, QStringLiteral("undo: the action"));
        QCOMPARE(disk.entries[2].action, QStringLiteral("the action"));
        QCOMPARE(int(disk.entries[1].state), int(EntryState::Done));
    }

    void wholeImageUndoneThroughTheUploadPath()
    {
        const ImageBytes before = ecu->image;
        ImageBytes file = before;
        for (int i = 2; i < ImageSize; i += 3)
            file[std::size_t(i)] = std::uint8_t(file[std::size_t(i)] ^ 0x5A);
        const QString path = start->filePath(QStringLiteral("car.kvset"));
        QVERIFY(saveParameterFile(path, file, nullptr));
        UploadOptions o;
        o.startDirectory = start->path();
        QVERIFY(loadParameterFile(*session, path, o, view).ok());
        QVERIFY(ecu->image == file);
        QCOMPARE(int(journal->history().nextUndo()->entry.kind), int(EntryKind::WholeImage));

        const int commits = ecu->commits;
        const ReplayResult u = journal->undo(uploader());
        QVERIFY2(u.done, qPrintable(u.message));
        QVERIFY(ecu->image == before);
        QCOMPARE(ecu->commits, commits + 1);
        // Restore points before the load and before the undo.
        QCOMPARE(QDir(start->filePath(QStringLiteral("parametry/backup"))).entryList(QDir::Files).size(), 2);

        const ReplayResult r = journal->redo(uploader());
        QVERIFY2(r.done, qPrintable(r.message));
        QVERIFY(ecu->image == file);
    }

    void refusedFrameStopsTheUndoAndTheRestFollowsLater()
    {
        const ImageBytes before = ecu->image;
        settingsAction("five bytes", [](ParameterImage &im, WriteDispatcher &w) {
            for (int i = 0; i < 5; ++i) {
                im.setByte(200 + i, std::uint8_t(0xC0 + i));
                w.writeByte(200 + i);
            }
        });
        const ImageBytes after = ecu->image;
        line->failWritesAfter(2);
        const ReplayResult u = journal->undo(uploader());
        QVERIFY(!u.done);
        QCOMPARE(u.framesSent, 2);
        QCOMPARE(u.framesTotal, 5);
        QVERIFY2(u.message.contains(QStringLiteral("byte 202")), qPrintable(u.message));
        // The PC's image holds what the controller holds: two bytes back, three as the action left them.
        QVERIFY(session->image.bytes == ecu->image);
        QCOMPARE(ecu->image[200], before[200]);
        QCOMPARE(ecu->image[202], after[202]);
        const JournalReadResult disk = journal->readFile();
        QCOMPARE(disk.entries.front().action, QStringLiteral("undo: five bytes"));
        QCOMPARE(int(disk.entries.front().state), int(EntryState::Interrupted));

        // The line is back: the half-done undo is still offered and finishes.
        line->failWritesAfter(-1);
        QCOMPARE(int(journal->undoBlock()), int(ReplayBlock::None));
        QVERIFY(journal->undo(uploader()).done);
        QVERIFY(ecu->image == before);
    }

    void undoRefusedWhenTheControllerHoldsOtherValues()
    {
        settingsAction("one byte", [](ParameterImage &im, WriteDispatcher &w) {
            im.setByte(150, 0x42);
            w.writeByte(150);
        });
        // Read again after a reconnect: another tool changed that byte meanwhile.
        session->image.setByte(150, 0x43);
        line->clearLog();
        QCOMPARE(int(journal->undoBlock()), int(ReplayBlock::ImageDiffers));
        const ReplayResult u = journal->undo(uploader());
        QVERIFY(!u.done);
        QCOMPARE(int(u.block), int(ReplayBlock::ImageDiffers));
        QVERIFY(line->written().empty());
        QCOMPARE(journal->history().undoStack().size(), std::size_t(1)); // kept in the history

        session->image.setByte(150, 0x42);
        session->conn.Connected = false;
        QCOMPARE(int(journal->undoBlock()), int(ReplayBlock::NotConnected));
    }

    void eventsAndRepeatsAreListedNotStacked()
    {
        settingsAction("first", [](ParameterImage &im, WriteDispatcher &w) {
            im.setByte(150, 0x42);
            w.writeByte(150);
        });
        settingsAction("second", [](ParameterImage &im, WriteDispatcher &w) {
            im.setByte(151, 0x43);
            w.writeByte(151);
        });
        QVERIFY(journal->undo(uploader()).done);
        QCOMPARE(journal->history().redoStack().size(), std::size_t(1));
        // A mode switch, and the first setting sent again as it is (a repeat on focus-out).
        session->writes.command(ControllerCommand::ModeGas);
        settingsAction("first", [](ParameterImage &, WriteDispatcher &w) { w.writeByte(150); });
        QCOMPARE(journal->history().undoStack().size(), std::size_t(1));
        QCOMPARE(journal->history().redoStack().size(), std::size_t(1));
        QCOMPARE(undoText(journal->history(), false), QStringLiteral("Redo second"));
        QCOMPARE(journal->readFile().entries.size(), std::size_t(5));
        // A new change empties the redo stack.
        settingsAction("third", [](ParameterImage &im, WriteDispatcher &w) {
            im.setByte(152, 0x44);
            w.writeByte(152);
        });
        QCOMPARE(int(journal->redoBlock()), int(ReplayBlock::Nothing));
        QCOMPARE(undoText(journal->history(), true), QStringLiteral("Undo third"));
    }

    void interruptedUploadEmptiesTheStacks()
    {
        settingsAction("one byte", [](ParameterImage &im, WriteDispatcher &w) {
            im.setByte(150, 0x42);
            w.writeByte(150);
        });
        ImageBytes file = ecu->image;
        file[400] ^= 0xFF;
        const QString path = start->filePath(QStringLiteral("car.kvset"));
        QVERIFY(saveParameterFile(path, file, nullptr));
        UploadOptions o;
        o.startDirectory = start->path();
        o.controllerImage = &session->image.bytes;
        line->failWritesAfter(100);
        QCOMPARE(int(loadParameterFile(*session, path, o, view).status), int(UploadStatus::SendFailed));
        QCOMPARE(int(journal->undoBlock()), int(ReplayBlock::Nothing));
        QCOMPARE(int(journal->readFile().entries.front().state), int(EntryState::Interrupted));
    }
};

QTEST_GUILESS_MAIN(TstChangeJournal)
#include "tst_changejournal.moc"

// A pulled cable in the window on the scripted line: the loss is shown (status lamp, caption,
// greyed readings) and polling stops sending; the adapter coming back is answered at once; a
// controller that holds what the window holds resumes silently; one that holds something else
// asks the fitter, and an unattended answer writes nothing; an upload cut by the pull is finished
// on request; a running adaptation stops and puts the controller back on reconnect.
#include "../support/WindowRig.h"
#include "AdaptationPage.h"
#include "FileMenu.h"
#include "KelvaneApplication.h"
#include "LinkWatch.h"
#include "LiveRecord.h"
#include "MainWindow.h"
#include "ParameterFile.h"
#include "Protocol.h"
#include "ReadingsPage.h"
#include "Simulator.h"

#include "TAbLED.h"
#include <QPlainTextEdit>
#include <QPushButton>

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace kelvane;

class TstLinkWatch : public QObject, public test::WindowRigFixture {
    Q_OBJECT

    template <class T> T *child(const char *name) { return rig.child<T>(name); }
    void pull()
    {
        line->hangUp(test::WindowRig::Device);
        for (int i = 0; i < 4; ++i)
            rig.tick();
    }
    void plugBackIn() { rig.line->addDevice(test::WindowRig::Device, rig.ecu->responder()); }
    int imageFrames() const
    {
        int n = 0;
        for (const auto &w : line->written())
            n += parseWriteFrame(w.bytes) ? 1 : 0;
        return n;
    }

private slots:
    void init()
    {
        test::WindowRig::Options options;
        options.startImage = sim::factoryImage(57600);
        options.keepWrites = true;
        QVERIFY2(rig.start(options), rig.error.c_str());
        state->startDirectory = rig.journalDir->path().toStdString();
        QVERIFY(rig.connectEcu());
        rig.decode();
        messages.clear();
    }
    void cleanup() { rig.stop(); }

    void theLossIsShownAndTheSameControllerResumesSilently()
    {
        const QString caption = form->windowTitle();
        pull();
        QVERIFY(form->linkWatch()->active());
        QVERIFY(form->windowTitle().endsWith(QStringLiteral("link lost")));
        QCOMPARE(child<TAbLED>("AbLEDStatus")->caption(), QStringLiteral("link lost"));
        QVERIFY(!child<ReadingsPage>("TabSheet1")->isEnabled());
        // Nothing goes into the dead port.
        line->clearLog();
        for (int i = 0; i < 20; ++i)
            rig.tick();
        QVERIFY(line->written().empty());

        plugBackIn();
        form->linkWatch()->attempt(true);
        QVERIFY(!form->linkWatch()->active());
        QCOMPARE(form->windowTitle(), caption);
        QVERIFY(child<ReadingsPage>("TabSheet1")->isEnabled());
        QVERIFY(rig.user.questions.isEmpty());
        QCOMPARE(imageFrames(), 0);
        line->clearLog();
        rig.decode();
        QVERIFY(state->session.polling.lastReplyAccepted());
    }

    void aChangedControllerAsksAndAnUnansweredQuestionWritesNothing()
    {
        pull();
        ecu->image[400] ^= 0x0F; // another tool was here
        const ImageBytes theirs = ecu->image;
        plugBackIn();
        line->clearLog();
        form->linkWatch()->attempt(true);
        QCOMPARE(rig.user.questions.size(), 1);
        QVERIFY(rig.user.questions.front().contains(QStringLiteral("other settings")));
        QCOMPARE(imageFrames(), 0);
        QVERIFY(ecu->image == theirs);
        // The window shows what the controller holds.
        QVERIFY(state->session.image.bytes == theirs);
        QCOMPARE(state->session.conn.PollingEnabled, std::uint8_t(1));
    }

    void aChangedControllerTakesTheProgramsSettingsWhenAsked()
    {
        const ImageBytes ours = state->session.image.bytes;
        pull();
        ecu->image[400] ^= 0x0F;
        plugBackIn();
        rig.user.answerChoose = [](const QString &, const QStringList &choices) {
            return int(choices.indexOf(QStringLiteral("send this program's settings")));
        };
        form->linkWatch()->attempt(true);
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join(QLatin1Char('\n'))));
        QVERIFY(ecu->image == ours);
        QCOMPARE(state->session.conn.PollingEnabled, std::uint8_t(1));
    }

    void anUploadCutByThePullIsFinished()
    {
        ImageBytes file = state->session.image.bytes;
        for (int i = 100; i < 300; ++i)
            file[std::size_t(i)] ^= 0x11;
        const QString path = rig.journalDir->filePath(QStringLiteral("car.kvset"));
        QVERIFY(saveParameterFile(path, file, nullptr));
        // The cable goes after 100 words.
        line->failWritesAfter(100);
        form->findChild<FileMenu *>(QStringLiteral("FileMenu"))->loadFile(path);
        QCOMPARE(int(form->findChild<FileMenu *>(QStringLiteral("FileMenu"))->lastUpload().status),
            int(UploadStatus::SendFailed));
        QVERIFY(state->journal.uploadInterrupted());
        line->hangUp(test::WindowRig::Device);
        line->failWritesAfter(-1);
        messages.clear();
        for (int i = 0; i < 4; ++i)
            rig.tick();
        QVERIFY(form->linkWatch()->active());
        plugBackIn();
        QStringList offered;
        rig.user.answerChoose = [&offered](const QString &, const QStringList &choices) {
            offered = choices;
            return 0;
        };
        form->linkWatch()->attempt(true);
        QCOMPARE(offered.value(0), QStringLiteral("finish the upload"));
        QVERIFY(ecu->image[std::size_t(200)] == file[200]);
        QVERIFY(!state->journal.uploadInterrupted());
    }

    void aPullDuringTheImageReadTakesTheControllersImageWithoutAQuestion()
    {
        // F10 again; the pull cuts the image read after its first blocks.
        int blocks = 0;
        line->removeDevice(test::WindowRig::Device);
        line->addDevice(test::WindowRig::Device,
            [this, &blocks, inner = ecu->responder()](const std::vector<std::uint8_t> &w, int baud) {
                if (baud == ecu->baud && w.size() == 6 && w[0] == proto::code(proto::Command::Request)
                    && w[1] == proto::code(proto::Request::ImageBlock) && ++blocks > 4)
                    return std::vector<ScriptedSerial::Delivery> {};
                return inner(w, baud);
            });
        ecu->image[700] ^= 0x3C; // in a block the window will not get
        QVERIFY(rig.connectEcu());
        QVERIFY(!state->session.connection.rejectedBlocks().empty());
        QVERIFY(state->session.image.bytes != ecu->image);
        pull();
        QVERIFY(form->linkWatch()->active());
        plugBackIn();
        form->linkWatch()->attempt(true);
        QVERIFY(rig.user.questions.isEmpty());
        QVERIFY(state->session.image.bytes == ecu->image);
        QCOMPARE(state->session.conn.PollingEnabled, std::uint8_t(1));
    }

    void aRecordingKeepsEveryRowAcrossThePull()
    {
        const QString oldDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(rig.journalDir->path()));
        rig.user.chooseRecording = [](const QString &suggestion) { return suggestion; };
        const PollingStats &stats = state->session.polling.stats();
        const std::uint64_t statsAtStart = stats.accepted + stats.rejected;
        child<QPushButton>("ButtonSaveLogsSTART")->click();
        for (int i = 0; i < 5; ++i)
            rig.decode();
        pull();
        plugBackIn();
        form->linkWatch()->attempt(true);
        for (int i = 0; i < 5; ++i)
            rig.decode();
        child<QPushButton>("ButtonSaveLogsSTOP")->click();
        QFile log(QDir(rig.journalDir->path()).filePath(QStringLiteral("Log.csv")));
        const bool opened = log.open(QIODevice::ReadOnly);
        QDir::setCurrent(oldDir);
        QVERIFY(opened);
        const QList<QByteArray> lines = log.readAll().split('\n');
        int rows = 0;
        for (const QByteArray &l : lines)
            rows += l.trimmed().isEmpty() ? 0 : 1;
        // The header, five rows before the pull, the rows the pull itself decoded, five after.
        QVERIFY2(rows >= 11, qPrintable(QString::number(rows)));
        QCOMPARE(rows - 1, int(stats.accepted + stats.rejected - statsAtStart));
    }

    void aRunningAdaptationStopsAndTheModeIsPutBack()
    {
        // A warm reducer, then START: the procedure runs in petrol mode.
        rig.setLive16(rec::TempReducer, 60);
        rig.decode();
        child<QPushButton>("ButtonAdaptacjaStart")->click();
        QVERIFY(state->adaptation.running());
        pull();
        QVERIFY(!state->adaptation.running());
        QVERIFY(child<AdaptationPage>("TabSheet5")->textBox()->toPlainText().contains(QStringLiteral("no reply")));
        plugBackIn();
        line->clearLog();
        form->linkWatch()->attempt(true);
        bool petrol = false;
        for (const auto &w : line->written())
            petrol = petrol || w.bytes[0] == proto::code(proto::Command::ModePetrol);
        QVERIFY(petrol);
    }
};

int main(int argc, char **argv)
{
    KelvaneApplication app(argc, argv);
    TstLinkWatch t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_linkwatch.moc"

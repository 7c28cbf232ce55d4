// A screenshot run has nobody to close a message box: against a controller that refuses the
// connection, with a file that cannot be written, or with a scan that throws, it reports on its
// report function (standard error in the program) and ends.
#include "../support/WindowRig.h"
#include "KelvaneApplication.h"
#include "MainWindow.h"
#include "ScriptedSerial.h"
#include "Unattended.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <stdexcept>

using namespace kelvane;

namespace {
const std::string Device = "/dev/ttyFAKE3";
}

class TstUnattended : public QObject {
    Q_OBJECT

    // The window as the program makes it for a run nobody watches: its fitter is the report.
    UnattendedUser unattended { [this](const QString &m) { reported << m; } };
    test::WindowRig rig;
    std::unique_ptr<ScriptedSerial> &line = rig.line;
    std::unique_ptr<test::FakeEcu> &ecu = rig.ecu;
    std::unique_ptr<AppState> &state = rig.state;
    std::unique_ptr<TForm1> &form = rig.form;
    std::unique_ptr<QTemporaryDir> dir;
    QStringList reported;
    int modalBoxes = 0;

    Report report()
    {
        return [this](const QString &m) { reported << m; };
    }

    // A modal box would stop an unattended run for good: the watchdog counts and closes every one
    // that opens, so that a test fails instead of hanging.
    QTimer watchdog;

    // Runs a screenshot as the program does and returns its status, -1 when it did not end.
    int runScreenshot(const QString &file)
    {
        int status = -1;
        QEventLoop loop;
        scheduleScreenshot(*form, { file.toStdString(), 0, 50 }, report(), [&](int s) {
            status = s;
            loop.quit();
        });
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
        return status;
    }

private slots:
    void initTestCase()
    {
        connect(&watchdog, &QTimer::timeout, this, [this] {
            if (QWidget *box = QApplication::activeModalWidget()) {
                ++modalBoxes;
                box->close();
            }
        });
    }
    void init()
    {
        reported.clear();
        test::WindowRig::Options options;
        options.user = &unattended;
        QVERIFY2(rig.start(options), rig.error.c_str());
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        modalBoxes = 0;
        watchdog.start(20);
    }
    void cleanup()
    {
        watchdog.stop();
        rig.stop();
        dir.reset();
    }

    void aRefusingControllerIsReportedAndTheRunEnds()
    {
        ecu->sw = 4;
        const QString file = dir->filePath(QStringLiteral("shot.png"));
        QCOMPARE(runScreenshot(file), int(ScreenshotWithoutController));
        QCOMPARE(modalBoxes, 0);
        QCOMPARE(reported.size(), 2);
        QCOMPARE(reported.at(0), QString::fromLatin1(NeedUpdateText));
        QCOMPARE(reported.at(1), QStringLiteral("saved %1, but no controller is connected").arg(file));
        // The picture shows the window as it is.
        const QImage shot(file);
        QVERIFY(!shot.isNull());
        QCOMPARE(shot.size(), form->size() * form->devicePixelRatio());
    }

    void aConnectedControllerIsSavedQuietly()
    {
        const QString file = dir->filePath(QStringLiteral("shot.png"));
        QCOMPARE(runScreenshot(file), int(ScreenshotSaved));
        QVERIFY(state->session.conn.Connected);
        QVERIFY(reported.isEmpty());
        QVERIFY(!QImage(file).isNull());
    }

    void aFileThatCannotBeWrittenIsReported()
    {
        const QString file = dir->filePath(QStringLiteral("no/such/folder/shot.png"));
        QCOMPARE(runScreenshot(file), int(ScreenshotNotSaved));
        QCOMPARE(reported, QStringList { QStringLiteral("could not write %1").arg(file) });
        QVERIFY(!QFile::exists(file));
    }

    void aScanThatThrowsIsReportedAndTheRunEnds()
    {
        line->removeDevice(Device);
        line->addDevice(Device, [](const std::vector<std::uint8_t> &, int) -> std::vector<ScriptedSerial::Delivery> {
            throw std::runtime_error("line fault");
        });
        QCOMPARE(runScreenshot(dir->filePath(QStringLiteral("shot.png"))), int(ScreenshotWithoutController));
        QCOMPARE(modalBoxes, 0);
        QCOMPARE(reported.first(), QStringLiteral("the scan failed: line fault"));
    }

    // Any other message of the window and any exception the application catches go to the report too.
    void messagesAndExceptionsGoToTheReport()
    {
        form->showMessage("File Error");
        bool after = false;
        QTimer::singleShot(0, this, [] { throw std::runtime_error("injector table out of range"); });
        QTimer::singleShot(5, this, [&after] { after = true; });
        QTRY_VERIFY(after);
        QCOMPARE(modalBoxes, 0);
        QCOMPARE(
            reported, (QStringList { QStringLiteral("File Error"), QStringLiteral("injector table out of range") }));
    }
};

int main(int argc, char **argv)
{
    KelvaneApplication app(argc, argv);
    TstUnattended t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_unattended.moc"

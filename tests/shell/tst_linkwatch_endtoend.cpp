// A pulled adapter with the simulator on a real pseudo-terminal: the window's port is a link to the
// terminal, as /dev/serial/by-id names an adapter. The simulator goes away (its terminal hangs up,
// the link is removed) and comes back on a new terminal under the same link: the window shows the
// loss, does not hammer the missing port, and polls the controller again after the link appears,
// without a question (the controller holds what the window holds). The time from the link's
// return to the first accepted live reply is printed.
#include "../support/WindowRig.h"
#include "KelvaneApplication.h"
#include "LinkWatch.h"
#include "MainWindow.h"
#include "PtySimulator.h"
#include "Simulator.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>

using namespace kelvane;

class TstLinkWatchEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void theAdapterPulledAndPluggedBackIn()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString link = dir.filePath(QStringLiteral("ttyKelvaneAdapter"));
        test::WindowRig::Options options = test::WindowRig::Options::simulatorOnPty();
        options.polling = true;
        test::WindowRig rig;
        QVERIFY2(rig.start(options), rig.error.c_str());
        QVERIFY(QFile::link(QString::fromStdString(rig.pty->slavePath()), link));
        rig.state->session.ports.map(3, link.toStdString());
        TForm1 &form = *rig.form;
        form.F10autoconnect1Click();
        QVERIFY(rig.state->session.conn.Connected);
        const PollingStats &stats = rig.state->session.polling.stats();
        QTRY_VERIFY_WITH_TIMEOUT(stats.accepted >= 3, 3000);

        // Pulled: the terminal hangs up and its name goes away.
        const ImageBytes held = rig.pty->image();
        rig.pty->stop();
        QVERIFY(QFile::remove(link));
        QTRY_VERIFY_WITH_TIMEOUT(form.linkWatch()->active(), 3000);
        QVERIFY(form.windowTitle().endsWith(QStringLiteral("link lost")));
        QTest::qWait(2500);
        // About one attempt a second while the port is missing.
        const int attempts = form.linkWatch()->recovery().attempts();
        QVERIFY2(attempts >= 1 && attempts <= 4, qPrintable(QString::number(attempts)));

        // Plugged back in: a new terminal under the same name, the controller as it was.
        const QString imageFile = dir.filePath(QStringLiteral("held.bin"));
        QFile out(imageFile);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(reinterpret_cast<const char *>(held.data()), ImageSize);
        out.close();
        sim::SimOptions back;
        back.imageFile = imageFile.toStdString();
        back.linkPath = link.toStdString();
        sim::PtySimulator second(back);
        const std::uint64_t before = stats.accepted;
        QElapsedTimer sinceReturn;
        std::string error;
        QVERIFY2(second.start(&error), error.c_str());
        sinceReturn.start();
        // The window's thread is busy while it greets and reads the image: the first frame the
        // controller takes is timed from beside it.
        std::atomic<qint64> firstFrameMs { -1 };
        std::atomic<bool> watching { true };
        std::thread watcher([&] {
            while (watching && firstFrameMs < 0) {
                if (second.counters().frames > 0)
                    firstFrameMs = sinceReturn.elapsed();
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
        QTRY_VERIFY_WITH_TIMEOUT(stats.accepted > before, 10000);
        const qint64 liveMs = sinceReturn.elapsed();
        watching = false;
        watcher.join();
        QVERIFY(firstFrameMs >= 0);
        qInfo("device back to the first frame the controller took (the greeting): %lld ms; to the first accepted "
              "live reply (after the whole image was read and compared): %lld ms",
            static_cast<long long>(firstFrameMs.load()), static_cast<long long>(liveMs));
        QVERIFY(!form.linkWatch()->active());
        QVERIFY(rig.user.questions.isEmpty());
        QVERIFY(!form.windowTitle().endsWith(QStringLiteral("link lost")));
        form.close();
        second.stop();
    }
};

int main(int argc, char **argv)
{
    KelvaneApplication app(argc, argv);
    TstLinkWatchEndToEnd t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_linkwatch_endtoend.moc"

// The log viewer in the window, on a scripted controller: "open log..." of a logger file and of a
// `kelvane-cli live` file, plots, zoom, pan and the cursor, and a playback that drives the readings
// page and the side strip while no controller is connected, sending nothing.
#include "../support/WindowRig.h"
#include "DataLoggerPage.h"
#include "KelvaneApplication.h"
#include "LogText.h"
#include "LogViewerChart.h"
#include "LogViewerMenu.h"
#include "ScopePanel.h"
#include "TAb270Meter.h"
#include "TAbBar.h"
#include "TAbLED.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QValueAxis>

#include <cmath>

using namespace kelvane;

namespace {
// What `kelvane-cli live` prints: every selectable column, a line break after every line.
QByteArray cliLog(int rows)
{
    const auto columns = logAllSelectableColumns();
    std::string s = logHeader(columns) + "\n";
    for (int k = 0; k < rows; ++k) {
        std::array<float, LiveValueCount> v {};
        v[lv::Rpm] = 800.0f + 100.0f * static_cast<float>(k % 40);
        v[lv::InjPetrol1] = 2.0f + 0.1f * static_cast<float>(k % 30);
        v[lv::InjGas1] = 2.5f + 0.1f * static_cast<float>(k % 30);
        v[lv::TempReducer] = 60.0f + static_cast<float>(k % 7);
        v[lv::TempGas] = 20.0f;
        v[lv::PresDiff] = 1.0f + 0.01f * static_cast<float>(k % 50);
        v[lv::Lambda] = 0.1f + 0.02f * static_cast<float>(k % 40);
        v[lv::Level] = 3.5f;
        s += logRow(70 * (k + 1), v, columns) + "\n";
    }
    return QByteArray::fromStdString(s);
}

void click(QWidget *w, QPoint at, Qt::MouseButton button = Qt::LeftButton)
{
    QMouseEvent press(
        QEvent::MouseButtonPress, QPointF(at), QPointF(w->mapToGlobal(at)), button, button, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QMouseEvent release(
        QEvent::MouseButtonRelease, QPointF(at), QPointF(w->mapToGlobal(at)), button, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
}
} // namespace

class TstLogViewerWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<test::WindowRig> rig;
    LogViewerMenu *menu = nullptr;

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(f.fileName()));
        return f.fileName();
    }
    LogViewer *open(const QString &path)
    {
        if (!menu->openFile(path))
            return nullptr;
        LogViewer *v = menu->viewer();
        if (!QTest::qWaitForWindowExposed(v))
            qWarning("the viewer was not exposed");
        return v;
    }

private slots:
    void init()
    {
        rig = std::make_unique<test::WindowRig>(test::WindowRig::Options {});
        menu = rig->form->findChild<LogViewerMenu *>(QStringLiteral("LogViewerMenu"));
        QVERIFY(menu);
    }
    void cleanup() { rig.reset(); }

    void theFileMenuOffersOpenLog()
    {
        auto *action = rig->form->findChild<QAction *>(QStringLiteral("openlog1"));
        QVERIFY(action);
        QCOMPARE(action->text(), QStringLiteral("open log..."));
        QVERIFY(action->isEnabled());
    }

    // A drive recorded by the window's own logger, opened in the viewer.
    void opensALoggerFile()
    {
        const QString old = QDir::currentPath();
        QDir::setCurrent(dir.path());
        QVERIFY(rig->connectEcu());
        rig->child<QPushButton>("ButtonSaveLogsSTART")->click();
        for (int k = 0; k < 40; ++k) {
            rig->setLive16(rec::TempReducer, static_cast<std::uint16_t>(50 + k % 9));
            rig->setLive16(rec::InjPetrol1, static_cast<std::uint16_t>(600 + 10 * k));
            rig->decode();
        }
        rig->child<QPushButton>("ButtonSaveLogsSTOP")->click();
        QDir::setCurrent(old);

        LogViewer *v = open(dir.filePath(QStringLiteral("Log.csv")));
        QVERIFY(v);
        QVERIFY(v->isVisible());
        QCOMPARE(v->windowTitle(), QStringLiteral("log viewer - Log.csv"));
        const LogTable &t = v->table();
        QCOMPARE(t.rowCount(), 40);
        QCOMPARE(t.columnCount(), 19); // the default columns
        // RPM, InjB1, InjG1 and Lambda1 are plotted first.
        const std::vector<int> plotted = v->plottedColumns();
        QCOMPARE(plotted,
            (std::vector<int> { t.columnForLiveIndex(lv::Rpm), t.columnForLiveIndex(lv::InjPetrol1),
                t.columnForLiveIndex(lv::InjGas1), t.columnForLiveIndex(lv::Lambda) }));
        LogChartView *petrol = v->chartFor(t.columnForLiveIndex(lv::InjPetrol1));
        QVERIFY(petrol && petrol->isVisible());
        QCOMPARE(petrol->series()->count(), 40);
        // The cursor starts at the first row; the table beside the plots shows every column there.
        auto *grid = v->findChild<QTableWidget *>(QStringLiteral("GridLogValues"));
        QCOMPARE(grid->rowCount(), 20);
        const int tr = t.columnForLiveIndex(lv::TempReducer);
        QCOMPARE(v->valueText(tr), QString::number(50.0, 'f', 3).replace('.', QLatin1Char(systemDecimalPoint())));
        QCOMPARE(
            grid->item(0, 1)->text(), QString::number(0.07, 'f', 2).replace('.', QLatin1Char(systemDecimalPoint())));

        // Ticking a column in the table adds its plot.
        grid->item(tr + 1, 0)->setCheckState(Qt::Checked);
        QVERIFY(v->chartFor(tr));
        QCOMPARE(v->plottedColumns().size(), std::size_t(5));
        grid->item(tr + 1, 0)->setCheckState(Qt::Unchecked);
        QVERIFY(!v->chartFor(tr));
    }

    void opensACliFile()
    {
        LogViewer *v = open(writeFile(QStringLiteral("cli.csv"), cliLog(200)));
        QVERIFY(v);
        QCOMPARE(v->table().rowCount(), 200);
        QCOMPARE(v->table().columnCount(), 28);
        QCOMPARE(v->rangeFrom(), 0.07);
        QCOMPARE(v->rangeTo(), 14.0);
        QVERIFY(rig->messages.isEmpty());
    }

    // A file that is no log, and a 2 GB file picked by mistake (sparse: refused by its size before
    // any of it is read, so the window neither stalls nor runs out of memory): a message, no viewer.
    void aFileThatIsNoLogIsReported_data()
    {
        QTest::addColumn<qint64>("sparseSize");
        QTest::addColumn<QString>("reason");
        QTest::newRow("text in a number column") << qint64(0) << "line 3";
        QTest::newRow("2 GB picked by mistake") << qint64(2) * 1024 * 1024 * 1024 << "larger than 64 MB";
    }
    void aFileThatIsNoLogIsReported()
    {
        QFETCH(qint64, sparseSize);
        QFETCH(QString, reason);
        const QString path
            = writeFile(QStringLiteral("bad.csv"), "Time,RPM (rev./min),\n0.07,800.000,\n0.14,8OO.000,\n");
        if (sparseSize) {
            QFile f(path);
            QVERIFY(f.resize(sparseSize));
        }
        QVERIFY(!menu->openFile(path));
        QCOMPARE(rig->messages.size(), 1);
        QVERIFY(rig->messages[0].contains(path));
        QVERIFY2(rig->messages[0].contains(reason), qPrintable(rig->messages[0]));
        QVERIFY(!menu->viewer());
    }

    void zoomPanAndTheCursor()
    {
        LogViewer *v = open(writeFile(QStringLiteral("cli.csv"), cliLog(850)));
        QVERIFY(v);
        const int rpm = v->table().columnForLiveIndex(lv::Rpm);
        LogChartView *chart = v->chartFor(rpm);
        QVERIFY(chart);
        QCOMPARE(chart->timeAxis()->min(), 0.07);
        QCOMPARE(chart->timeAxis()->max(), 59.5);

        v->setTimeRange(10, 20);
        QCOMPARE(chart->timeAxis()->min(), 10.0);
        QCOMPARE(chart->timeAxis()->max(), 20.0);
        v->zoomBy(0.5, 15);
        QCOMPARE(v->rangeFrom(), 12.5);
        QCOMPARE(v->rangeTo(), 17.5);
        v->panBy(100); // stops at the end of the log
        QCOMPARE(v->rangeTo(), 59.5);
        QCOMPARE(v->rangeFrom(), 54.5);
        // Every plot shows the same range.
        for (int c : v->plottedColumns())
            QCOMPARE(v->chartFor(c)->timeAxis()->min(), 54.5);

        // The wheel over a plot zooms in around the pointer.
        QWidget *plot = chart->viewport();
        const QPoint middle = plot->rect().center();
        QWheelEvent wheel(QPointF(middle), QPointF(plot->mapToGlobal(middle)), QPoint(), QPoint(0, 120), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(plot, &wheel);
        QVERIFY(std::fabs((v->rangeTo() - v->rangeFrom()) - 4.0) < 1e-9);

        // A click on a plot puts the cursor there; the table shows that row.
        v->fitAll();
        const double at = 30.0;
        click(plot, QPoint(chart->viewXOf(at), middle.y()));
        QVERIFY2(std::fabs(v->cursorTime() - at) < 0.2, qPrintable(QString::number(v->cursorTime())));
        const int row = v->cursorRow();
        QCOMPARE(v->valueText(rpm),
            QString::number(v->table().value(rpm, row), 'f', 3).replace('.', QLatin1Char(systemDecimalPoint())));
        QVERIFY(std::abs(chart->cursorViewX() - chart->viewXOf(v->cursorTime())) <= 1);
        // The slider follows the cursor, and moves it.
        auto *slider = v->findChild<QSlider *>(QStringLiteral("TrackBarLogTime"));
        QCOMPARE(slider->value(), int(std::lround((v->cursorTime() - 0.07) * 1000)));
        slider->setValue(5000);
        QVERIFY(std::fabs(v->cursorTime() - 5.07) < 1e-9);
    }

    void plotPointsKeepThePeaksOfALongLog()
    {
        std::string text = "Time,RPM (rev./min),\n";
        const int rows = 60000;
        for (int k = 0; k < rows; ++k) {
            const double rpm = k == 31337 ? 7000.0 : (k == 40000 ? 100.0 : 2000.0 + 500.0 * std::sin(k * 0.01));
            text += formatFixed5(0.07 * (k + 1), 2) + "," + formatFixed5(rpm, 3) + ",\n";
        }
        const LogLoadResult r = parseLogTable(text);
        QVERIFY2(r.ok, r.error.c_str());
        const QList<QPointF> points = logPlotPoints(r.table, 0, r.table.startTime(), r.table.endTime(), 500);
        QVERIFY(points.size() <= 2 * 500 + 2);
        QVERIFY(points.size() >= 500);
        double hi = 0, lo = 1e9;
        for (int i = 0; i < points.size(); ++i) {
            hi = std::max(hi, points[i].y());
            lo = std::min(lo, points[i].y());
            if (i > 0)
                QVERIFY(points[i].x() > points[i - 1].x());
        }
        QCOMPARE(hi, 7000.0);
        QCOMPARE(lo, 100.0);
        // A short range draws every row, one either side included.
        const QList<QPointF> few = logPlotPoints(r.table, 0, r.table.playbackTime(100), r.table.playbackTime(110), 500);
        QCOMPARE(few.size(), 12);
    }

    // Not connected: the playback drives the readings page, the side strip and the scope, the lamp
    // says it is a playback, and nothing reaches the line.
    void playbackDrivesTheGaugesWhileNoControllerIsConnected()
    {
        rig->child<QComboBox>("ComboBoxScopType")->setCurrentIndex(scope::Rpm);
        LogViewer *v = open(writeFile(QStringLiteral("cli.csv"), cliLog(200)));
        QVERIFY(v);
        const LogTable &t = v->table();
        auto *rpm = rig->child<TAb270Meter>("Ab270MeterRPM");
        auto *petrol1 = rig->child<TAbBar>("AbBarOdInB1");
        auto *stripTr = rig->child<TAbBar>("AbBarPasTr");
        auto *lamp = rig->child<TAbLED>("AbLEDStatus");
        const auto &scope = rig->child<ScopePaintBox>("PaintBoxScope")->scope();

        QVERIFY(!menu->drivesGauges()); // opening alone changes nothing
        v->play();
        QVERIFY(menu->drivesGauges());
        QCOMPARE(lamp->caption(), QStringLiteral("playback 1x"));
        QCOMPARE(lamp->statusInt(), 2);
        QVERIFY(!lamp->flashing());
        v->advance(710); // ten rows on
        QCOMPARE(v->cursorRow(), 10);
        auto check = [&](int row) {
            QCOMPARE(rpm->value(), t.value(t.columnForLiveIndex(lv::Rpm), row) * 0.001);
            QVERIFY(std::fabs(petrol1->value() - t.value(t.columnForLiveIndex(lv::InjPetrol1), row)) < 0.005);
            QCOMPARE(stripTr->value(), double(t.value(t.columnForLiveIndex(lv::TempReducer), row)));
        };
        check(10);
        const int samples = scope.SampleCount;
        QVERIFY(samples >= 2);
        QCOMPARE(scope.sample(0, 0), t.value(t.columnForLiveIndex(lv::Rpm), 10));

        // The window's ticks go on without a controller: the lamp stays the playback's.
        for (int k = 0; k < 4; ++k)
            rig->tick();
        QCOMPARE(lamp->caption(), QStringLiteral("playback 1x"));

        QVERIFY(v->setSpeed(4));
        QCOMPARE(lamp->caption(), QStringLiteral("playback 4x"));
        v->advance(80); // four rows at 4x
        QCOMPARE(v->cursorRow(), 14);
        check(14);
        v->pause();
        QCOMPARE(lamp->caption(), QStringLiteral("playback paused"));
        // Paused, the slider still moves the gauges.
        v->findChild<QSlider *>(QStringLiteral("TrackBarLogTime"))
            ->setValue(int(std::lround((t.playbackTime(100) - t.startTime()) * 1000)) + 5);
        check(100);

        QVERIFY(rig->line->written().empty());
        QVERIFY(rig->line->openAttempts().empty());

        // Closing the viewer gives the gauges back: nothing of the recording stays on them.
        v->close();
        QVERIFY(!menu->drivesGauges());
        QCOMPARE(rpm->value(), 0.0);
        QCOMPARE(stripTr->value(), 0.0);
        QCOMPARE(lamp->caption(), QStringLiteral("error COMx"));
        rig->tick();
        QCOMPARE(lamp->caption(), QStringLiteral("error COMx"));
    }

    // Connected: the controller keeps the gauges and its polling goes on; the playback runs in
    // the viewer only.
    void aConnectedControllerKeepsTheGauges()
    {
        QVERIFY(rig->connectEcu());
        rig->setLive16(rec::TempReducer, 33);
        rig->decode();
        LogViewer *v = open(writeFile(QStringLiteral("cli.csv"), cliLog(200)));
        QVERIFY(v);
        v->play();
        v->advance(710);
        QCOMPARE(v->cursorRow(), 10);
        QVERIFY(!menu->drivesGauges());
        auto *stripTr = rig->child<TAbBar>("AbBarPasTr");
        QCOMPARE(stripTr->value(), 33.0);
        QVERIFY(v->findChild<QLabel *>(QStringLiteral("LabelLogViewerStatus"))
                    ->text()
                    .contains(QStringLiteral("controller is connected")));
        rig->setLive16(rec::TempReducer, 44);
        rig->decode();
        QCOMPARE(stripTr->value(), 44.0);
        QVERIFY(rig->child<TAbLED>("AbLEDStatus")->caption() != QStringLiteral("playback 1x"));
        // Only the polling's own frames went out.
        for (const auto &w : rig->line->written())
            QCOMPARE(int(w.bytes[0]), 0xAA);
    }

    void playbackPausesAtTheEnd()
    {
        LogViewer *v = open(writeFile(QStringLiteral("cli.csv"), cliLog(20)));
        QVERIFY(v);
        auto *play = v->findChild<QPushButton *>(QStringLiteral("ButtonLogPlay"));
        play->click();
        QVERIFY(v->playing());
        QCOMPARE(play->text(), QStringLiteral("pause"));
        v->advance(60000);
        QVERIFY(!v->playing());
        QCOMPARE(v->cursorRow(), 19);
        QCOMPARE(play->text(), QStringLiteral("play"));
        QCOMPARE(rig->child<TAbLED>("AbLEDStatus")->caption(), QStringLiteral("playback paused"));
        // Play again starts from the beginning.
        play->click();
        QCOMPARE(v->cursorRow(), 0);
    }
};

int main(int argc, char **argv)
{
    KelvaneApplication app(argc, argv);
    TstLogViewerWindow t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_logviewerwindow.moc"

// The map editors against the simulated controller on a pseudo-terminal: an edit in the window
// reaches the controller's memory, the live cell follows the engine, the mapping view fills with
// the samples the engine model collects. With KELVANE_MAP_SCREENSHOTS set to a folder it also
// saves the pages "[F7]advanced map", the temperature maps and "[F6]mapping" (after a minute of
// samples) at 809 x 650 (no suffix) and 1600 x 1000 (suffix -1600).
#include "../support/WindowRig.h"
#include "KelvaneApplication.h"
#include "MainWindow.h"
#include "MapAdvancedPage.h"
#include "MapPages.h"
#include "MappingViewPage.h"
#include "ParametersPage.h"
#include "PosixSerial.h"
#include "PtySimulator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QtTest>

using namespace kelvane;

namespace {

int countColour(const QImage &image, const QColor &colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixelColor(x, y) == colour;
    return n;
}

} // namespace

class TstMapEndToEnd : public QObject {
    Q_OBJECT

    test::WindowRig rig;
    std::unique_ptr<sim::PtySimulator> &simulator = rig.pty;
    std::unique_ptr<AppState> &state = rig.state;
    std::unique_ptr<TForm1> &form = rig.form;

    // Ticks by hand, 35 ms apart, as the timer would.
    void run(int ticks)
    {
        for (int i = 0; i < ticks; ++i) {
            form->Timer1Timer();
            QTest::qWait(35);
        }
    }
    void save(const QString &dir, const QString &name)
    {
        QApplication::processEvents();
        QTest::qWait(100);
        const QString file = QDir(dir).filePath(name);
        QVERIFY2(form->grab().save(file, "PNG"), qPrintable(file));
        qInfo("saved %s", qPrintable(file));
    }
    void showTemperatureMaps()
    {
        form->F3parameters1Click();
        auto *params = form->findChild<ParametersPage *>(QStringLiteral("TabSheet2"));
        QVERIFY(params);
        params->pageControl()->setCurrentWidget(params->advancedSheet());
        for (const char *name : { "GroupBoxAdv3", "GroupBoxAdv4" }) {
            auto *box = form->findChild<QWidget *>(QString::fromLatin1(name));
            if (box->isHidden()) {
                const char *toggle = QByteArray(name) == "GroupBoxAdv3" ? "LabelAdvR2" : "LabelAdvR3";
                params->toggleSection(form->findChild<QLabel *>(QString::fromLatin1(toggle)));
            }
            QVERIFY(!box->isHidden());
        }
        // Section 1 is open at start: close it so both maps are in view.
        auto *first = form->findChild<QWidget *>(QStringLiteral("GroupBoxAdv1"));
        if (!first->isHidden())
            params->toggleSection(form->findChild<QLabel *>(QStringLiteral("LabelR0")));
        QApplication::processEvents();
        form->findChild<QScrollArea *>(QStringLiteral("ScrollBox1"))
            ->ensureWidgetVisible(form->findChild<QWidget *>(QStringLiteral("GroupBoxAdv4")));
    }

private slots:
    void init()
    {
        QVERIFY2(rig.start(test::WindowRig::Options::simulatorOnPty()), rig.error.c_str());
        form->F10autoconnect1Click();
        QVERIFY(state->session.conn.Connected);
    }
    void cleanup() { rig.stop(); }

    void anEditReachesTheControllersMemoryAndTheLiveCellFollows()
    {
        form->F7advancedmap1Click();
        MapAdvancedPage *page = form->mapPages()->advancedMap();
        QCOMPARE(simulator->image()[167 + 8 * 4 + 2], std::uint8_t(100));
        page->grid()->setSelection({ 3, 5, 3, 5 }); // row 5, column 3: image byte 158 + 40 + 3
        form->findChild<QPushButton *>(QStringLiteral("ButtonInc5"))->click();
        QTRY_COMPARE(simulator->image()[201], std::uint8_t(105));
        QCOMPARE(page->grid()->cell(3, 5), QStringLiteral("+5"));
        // The simulator applied exactly that write.
        QCOMPARE(simulator->counters().imageWrites, 1);

        run(30);
        const LiveData &live = state->session.live;
        const auto cell = page->liveCell();
        QVERIFY(cell);
        QCOMPARE(cell->left, live.MapColumn + 1);
        QCOMPARE(cell->top, live.MapRow + 1);
        QVERIFY(state->session.polling.stats().accepted >= 10);
    }

    void theMappingViewFillsWithTheEnginesSamples()
    {
        form->F6mapping1Click();
        MappingViewPage *page = form->mapPages()->mapping();
        // One sample slot per record: 128 records bring the whole table round once.
        run(300);
        const auto &store = state->session.live.AutoMapStore;
        int samples = 0;
        for (int k = 0; k < 128; ++k)
            samples += store[static_cast<std::size_t>(k)] != 0;
        QVERIFY2(samples > 0, "no samples arrived");
        const QImage picture = page->paintBox()->picture();
        QVERIFY(!picture.isNull());
        QVERIFY(countColour(picture, QColor(255, 0, 0))
                + countColour(picture, page->paintBox()->palette().color(QPalette::Highlight))
            > 0);
        // The 2D grid shows the breakpoints and the entries from the image.
        QVERIFY(!page->grid2D()->cell(15, 0).isEmpty());
        QCOMPARE(page->grid2D()->cell(3, 1), QStringLiteral("0"));
    }

    void screenshots()
    {
        const QString dir = qEnvironmentVariable("KELVANE_MAP_SCREENSHOTS");
        if (dir.isEmpty())
            QSKIP("set KELVANE_MAP_SCREENSHOTS to a folder to save the screenshots");
        QDir().mkpath(dir);
        // A few cells off zero, so that the colours show.
        form->F7advancedmap1Click();
        MapAdvancedPage *page = form->mapPages()->advancedMap();
        page->grid()->setSelection({ 2, 3, 5, 6 });
        for (int i = 0; i < 4; ++i)
            page->ButtonInc5Click();
        page->grid()->setSelection({ 6, 10, 8, 14 });
        for (int i = 0; i < 3; ++i)
            page->ButtonDecr5Click();
        page->grid()->setSelection({ 1, 1, 1, 1 });
        form->timer()->start();
        for (const QSize size : { QSize(809, 650), QSize(1600, 1000) }) {
            // The default size carries no suffix, as the other screenshots of docs/screenshots.
            const QString tag = size.width() == 809 ? QString() : QStringLiteral("-%1").arg(size.width());
            form->resizeOuter(size.width(), size.height());
            form->centreOnScreen();
            QTest::qWait(500);
            form->F7advancedmap1Click();
            QTest::qWait(1500);
            save(dir, QStringLiteral("advanced-map%1.png").arg(tag));
            if (size.width() == 809) {
                // Header-editing mode with its two preset lists, one preset chosen.
                auto *mode = form->findChild<QCheckBox *>(QStringLiteral("CheckBoxModPchar"));
                mode->click();
                auto *rpmDefs = form->findChild<QComboBox *>(QStringLiteral("ComboBoxRpmDefs"));
                rpmDefs->setCurrentIndex(4);
                emit rpmDefs->activated(4);
                save(dir, QStringLiteral("advanced-map-axes%1.png").arg(tag));
                mode->click(); // saves the axes
                QVERIFY(!mode->isChecked());
            }
            showTemperatureMaps();
            QTest::qWait(1500);
            save(dir, QStringLiteral("temperature-maps%1.png").arg(tag));
            form->F6mapping1Click();
            QWidget *box = form->mapPages()->mapping()->paintBox();
            QTest::mouseMove(box, QPoint(box->width() / 3, box->height() / 3));
            QTest::qWait(size.width() == 809 ? 60000 : 5000);
            save(dir, QStringLiteral("mapping%1.png").arg(tag));
        }
        form->timer()->stop();
    }
};

int main(int argc, char **argv)
{
    KelvaneApplication app(argc, argv);
    TstMapEndToEnd t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_mapendtoend.moc"

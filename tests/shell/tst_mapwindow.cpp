// The fuel-map editors in the window on a scripted controller: what an edit puts on the line and
// leaves in the controller's memory, the keys of the grids, the value-entry dialog, copy and
// paste, the axes, the temperature maps, the 2D map, the mapping view's mouse and calculation,
// the live cells, and the grid sizes of the window.
#include "tst_mapfixture.h"

#include "MapAxes.h"
#include "MapLayout.h"
#include "MapRegions.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

using namespace kelvane;
using kelvane::test::ByteWrite;

namespace {

std::vector<ByteWrite> writes(std::initializer_list<std::pair<int, int>> list)
{
    std::vector<ByteWrite> out;
    for (const auto &[offset, value] : list)
        out.push_back({ offset, value });
    return out;
}

// Runs `answer` on the value-entry dialog as soon as it is shown modally.
void whenDialogShows(TForm2 *dialog, std::function<void(TForm2 *)> answer)
{
    QTimer::singleShot(0, dialog, [dialog, answer] {
        QTRY_VERIFY(dialog->isVisible());
        answer(dialog);
    });
}

bool isLime(const QColor &c)
{
    return c == QColor(0, 255, 0);
}

} // namespace

class TstMapWindow : public QObject {
    Q_OBJECT

    test::MapWindow w;

    // Presses and releases a key on a grid, as the fitter does.
    static void key(QWidget *grid, Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyPress(grid, k, mods);
        QTest::keyRelease(grid, k, mods);
    }
    // Pixel colour at the middle of the right half of a cell (clear of its text).
    static QColor cellColour(MapGrid *grid, int col, int row)
    {
        const QImage shot = grid->viewport()->grab().toImage();
        const QRect r = grid->cellRect(col, row);
        return shot.pixelColor(r.right() - 3, r.bottom() - 3);
    }

private slots:
    void init() { w.start(); }
    void cleanup() { w.stop(); }

    void beforeConnectTheGridsShowTheirStartTexts()
    {
        MapGrid *g = w.mainGrid();
        QCOMPARE(g->colCount(), 9);
        QCOMPARE(g->rowCount(), 17);
        QCOMPARE(g->fixedCols(), 1);
        QCOMPARE(g->fixedRows(), 1);
        const QStringList rpm { "1000", "1500", "1800", "2500", "3500", "4500", "5500", "6500" };
        for (int c = 1; c <= 8; ++c)
            QCOMPARE(g->cell(c, 0), rpm[c - 1]);
        QCOMPARE(g->cell(0, 5), QStringLiteral("0"));
        QCOMPARE(g->cell(8, 16), QStringLiteral("0"));
        QCOMPARE(w.mapping()->grid2D()->cell(7, 1), QStringLiteral("0"));
        // Nothing is lit while no controller is connected.
        QVERIFY(!w.advanced()->liveCell());
        QVERIFY(!w.mapping()->liveColumn());
        QVERIFY(!w.maps()->gasTempMap()->liveColumn());
        w.form->F7advancedmap1Click();
        QVERIFY(!isLime(cellColour(g, 2, 2)));
        // The temperature maps sit in their sections of the parameter page.
        QVERIFY(w.child<QGroupBox>("GroupBoxAdv3")->isAncestorOf(w.child<MapGrid>("StringGridMapTempGaz")));
        QVERIFY(w.child<QGroupBox>("GroupBoxAdv4")->isAncestorOf(w.child<MapGrid>("StringGridMapTempRed")));
        QCOMPARE(w.child<QCheckBox>("CheckBoxGazVector")->text(), QStringLiteral("mod. temp. points"));
        QVERIFY(w.child<QWidget>("TabSheet41")->isAncestorOf(w.child<QWidget>("PaintBoxMapowanie")));
        QVERIFY(w.child<QWidget>("TabSheet51")->isAncestorOf(g));
        // The dialog exists from the start, in mode "ABS".
        QCOMPARE(w.form2()->ComboBox1->currentText(), QStringLiteral("ABS"));
        QCOMPARE(w.form2()->Edit1->text(), QStringLiteral("Edit1"));
    }

    void connectingShowsTheMapsAndAxesFromTheImage()
    {
        w.ecu->image[167 + 8 * 2 + 3] = 113; // row 3, column 4: +13
        w.ecu->image[295 + 6] = 93; // 2D entry 6: -7
        w.ecu->image[45 + 2] = static_cast<std::uint8_t>(-5); // gas correction 2
        w.connectEcu();
        MapGrid *g = w.mainGrid();
        QCOMPARE(g->cell(4, 3), QStringLiteral("+13"));
        QCOMPARE(g->cell(1, 1), QStringLiteral("0"));
        const maps::AxisTexts t = maps::axisTexts(
            w.state->session.image, w.state->session.timeBases, QChar::fromLatin1(systemDecimalPoint()));
        for (int c = 1; c <= 8; ++c)
            QCOMPARE(g->cell(c, 0), t.rpm[static_cast<std::size_t>(c - 1)]);
        QCOMPARE(g->cell(0, 1), t.injMs[0]);
        QCOMPARE(g->cell(0, 16), t.injMs[15]);
        QCOMPARE(w.mapping()->grid2D()->cell(6, 1), QStringLiteral("-7"));
        QCOMPARE(w.mapping()->grid2D()->cell(0, 0), t.injMs[0]);
        MapGrid *gas = w.child<MapGrid>("StringGridMapTempGaz");
        QCOMPARE(gas->cell(5, 0), QStringLiteral("50"));
        QCOMPARE(gas->cell(2, 1), QStringLiteral("-5"));
    }

    void stepButtonsSendTheSelectionRightToLeftBottomToTop()
    {
        w.connectEcu();
        w.form->F7advancedmap1Click();
        w.mainGrid()->setSelection({ 2, 3, 4, 4 }); // map columns 2-4, rows 3-4
        w.child<QPushButton>("ButtonInc5")->click();
        // Row r, column c (grid coordinates) is image byte 158 + 8r + c.
        QCOMPARE(w.byteWrites(),
            writes({ { 194, 105 }, { 186, 105 }, { 193, 105 }, { 185, 105 }, { 192, 105 }, { 184, 105 } }));
        QCOMPARE(w.ecu->image[194], std::uint8_t(105));
        QCOMPARE(w.mainGrid()->cell(4, 4), QStringLiteral("+5"));
        QCOMPARE(w.child<QProgressBar>("ProgressBarMapa")->maximum(), 6);
        QCOMPARE(w.child<QProgressBar>("ProgressBarMapa")->value(), 6);
        // The limit holds: +80 stays +80, and nothing below it moves past.
        w.clearFrames();
        w.mainGrid()->setSelection({ 8, 16, 8, 16 });
        for (int i = 0; i < 17; ++i)
            w.child<QPushButton>("ButtonInc5")->click();
        QCOMPARE(w.mainGrid()->cell(8, 16), QStringLiteral("+80"));
        QCOMPARE(w.ecu->image[294], std::uint8_t(180));
        w.child<QPushButton>("ButtonDecr1")->click();
        QCOMPARE(w.mainGrid()->cell(8, 16), QStringLiteral("+79"));
    }

    void keysOfTheMainGrid_data()
    {
        QTest::addColumn<int>("keyCode");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("expected"); // percent after one release on a cell at 0
        QTest::newRow("keypad plus (107)") << int(Qt::Key_Plus) << int(Qt::KeypadModifier) << 1;
        QTest::newRow("Shift keypad plus") << int(Qt::Key_Plus) << int(Qt::KeypadModifier | Qt::ShiftModifier) << 5;
        QTest::newRow("= key (187)") << int(Qt::Key_Equal) << int(Qt::NoModifier) << 1;
        QTest::newRow("Shift = key, arrives as +") << int(Qt::Key_Plus) << int(Qt::ShiftModifier) << 5;
        QTest::newRow("keypad minus (109)") << int(Qt::Key_Minus) << int(Qt::KeypadModifier) << -1;
        QTest::newRow("Shift keypad minus") << int(Qt::Key_Minus) << int(Qt::KeypadModifier | Qt::ShiftModifier) << -5;
        QTest::newRow("- key (189)") << int(Qt::Key_Minus) << int(Qt::NoModifier) << -1;
        QTest::newRow("Shift - key, arrives as _") << int(Qt::Key_Underscore) << int(Qt::ShiftModifier) << -5;
        QTest::newRow("arrow key") << int(Qt::Key_Right) << int(Qt::NoModifier) << 0;
        QTest::newRow("letter") << int(Qt::Key_A) << int(Qt::NoModifier) << 0;
    }
    void keysOfTheMainGrid()
    {
        QFETCH(int, keyCode);
        QFETCH(int, modifiers);
        QFETCH(int, expected);
        w.connectEcu();
        w.form->F7advancedmap1Click();
        MapGrid *g = w.mainGrid();
        g->setSelection({ 3, 5, 3, 5 });
        g->setFocus();
        key(g, Qt::Key(keyCode), Qt::KeyboardModifiers(modifiers));
        if (expected == 0) {
            QVERIFY(w.byteWrites().empty());
        } else {
            QCOMPARE(w.byteWrites(), writes({ { 158 + 8 * 5 + 3, 100 + expected } }));
            QCOMPARE(g->cell(3, 5), maps::formatCorrection(expected));
            // The selection stays where it was (the plus and minus keys do not search the texts).
            QCOMPARE(g->selection(), (GridRect { 3, 5, 3, 5 }));
        }
    }

    // F7, F6 and a click on their tabs leave the focus in the page's grid with a cell selected:
    // the plus key, typed at the window as the keyboard delivers it, steps a cell at once.
    void mapPagesPutTheFocusInTheirGrid()
    {
        w.connectEcu();
        w.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.form.get()));
        QWindow *window = w.form->windowHandle();

        w.form->F2readings1Click();
        w.form->F7advancedmap1Click();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w.mainGrid()));
        const GridRect cell = w.mainGrid()->selection();
        QTest::keyClick(window, Qt::Key_Plus, Qt::KeypadModifier);
        QCOMPARE(w.byteWrites().size(), std::size_t(1));
        QCOMPARE(w.byteWrites()[0].offset, 158 + 8 * cell.top + cell.left);

        w.clearFrames();
        w.form->F3parameters1Click();
        w.form->F6mapping1Click();
        MapGrid *grid2D = w.mapping()->grid2D();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(grid2D));
        QTest::keyClick(window, Qt::Key_Plus, Qt::KeypadModifier);
        QCOMPARE(w.byteWrites().size(), std::size_t(1));
        QVERIFY(w.byteWrites()[0].offset >= 295 && w.byteWrites()[0].offset < 295 + 16);

        // A click on the "[F7]advanced map" tab, then on "[F6]mapping".
        auto *tabs = w.child<QTabWidget>("PageControlNastawy");
        QTabBar *bar = tabs->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(1).center());
        QCOMPARE(tabs->currentIndex(), 1);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w.mainGrid()));
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(0).center());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(grid2D));
    }

    void dialogEditGoesRightToLeftBottomToTopAndKeepsItsMode()
    {
        w.connectEcu();
        w.form->F7advancedmap1Click();
        MapGrid *g = w.mainGrid();
        g->setSelection({ 1, 1, 2, 2 });
        g->setFocus();
        whenDialogShows(w.form2(), [](TForm2 *d) {
            QCOMPARE(d->Edit1->text(), QStringLiteral("0")); // "ABS": the top-left cell's text
            // Escape does not close the dialog.
            QTest::keyClick(d, Qt::Key_Escape);
            QVERIFY(d->isVisible());
            d->ComboBox1->setCurrentIndex(1); // "+/-"
            d->Edit1->setText(QStringLiteral("10"));
            d->BitBtnOK->click();
        });
        key(g, Qt::Key_Return);
        QVERIFY(!w.form2()->isVisible());
        QCOMPARE(w.byteWrites(), writes({ { 176, 110 }, { 168, 110 }, { 175, 110 }, { 167, 110 } }));
        QCOMPARE(g->cell(2, 2), QStringLiteral("+10"));
        QCOMPARE(w.child<QProgressBar>("ProgressBarMapa")->maximum(), 4);

        // The dialog keeps "+/-" and offers 0; Abort applies nothing.
        w.clearFrames();
        QString offered;
        whenDialogShows(w.form2(), [&offered](TForm2 *d) {
            offered = d->ComboBox1->currentText() + QLatin1Char(' ') + d->Edit1->text();
            d->Edit1->setText(QStringLiteral("30"));
            d->BitBtnAnuluj->click();
        });
        key(g, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(offered, QStringLiteral("+/- 0"));
        QVERIFY(w.byteWrites().empty());

        // "%" of 50 on +10 (b = 110): 110 + 50 x 0.5 = 135.
        whenDialogShows(w.form2(), [](TForm2 *d) {
            d->ComboBox1->setCurrentIndex(2);
            d->Edit1->setText(QStringLiteral("50"));
            QTest::keyClick(d->Edit1, Qt::Key_Return); // Enter in the field is OK
        });
        g->setSelection({ 2, 2, 2, 2 });
        key(g, Qt::Key_Return);
        QCOMPARE(w.byteWrites(), writes({ { 176, 135 } }));
        QCOMPARE(g->cell(2, 2), QStringLiteral("+35"));
    }

    void enterThatClosedTheDialogDoesNotOpenItAgain()
    {
        w.connectEcu();
        w.form->F7advancedmap1Click();
        MapGrid *g = w.mainGrid();
        g->setSelection({ 1, 1, 1, 1 });
        g->setFocus();
        int shown = 0;
        whenDialogShows(w.form2(), [&shown](TForm2 *d) {
            ++shown;
            d->ComboBox1->setCurrentIndex(0);
            d->Edit1->setText(QStringLiteral("95"));
            QTest::keyPress(d->Edit1, Qt::Key_Return); // closes on the press
        });
        key(g, Qt::Key_Return);
        // Should the dialog open again, close it so that the test can tell.
        QTimer::singleShot(300, w.form2(), [&shown, this] {
            if (w.form2()->isVisible()) {
                ++shown;
                w.form2()->done(TForm2::ResultAbort);
            }
        });
        // The release of that Enter arrives at the grid once the dialog is gone.
        QTest::keyRelease(g, Qt::Key_Return);
        QTest::qWait(400);
        QCOMPARE(shown, 1);
        QVERIFY(!w.form2()->isVisible());
        // "ABS" 95 is held at +80.
        QCOMPARE(w.byteWrites(), writes({ { 167, 180 } }));
        QCOMPARE(g->cell(1, 1), QStringLiteral("+80"));
    }

    void dialogWithATextThatIsNotANumberChangesNothing()
    {
        w.connectEcu();
        MapGrid *g = w.mainGrid();
        g->setSelection({ 1, 1, 3, 1 });
        g->setFocus();
        whenDialogShows(w.form2(), [](TForm2 *d) {
            d->Edit1->setText(QStringLiteral("+-"));
            d->BitBtnOK->click();
        });
        key(g, Qt::Key_Return);
        QVERIFY(w.byteWrites().empty());
        QCOMPARE(w.messages, QStringList { maps::notAnIntegerMessage(QStringLiteral("+-")) });
        QCOMPARE(g->cell(1, 1), QStringLiteral("0"));
    }

    void dialogFieldTakesOnlyDigitsAndSigns()
    {
        QLineEdit *e = w.form2()->Edit1;
        e->clear();
        QTest::keyClicks(e, QStringLiteral("1.5"));
        QCOMPARE(e->text(), QStringLiteral("15"));
        e->clear();
        QTest::keyClicks(e, QStringLiteral("-12a-"));
        QCOMPARE(e->text(), QStringLiteral("-12-"));
        QTest::keyClick(e, Qt::Key_Backspace);
        QCOMPARE(e->text(), QStringLiteral("-12"));
        // Pasted text is filtered the same way.
        e->clear();
        QApplication::clipboard()->setText(QStringLiteral("4,5 %"));
        e->paste();
        QCOMPARE(e->text(), QStringLiteral("45"));
        QCOMPARE(w.form2()->windowTitle(), QStringLiteral("Form2"));
    }

    void copyAndPasteOfTheMainMap()
    {
        w.connectEcu();
        w.form->F7advancedmap1Click();
        MapGrid *g = w.mainGrid();
        g->setFocus();
        // Paste a 2 x 2 block at row 2, column 3: only the cells that change are sent.
        QApplication::clipboard()->setText(QStringLiteral("0\t7\r\n0\t-3\r\n"));
        g->setSelection({ 3, 2, 3, 2 });
        QTest::keyClick(g, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(w.byteWrites(), writes({ { 158 + 8 * 3 + 4, 97 }, { 158 + 8 * 2 + 4, 107 } }));
        QCOMPARE(g->cell(4, 2), QStringLiteral("+7"));
        QCOMPARE(g->cell(4, 3), QStringLiteral("-3"));
        QCOMPARE(g->selection(), (GridRect { 3, 2, 4, 3 }));
        // Copy gives the block back as tab-separated lines.
        QTest::keyClick(g, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("0\t7\n0\t-3\n"));
        // Text that is not numbers changes nothing and says so.
        w.clearFrames();
        QApplication::clipboard()->setText(QStringLiteral("5\tabc\n"));
        g->setSelection({ 1, 1, 1, 1 });
        QTest::keyClick(g, Qt::Key_V, Qt::ControlModifier);
        QVERIFY(w.byteWrites().empty());
        QVERIFY2(w.messages.size() == 1, qPrintable(w.messages.join(QLatin1Char('|'))));
        QVERIFY2(w.messages[0].contains(QStringLiteral("abc")), qPrintable(w.messages[0]));
        QCOMPARE(g->cell(1, 1), QStringLiteral("0"));
        QCOMPARE(g->cell(2, 1), QStringLiteral("0"));
    }

    void mapResetSendsTheWholePresetAndReturnsToDash()
    {
        w.connectEcu();
        auto *reset = w.child<QComboBox>("ComboBoxMapReset");
        emit reset->activated(3); // "BIG FLOW"
        const auto sent = w.byteWrites();
        QCOMPARE(int(sent.size()), 128);
        for (int i = 0; i < 128; ++i)
            QCOMPARE(sent[static_cast<std::size_t>(i)].offset, 167 + i);
        QCOMPARE(w.mainGrid()->cell(1, 16), QStringLiteral("0"));
        QCOMPARE(w.mainGrid()->cell(1, 1), QStringLiteral("+15"));
        QCOMPARE(w.ecu->image[167], std::uint8_t(115));
        QCOMPARE(reset->currentIndex(), 0);
        // Smoothing sends all 128 cells again.
        w.clearFrames();
        w.child<QPushButton>("ButtonMapSmooth")->click();
        QCOMPARE(int(w.byteWrites().size()), 128);
    }

    void headerEditingModeAndAxisPresets()
    {
        w.connectEcu();
        w.form->F7advancedmap1Click();
        auto *mode = w.child<QCheckBox>("CheckBoxModPchar");
        auto *rpmDefs = w.child<QComboBox>("ComboBoxRpmDefs");
        auto *injDefs = w.child<QComboBox>("ComboBoxInjTdefs");
        MapGrid *g = w.mainGrid();
        QVERIFY(!rpmDefs->isVisible());
        mode->click();
        QCOMPARE(g->fixedRows(), 0);
        QVERIFY(rpmDefs->isVisible() && injDefs->isVisible());
        emit rpmDefs->activated(8); // "1000-8000"
        QCOMPARE(g->cell(1, 0), QStringLiteral("1000"));
        QCOMPARE(g->cell(8, 0), QStringLiteral("8000"));
        emit injDefs->activated(12); // "1.0-24"
        const QChar dp = QChar::fromLatin1(systemDecimalPoint());
        QCOMPARE(g->cell(0, 16), QStringLiteral("24") + dp + QStringLiteral("00"));
        // A click on a header cell opens its editor; typing replaces the breakpoint.
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->cellRect(3, 0).center());
        QVERIFY(g->editing());
        auto *editor = g->viewport()->findChild<QLineEdit *>();
        QVERIFY(editor);
        editor->setText(QStringLiteral("2500"));
        QVERIFY(w.byteWrites().empty() && w.wordWrites().empty()); // nothing sent while editing
        // Leaving the mode saves all 24 words in ascending order.
        mode->click();
        QCOMPARE(g->fixedRows(), 1);
        QVERIFY(!rpmDefs->isVisible());
        QCOMPARE(rpmDefs->currentIndex(), 0);
        const auto sent = w.wordWrites();
        QCOMPARE(int(sent.size()), 24);
        for (int k = 0; k < 24; ++k)
            QCOMPARE(sent[static_cast<std::size_t>(k)].index, 245 + k);
        const TimeBases &tb = w.state->session.timeBases;
        QCOMPARE(int(w.ecuWord(245 + 2)), int(*maps::rpmTextToRaw(w.state->session.image, QStringLiteral("2500"), tb)));
        QCOMPARE(int(w.ecuWord(268)), int(*maps::msTextToRaw(QStringLiteral("24.00"), tb, QLatin1Char('.'))));
        QCOMPARE(g->cell(3, 0), QStringLiteral("2500"));
        QCOMPARE(w.child<QProgressBar>("ProgressBarMapa")->maximum(), 24);
    }

    void aBadAxisTextSendsNothingAndReturnsToHeaderEditing()
    {
        w.connectEcu();
        auto *mode = w.child<QCheckBox>("CheckBoxModPchar");
        MapGrid *g = w.mainGrid();
        mode->click();
        g->setCell(0, 5, QStringLiteral("abc"));
        mode->click();
        QVERIFY(w.wordWrites().empty());
        QCOMPARE(w.messages.size(), 1);
        QVERIFY(mode->isChecked());
        QCOMPARE(g->selection(), (GridRect { 0, 5, 0, 5 }));
        // While not connected leaving the mode stores and sends nothing, silently.
        g->setCell(0, 5, QStringLiteral("5.0"));
        w.state->session.conn.Connected = false;
        const auto before = w.state->session.image.bytes;
        mode->click();
        QVERIFY(w.wordWrites().empty());
        QCOMPARE(w.messages.size(), 1);
        QVERIFY(w.state->session.image.bytes == before);
    }

    void temperatureMapKeysAndPointEditing()
    {
        w.connectEcu();
        auto *box = w.child<QGroupBox>("GroupBoxAdv3");
        box->show();
        MapGrid *g = w.child<MapGrid>("StringGridMapTempGaz");
        g->setSelection({ 2, 1, 3, 1 });
        g->setFocus();
        key(g, Qt::Key_Plus, Qt::KeypadModifier);
        // Corrections 3 and 2 of the gas map (bytes 48, 47), right to left.
        QCOMPARE(w.byteWrites(), writes({ { 48, 1 }, { 47, 1 } }));
        QCOMPARE(g->cell(2, 1), QStringLiteral("1"));
        w.clearFrames();
        for (int i = 0; i < 10; ++i)
            key(g, Qt::Key_Plus, Qt::ShiftModifier);
        QCOMPARE(g->cell(3, 1), QStringLiteral("45")); // held at +45
        // Point editing: one row of points, stepped within -25..100.
        auto *points = w.child<QCheckBox>("CheckBoxGazVector");
        points->click();
        QCOMPARE(g->rowCount(), 1);
        QCOMPARE(g->fixedRows(), 0);
        w.clearFrames();
        g->setSelection({ 5, 0, 5, 0 });
        for (int i = 0; i < 11; ++i)
            key(g, Qt::Key_Equal, Qt::ShiftModifier);
        QCOMPARE(w.byteWrites().back(), (ByteWrite { 44, 100 }));
        QCOMPARE(g->cell(5, 0), QStringLiteral("100"));
        points->click();
        QCOMPARE(g->rowCount(), 2);
        QCOMPARE(g->cell(3, 1), QStringLiteral("45"));
        // The reducer map writes its own bytes.
        w.clearFrames();
        MapGrid *red = w.child<MapGrid>("StringGridMapTempRed");
        red->setSelection({ 0, 1, 0, 1 });
        key(red, Qt::Key_Minus);
        QCOMPARE(w.byteWrites(), writes({ { 33, 255 } })); // -1 as a signed byte
    }

    void liveCellsFollowTheOperatingPoint()
    {
        w.connectEcu();
        w.form->F7advancedmap1Click();
        const ParameterImage &img = w.state->session.image;
        // Speed at breakpoint 3, injection time at breakpoint 4: column 3, row 5 of the map.
        w.setLive16(rec::RpmPeriod, img.wordAt(245 + 3));
        w.setLive16(rec::InjPetrolRef, img.wordAt(253 + 4));
        w.setLive16(rec::TempGas, 35); // points 0, 10, ... 50: column 3
        w.decode();
        QCOMPARE(w.state->session.live.MapColumn, 3);
        QCOMPARE(w.state->session.live.MapRow, 5);
        QCOMPARE(*w.advanced()->liveCell(), (GridRect { 4, 6, 4, 6 }));
        QVERIFY(isLime(cellColour(w.mainGrid(), 4, 6)));
        QVERIFY(!isLime(cellColour(w.mainGrid(), 2, 2)));
        QCOMPARE(*w.mapping()->liveColumn(), 5);
        QCOMPARE(*w.maps()->gasTempMap()->liveColumn(), 3);
        w.form->F3parameters1Click();
        w.child<QTabWidget>("PageControlParametry")->setCurrentWidget(w.child<QWidget>("TabSheet22"));
        w.child<QGroupBox>("GroupBoxAdv3")->show();
        QApplication::processEvents();
        QCOMPARE(cellColour(w.child<MapGrid>("StringGridMapTempGaz"), 3, 1), QColor(255, 0, 0));
        QCOMPARE(cellColour(w.child<MapGrid>("StringGridMapTempGaz"), 3, 0), QColor(255, 0, 0));
        QVERIFY(cellColour(w.child<MapGrid>("StringGridMapTempGaz"), 2, 1) != QColor(255, 0, 0));
        w.form->F7advancedmap1Click();
        QApplication::processEvents();
        // The point moves: the lime cell goes with it.
        w.setLive16(rec::InjPetrolRef, 0);
        w.decode();
        QCOMPARE(*w.advanced()->liveCell(), (GridRect { 4, 1, 4, 1 }));
        QVERIFY(isLime(cellColour(w.mainGrid(), 4, 1)));
        QVERIFY(!isLime(cellColour(w.mainGrid(), 4, 6)));
        // A selected live cell is lime too.
        w.mainGrid()->setSelection({ 4, 1, 4, 1 });
        QVERIFY(isLime(cellColour(w.mainGrid(), 4, 1)));
        // No controller, nothing lit.
        w.state->session.conn.Connected = false;
        QVERIFY(!w.advanced()->liveCell());
        QVERIFY(!isLime(cellColour(w.mainGrid(), 4, 1)));
    }

    void twoDGridStepsItsColumnsRightToLeft()
    {
        w.connectEcu();
        w.form->F6mapping1Click();
        MapGrid *g = w.mapping()->grid2D();
        g->setSelection({ 3, 1, 5, 1 });
        w.child<QPushButton>("ButtonMinus1")->click();
        QCOMPARE(w.byteWrites(), writes({ { 300, 99 }, { 299, 99 }, { 298, 99 } }));
        QCOMPARE(g->cell(4, 1), QStringLiteral("-1"));
        w.clearFrames();
        g->setFocus();
        for (int i = 0; i < 6; ++i)
            key(g, Qt::Key_Minus, Qt::KeypadModifier | Qt::ShiftModifier);
        QCOMPARE(g->cell(5, 1), QStringLiteral("-25")); // keys keep -25..45
        QCOMPARE(w.ecu->image[300], std::uint8_t(75));
    }

    void mappingViewMouseClickAndCalculation()
    {
        w.connectEcu();
        w.form->F6mapping1Click();
        MappingPaintBox *box = w.mapping()->paintBox();
        QVERIFY(box->picture().isNull());
        w.decode(); // the view is drawn from the record
        QVERIFY(!box->picture().isNull());
        QCOMPARE(box->picture().size(), box->size());
        const maps::MappingGeometry &g = w.mapping()->geometry();
        // The pointer between breakpoints 3 and 4 selects entry 4; a click at half height sets 0.
        const int x = int((g.pointX[3] + g.pointX[4]) / 2);
        QTest::mouseMove(box, QPoint(x, 10));
        QCOMPARE(w.mapping()->selectedPoint(), 4);
        QTest::mouseMove(box, QPoint(x, box->height() / 2));
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(x, box->height() / 2));
        QCOMPARE(w.byteWrites(), writes({ { 299, 100 } }));
        // At the top the value is held at +80.
        w.clearFrames();
        QTest::mouseMove(box, QPoint(x, 0));
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(x, 0));
        QCOMPARE(w.byteWrites(), writes({ { 299, 180 } }));
        QCOMPARE(w.mapping()->grid2D()->cell(4, 1), QStringLiteral("80"));

        // Calculation: asked first; Cancel changes nothing.
        w.clearFrames();
        auto &store = w.state->session.live.AutoMapStore;
        const TimeBases &tb = w.state->session.timeBases;
        const auto ticks = [&tb](float ms) { return static_cast<std::uint16_t>(MsToTicks(ms, 1, tb)); };
        for (int band : { 10, 12 }) { // 0.34 and 0.408 bar: valid
            store[static_cast<std::size_t>(2 * band)] = ticks(4.0f);
            store[static_cast<std::size_t>(64 + 2 * band)] = ticks(5.0f);
        }
        w.answer = false;
        w.child<QPushButton>("ButtonCallculateMap")->click();
        QCOMPARE(w.questions, 1);
        QVERIFY(w.ecu->frames.empty());
        w.answer = true;
        w.child<QPushButton>("ButtonCallculateMap")->click();
        QCOMPARE(w.questions, 2);
        // The corrected entry, then all 16 of the smoothing, then "reset propane".
        const auto sent = w.byteWrites();
        QCOMPARE(int(sent.size()), 17);
        QCOMPARE(w.ecu->frames.back()[0], std::uint8_t(0x5C));
        QCOMPARE(sent[16].offset, 310);
    }

    void resetButtonsSendTheirCommands()
    {
        w.connectEcu();
        w.child<QPushButton>("ButtonResetBenz")->click();
        w.child<QPushButton>("ButtonResetGaz")->click();
        QCOMPARE(w.commandCount(0x5B), 1);
        QCOMPARE(w.commandCount(0x5C), 1);
    }

    void editsBeforeConnectStartFromTheShownZeros()
    {
        // Nothing read yet: the grid shows 0 and an edit starts from there.
        MapGrid *g = w.mainGrid();
        g->setSelection({ 1, 1, 1, 1 });
        w.child<QPushButton>("ButtonInc1")->click();
        QCOMPARE(g->cell(1, 1), QStringLiteral("+1"));
        QCOMPARE(w.state->session.image.byte(167), std::uint8_t(101));
        QCOMPARE(g->cell(2, 1), QStringLiteral("0"));
        QVERIFY(w.ecu->frames.empty()); // the port is closed: the frame goes nowhere
        // The image read replaces it all.
        w.connectEcu();
        QCOMPARE(g->cell(1, 1), QStringLiteral("0"));
    }

    void gridSizesFollowTheWindow_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("809 x 650") << 809 << 650;
        QTest::newRow("1600 x 1000") << 1600 << 1000;
        QTest::newRow("400 x 300") << 400 << 300;
    }
    void gridSizesFollowTheWindow()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        w.connectEcu();
        w.form->resizeOuter(width, height);
        QTRY_COMPARE(w.form->frameGeometry().size(), QSize(width, height));
        w.form->F7advancedmap1Click();
        QApplication::processEvents();
        MapGrid *g = w.mainGrid();
        const layout::MainMapGridSize expected = layout::mainMapGridSize(width, height,
            w.child<QWidget>("PanelAdj")->sizeHint().height(), w.child<QWidget>("PanelMapAdj")->sizeHint().height());
        QCOMPARE(g->colWidth(3), expected.colWidth);
        QCOMPARE(g->defaultRowHeight(), expected.rowHeight);
        // Every text fits its cell.
        const QFontMetrics fm(g->cellFont());
        for (int r = 0; r < g->rowCount(); ++r)
            for (int c = 0; c < g->colCount(); ++c)
                QVERIFY2(
                    fm.horizontalAdvance(g->cell(c, r)) + 2 <= g->colWidth(c) && fm.height() <= g->defaultRowHeight(),
                    qPrintable(g->cell(c, r)));
        if (width >= 809) {
            // The whole grid and the panel below it lie inside the page.
            const QWidget *sheet = w.child<QWidget>("TabSheet51");
            const QRect gridRect(g->mapTo(sheet, QPoint(0, 0)), g->size());
            QVERIFY(sheet->rect().contains(gridRect));
            const QWidget *panel = w.child<QWidget>("PanelMapAdj");
            QVERIFY(sheet->rect().contains(QRect(panel->mapTo(sheet, QPoint(0, 0)), panel->size())));
            // The 2D grid: width and columns by the rule, its texts inside its cells.
            w.form->F6mapping1Click();
            QApplication::processEvents();
            MapGrid *g2 = w.mapping()->grid2D();
            const layout::Map2DGridSize s2
                = layout::map2DGridSize(w.child<QWidget>("PanelMapowaniePrzyciski")->width());
            QCOMPARE(g2->colWidth(0), s2.colWidth);
            const QFontMetrics fm2(g2->cellFont());
            for (int c = 0; c < 16; ++c)
                QVERIFY(fm2.horizontalAdvance(g2->cell(c, 0)) + 2 <= g2->colWidth(c));
        }
    }
};

int main(int argc, char **argv)
{
    KelvaneApplication app(argc, argv);
    TstMapWindow t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_mapwindow.moc"

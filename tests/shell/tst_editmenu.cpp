// The menu "edit" in the window on a scripted controller that keeps what it is sent: each kind of
// action taken back with Undo and sent again with Redo gives the controller exactly the bytes it
// held before (after), a cascade is one step, Ctrl+Z in a focused spin edit undoes the controller
// change, an image read again after a reconnect that no longer holds a change refuses its undo,
// and the History dialog undoes back to a chosen entry.
#include "../support/WindowRig.h"
#include "EditMenu.h"
#include "HistoryDialog.h"
#include "KelvaneApplication.h"
#include "MainWindow.h"
#include "MapAdvancedPage.h"
#include "MapGrid.h"
#include "MapPages.h"
#include "MappingViewPage.h"
#include "Simulator.h"
#include "TAbNumSpin.h"
#include "TempMapGrids.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include <functional>

using namespace kelvane;

using Act = std::function<void(TForm1 &, test::WindowRig &)>;
Q_DECLARE_METATYPE(Act)

class TstEditMenu : public QObject, public test::WindowRigFixture {
    Q_OBJECT

    template <class T> T *child(const char *name) { return rig.child<T>(name); }
    void trigger(const char *action) { child<QAction>(action)->trigger(); }
    // The controller's image without word 0, the marker every upload rewrites.
    ImageBytes withoutMarker(ImageBytes b) const
    {
        b[0] = b[1] = 0;
        return b;
    }

private slots:
    void init()
    {
        test::WindowRig::Options options;
        options.startImage = sim::factoryImage(57600);
        options.keepWrites = true;
        options.activate = true;
        QVERIFY2(rig.start(options), rig.error.c_str());
        // Restore points go beside the journal, not into the test's working directory.
        state->startDirectory = rig.journalDir->path().toStdString();
        form->F10autoconnect1Click();
        QVERIFY(state->session.conn.Connected);
        messages.clear();
    }
    void cleanup() { rig.stop(); }

    void eachKindUndoneAndRedone_data()
    {
        QTest::addColumn<Act>("act");
        QTest::addColumn<QString>("undoText");
        QTest::newRow("engine type: the cascade of periods and the speed axis is one step") << Act(
            [](TForm1 &f, test::WindowRig &r) {
                f.F3parameters1Click();
                QTest::keyClick(r.child<QComboBox>("ComboBoxRpmSet"), Qt::Key_Down);
            }) << QStringLiteral("Undo engine type");
        QTest::newRow("injector preset") << Act([](TForm1 &f, test::WindowRig &r) {
            f.F3parameters1Click();
            QTest::keyClick(r.child<QComboBox>("ComboBoxInjTyp"), Qt::Key_Down);
        }) << QStringLiteral("Undo ComboBoxInjTyp");
        QTest::newRow("main map preset, 128 cells")
            << Act([](TForm1 &, test::WindowRig &r) { emit r.child<QComboBox>("ComboBoxMapReset")->activated(3); })
            << QStringLiteral("Undo main map: preset BIG FLOW");
        QTest::newRow("main map +5 over a selection") << Act([](TForm1 &f, test::WindowRig &r) {
            f.F7advancedmap1Click();
            f.mapPages()->advancedMap()->grid()->setSelection({ 2, 3, 4, 5 });
            r.child<QPushButton>("ButtonInc5")->click();
        }) << QStringLiteral("Undo main map: +5");
        QTest::newRow("main map smoothing")
            << Act([](TForm1 &, test::WindowRig &r) { r.child<QPushButton>("ButtonMapSmooth")->click(); })
            << QStringLiteral("Undo main map: smoothing");
        QTest::newRow("2D map +5") << Act([](TForm1 &f, test::WindowRig &r) {
            r.child<MapGrid>("StringGridMapa2D")->setSelection({ 3, 1, 6, 1 });
            f.mapPages()->mapping()->ButtonPlus5Click();
        }) << QStringLiteral("Undo 2D map: +5");
        QTest::newRow("gas temperature map key") << Act([](TForm1 &f, test::WindowRig &) {
            MapGrid *g = f.mapPages()->gasTempMap()->grid();
            g->setSelection({ 1, 1, 3, 1 });
            f.mapPages()->gasTempMap()->KeyUp(107, true); // keypad plus
        }) << QStringLiteral("Undo gas temperature map: +5");
        QTest::newRow("service interval") << Act([](TForm1 &, test::WindowRig &r) {
            r.decode(); // the gas work time the service point counts from
            r.child<TAbNumSpin>("AbNumSpinSerwis")->setValue(15000);
            r.child<QPushButton>("ButtonSetSerwis")->click();
        }) << QStringLiteral("Undo service interval");
        QTest::newRow("reset: a whole image through the upload path") << Act([](TForm1 &, test::WindowRig &r) {
            r.user.answerConfirm = [](const QString &, const QString &) { return true; };
            r.child<QAction>("RESET1")->trigger();
        }) << QStringLiteral("Undo reset to defaults");
    }
    void eachKindUndoneAndRedone()
    {
        QFETCH(Act, act);
        QFETCH(QString, undoText);
        // Smoothing starts from a preset (a step of its own), so that it has something to smooth.
        const bool smoothing = undoText.endsWith(QStringLiteral("main map: smoothing"));
        if (smoothing)
            emit child<QComboBox>("ComboBoxMapReset")->activated(2);
        const ImageBytes before = ecu->image;
        act(*form, rig);
        messages.clear(); // the reset's report
        const ImageBytes after = ecu->image;
        QVERIFY(withoutMarker(after) != withoutMarker(before));
        QCOMPARE(child<QAction>("undo1")->text(), undoText);

        trigger("undo1");
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join(QLatin1Char('\n'))));
        QVERIFY(withoutMarker(ecu->image) == withoutMarker(before));
        QVERIFY(ecu->image == state->session.image.bytes);
        QCOMPARE(child<QAction>("redo1")->text(), QStringLiteral("Redo") + undoText.mid(4));

        trigger("redo1");
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join(QLatin1Char('\n'))));
        QVERIFY(withoutMarker(ecu->image) == withoutMarker(after));
        QCOMPARE(child<QAction>("undo1")->text(), undoText);
    }

    void ctrlZInAFocusedSpinEditUndoesTheController()
    {
        form->F3parameters1Click();
        auto *spin = child<TAbNumSpin>("AbNumSpinMinInj");
        spin->spinBox()->setFocus();
        QTRY_VERIFY(spin->spinBox()->hasFocus());
        const ImageBytes before = ecu->image;
        const double shown = spin->value();
        QTest::keyClick(spin->spinBox(), Qt::Key_Up);
        QVERIFY(ecu->image != before);
        QTest::keyClick(spin->spinBox(), Qt::Key_Z, Qt::ControlModifier);
        // The controller is back at once, with the focus still in the field, and the field shows it.
        QVERIFY(spin->spinBox()->hasFocus());
        QVERIFY(ecu->image == before);
        QCOMPARE(spin->value(), shown);
        // Leaving the field sends the value again as it is: nothing changes.
        child<QComboBox>("ComboBoxInjTyp")->setFocus();
        QVERIFY(ecu->image == before);
        QTest::keyClick(spin->spinBox(), Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(ecu->image != before);
    }

    void undoRefusedAfterAReconnectFoundOtherValues()
    {
        form->F3parameters1Click();
        QTest::keyClick(child<QComboBox>("ComboBoxInjTyp"), Qt::Key_Down);
        const JournalEntry entry = state->journal.history().nextUndo()->entry;
        // Another tool changed the setting meanwhile; the window connects again and reads it.
        const int offset = entry.bytes.front().offset;
        ecu->image[std::size_t(offset)] ^= 0x01;
        form->F10autoconnect1Click();
        QVERIFY(state->session.conn.Connected);
        const ImageBytes held = ecu->image;
        line->clearLog();
        trigger("undo1");
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.front().contains(QStringLiteral("no longer holds")), qPrintable(messages.front()));
        QVERIFY(ecu->image == held);
        for (const auto &w : line->written())
            QVERIFY(!parseWriteFrame(w.bytes));
    }

    void historyUndoesBackToAChosenEntry()
    {
        const ImageBytes start = ecu->image;
        form->F3parameters1Click();
        QTest::keyClick(child<QComboBox>("ComboBoxInjTyp"), Qt::Key_Down);
        emit child<QComboBox>("ComboBoxMapReset")->activated(3);
        form->propane1Click(); // an event: listed, not undone
        QTest::keyClick(child<QComboBox>("ComboBoxInjTyp"), Qt::Key_Down);

        trigger("history1");
        auto *dialog = form->findChild<HistoryDialog *>(QStringLiteral("HistoryDialog"));
        QVERIFY(dialog);
        auto *tree = dialog->findChild<QTreeWidget *>(QStringLiteral("TreeHistory"));
        QCOMPARE(tree->topLevelItemCount(), 4);
        QCOMPARE(tree->topLevelItem(1)->text(1), QStringLiteral("mode gas"));
        QCOMPARE(tree->topLevelItem(2)->text(1), QStringLiteral("main map: preset BIG FLOW"));
        // The settings in words, as the controls show them.
        // (cells that already held the preset's value are not counted)
        QVERIFY2(
            tree->topLevelItem(2)->text(2).contains(QRegularExpression(QStringLiteral("^main map: 1[0-2][0-9] cells"))),
            qPrintable(tree->topLevelItem(2)->text(2)));
        QVERIFY2(tree->topLevelItem(3)->text(2).contains(QStringLiteral(" -> ")),
            qPrintable(tree->topLevelItem(3)->text(2)));
        QCOMPARE(dialog->stepsTo(1), 0); // the mode switch cannot be undone
        tree->setCurrentItem(tree->topLevelItem(3)); // the oldest
        auto *button = dialog->findChild<QPushButton *>(QStringLiteral("ButtonUndoToHere"));
        QVERIFY(button->isEnabled());
        button->click();
        QVERIFY(withoutMarker(ecu->image) == withoutMarker(start));
        // The undos are listed too, newest first.
        QCOMPARE(tree->topLevelItemCount(), 7);
        QVERIFY(tree->topLevelItem(0)->text(1).startsWith(QStringLiteral("undo: ")));
        QCOMPARE(tree->topLevelItem(6)->text(4), QStringLiteral("undone"));
    }
};

int main(int argc, char **argv)
{
    KelvaneApplication app(argc, argv);
    TstEditMenu t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_editmenu.moc"

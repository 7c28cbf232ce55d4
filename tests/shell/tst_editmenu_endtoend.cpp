// Undo and redo against the simulated controller on a real pseudo-terminal: a setting with its
// cascade and a main-map preset taken back with Ctrl+Z on the window, one action a key, restore
// the controller's memory; Ctrl+Y sends the last one again; the journal on disk lists them all.
#include "../support/WindowRig.h"
#include "JournalFile.h"
#include "KelvaneApplication.h"
#include "MainWindow.h"
#include "PtySimulator.h"
#include "Simulator.h"

#include <QAction>
#include <QComboBox>
#include <QtTest>

using namespace kelvane;

class TstEditMenuEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void ctrlZTakesBackOneActionAKey()
    {
        test::WindowRig::Options options = test::WindowRig::Options::simulatorOnPty();
        options.activate = true;
        test::WindowRig rig;
        QVERIFY2(rig.start(options), rig.error.c_str());
        sim::PtySimulator &simulator = *rig.pty;
        TForm1 &form = *rig.form;
        form.F10autoconnect1Click();
        QVERIFY(rig.state->session.conn.Connected);
        const ImageBytes factory = simulator.image();

        // The engine type (its periods and the speed axis re-encoded), then a main-map preset.
        form.F3parameters1Click();
        auto *engine = rig.child<QComboBox>("ComboBoxRpmSet");
        engine->setFocus();
        const int engineShown = engine->currentIndex();
        QTest::keyClick(engine, Qt::Key_Down);
        QTRY_VERIFY_WITH_TIMEOUT(simulator.image() == rig.state->session.image.bytes, 3000);
        const ImageBytes afterEngine = simulator.image();
        QVERIFY(afterEngine != factory);
        emit rig.child<QComboBox>("ComboBoxMapReset")->activated(1);
        QTRY_VERIFY_WITH_TIMEOUT(simulator.image() == rig.state->session.image.bytes, 3000);
        const ImageBytes afterPreset = simulator.image();
        QVERIFY(afterPreset != afterEngine);

        // Ctrl+Z on the focused combo box: the preset goes, then the engine type.
        QTest::keyClick(engine, Qt::Key_Z, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(simulator.image() == afterEngine, 3000);
        QTest::keyClick(engine, Qt::Key_Z, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(simulator.image() == factory, 3000);
        QCOMPARE(engine->currentIndex(), engineShown);
        QVERIFY(rig.state->session.image.bytes == factory);
        QVERIFY2(rig.messages.isEmpty(), qPrintable(rig.messages.join(QLatin1Char('\n'))));

        // Ctrl+Y sends the engine type again.
        QTest::keyClick(engine, Qt::Key_Y, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(simulator.image() == afterEngine, 3000);

        const JournalReadResult disk = JournalFile(rig.state->journal.folder()).readAll();
        QCOMPARE(disk.skippedLines, 0);
        QStringList actions;
        for (const JournalEntry &e : disk.entries)
            actions << e.action;
        QCOMPARE(actions,
            QStringList({ QStringLiteral("redo: engine type"), QStringLiteral("undo: engine type"),
                QStringLiteral("undo: main map: preset %1").arg(rig.child<QComboBox>("ComboBoxMapReset")->itemText(1)),
                QStringLiteral("main map: preset %1").arg(rig.child<QComboBox>("ComboBoxMapReset")->itemText(1)),
                QStringLiteral("engine type") }));
        form.close();
    }
};

int main(int argc, char **argv)
{
    KelvaneApplication app(argc, argv);
    TstEditMenuEndToEnd t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_editmenu_endtoend.moc"

// The settings against the simulated controller on a real pseudo-terminal: settings changed in the
// window reach the controller's memory, and a new connection shows what the controller holds. With
// KELVANE_SETTINGS_SCREENSHOTS naming a folder, the two parameter pages are saved there at 809 x 650
// and at 1600 x 1000.
#include "../support/WindowRig.h"
#include "Conversions.h"
#include "KelvaneApplication.h"
#include "MainWindow.h"
#include "PosixSerial.h"
#include "PtySimulator.h"
#include "TAbNumSpin.h"

#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QScrollArea>
#include <QTabWidget>
#include <QtTest>

using namespace kelvane;

class TstSettingsEndToEnd : public QObject {
    Q_OBJECT

    template <class T> static T *child(TForm1 &form, const char *name)
    {
        T *w = form.findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }

    static void saveScreens(TForm1 &form, const QString &folder)
    {
        const QSize sizes[] = { { 809, 650 }, { 1600, 1000 } };
        auto *pages = child<QTabWidget>(form, "PageControlParametry");
        form.F3parameters1Click();
        // The side strip shows live readings in the pictures.
        form.timer()->start();
        for (const QSize &size : sizes) {
            form.resizeOuter(size.width(), size.height());
            QTRY_COMPARE(form.frameGeometry().size(), size);
            for (int page = 0; page < 2; ++page) {
                pages->setCurrentIndex(page);
                QTest::qWait(800);
                const QString name
                    = QStringLiteral("%1/parameters-%2-%3x%4.png")
                          .arg(folder, page == 0 ? QStringLiteral("podstawowe") : QStringLiteral("zaawansowane"))
                          .arg(size.width())
                          .arg(size.height());
                QVERIFY(form.grab().save(name, "PNG"));
            }
        }
        // Every section open: the whole content of each page, for a look at every control.
        for (int page = 0; page < 2; ++page) {
            pages->setCurrentIndex(page);
            for (auto *toggle : pages->widget(page)->findChildren<QLabel *>()) {
                if (toggle->text() == QLatin1String("- >>>>"))
                    QTest::mouseClick(toggle, Qt::LeftButton);
            }
            QApplication::processEvents();
            auto *scroll = child<QScrollArea>(form, page == 0 ? "ScrollBox2" : "ScrollBox1");
            const QString name
                = QStringLiteral("%1/parameters-%2-open-1600x1000.png")
                      .arg(folder, page == 0 ? QStringLiteral("podstawowe") : QStringLiteral("zaawansowane"));
            QVERIFY(scroll->widget()->grab().save(name, "PNG"));
        }
    }

private slots:
    void aChangedSettingReachesTheControllerAndComesBack()
    {
        test::WindowRig rig;
        QVERIFY2(rig.start(test::WindowRig::Options::simulatorOnPty()), rig.error.c_str());
        sim::PtySimulator &simulator = *rig.pty;
        AppState &state = *rig.state;
        TForm1 &form = *rig.form;

        form.F10autoconnect1Click();
        QVERIFY(state.session.conn.Connected);
        // Connecting wrote nothing: the controller still holds its factory settings.
        QVERIFY(simulator.image() == sim::factoryImage(57600));

        // The fitter picks "turbo" and steps the main enrichment up twice, from 15 to 17 %.
        auto *turbo = child<QComboBox>(form, "ComboBoxTurbo");
        QCOMPARE(turbo->currentIndex(), 0);
        QTest::keyClick(turbo, Qt::Key_Down);
        auto *enrich = child<TAbNumSpin>(form, "AbNumSpinWzbogacenieGlowne");
        QCOMPARE(enrich->value(), 15.0);
        QTest::keyClick(enrich->spinBox(), Qt::Key_Up);
        QTest::keyClick(enrich->spinBox(), Qt::Key_Up);
        // And "MAGIC JET" injectors.
        auto *injectors = child<QComboBox>(form, "ComboBoxInjTyp");
        injectors->setCurrentIndex(7);
        emit injectors->activated(7);
        QTRY_VERIFY_WITH_TIMEOUT(simulator.image()[543] & 0x20, 2000);
        QTRY_COMPARE_WITH_TIMEOUT(simulator.image()[340] | (simulator.image()[341] << 8), 1170, 2000);
        QTRY_COMPARE_WITH_TIMEOUT(int(simulator.image()[131]), 7, 2000);
        QVERIFY(simulator.image() == state.session.image.bytes);

        // Another connection shows what the controller holds, whatever the controls showed before.
        state.session.connection.Disconnect();
        turbo->setCurrentIndex(0);
        enrich->setValue(-5);
        injectors->setCurrentIndex(0);
        form.F10autoconnect1Click();
        QVERIFY(state.session.conn.Connected);
        QCOMPARE(turbo->currentText(), QStringLiteral("turbo"));
        QCOMPARE(enrich->value(), 17.0);
        QCOMPARE(injectors->currentText(), QStringLiteral("MAGIC JET"));
        QCOMPARE(
            child<TAbNumSpin>(form, "AbNumSpinMinInj")->value(), double(TicksToMs(409, 0, state.session.timeBases)));

        const QString folder = qEnvironmentVariable("KELVANE_SETTINGS_SCREENSHOTS");
        if (!folder.isEmpty()) {
            QVERIFY(QDir().mkpath(folder));
            saveScreens(form, folder);
        }
        form.close();
    }
};

int main(int argc, char **argv)
{
    KelvaneApplication app(argc, argv);
    TstSettingsEndToEnd t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_settings_endtoend.moc"

// The mouse wheel over the window, delivered as the window system delivers it (spontaneous events
// through QWindowSystemInterface, so Qt's own focus-on-wheel and propagation rules apply): a turn
// over a settings control that does not hold the focus scrolls the page and sends nothing; a
// focused control still takes the wheel; the map pages' reset and preset lists never do.
#include "../support/WindowRig.h"
#include "KelvaneApplication.h"
#include "MainWindow.h"
#include "Protocol.h"
#include "ScriptedSerial.h"
#include "Simulator.h"
#include "TAbNumSpin.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <QtTest>
#include <qpa/qwindowsysteminterface.h>

#include <memory>

using namespace kelvane;

namespace {
const std::string Device = "/dev/ttyFAKE3";

QString valueOf(QWidget *w)
{
    if (auto *s = qobject_cast<TAbNumSpin *>(w))
        return QString::number(s->value(), 'g', 10);
    if (auto *c = qobject_cast<QComboBox *>(w))
        return QString::number(c->currentIndex());
    if (auto *s = qobject_cast<QSlider *>(w))
        return QString::number(s->value());
    return QStringLiteral("?");
}

// The widget the wheel lands on: the editor inside a spin edit.
QWidget *wheelTarget(QWidget *control)
{
    if (auto *s = qobject_cast<TAbNumSpin *>(control))
        return s->spinBox();
    return control;
}
} // namespace

class TstWheel : public QObject, public test::WindowRigFixture {
    Q_OBJECT

    template <class T> T *child(const char *name)
    {
        T *w = form->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    // Frames that change the controller (anything but the greeting and the read requests) since
    // the log was cleared.
    int imageWrites() const
    {
        int n = 0;
        for (const auto &w : line->written()) {
            const auto &b = w.bytes;
            if (b.empty())
                continue;
            const auto command = static_cast<proto::Command>(b[0]);
            if (command != proto::Command::Hello && command != proto::Command::Request)
                ++n;
        }
        return n;
    }
    // One notch (120) or more, up for positive counts, at a point of the window as the pointer
    // would deliver it.
    void wheelAtWindowPoint(const QPoint &pos, int notches)
    {
        QWindowSystemInterface::handleWheelEvent(
            form->windowHandle(), QPointF(pos), QPointF(form->mapToGlobal(pos)), QPoint(), QPoint(0, 120 * notches));
        QCoreApplication::processEvents();
    }
    void wheelOver(QWidget *w, int notches) { wheelAtWindowPoint(w->mapTo(form.get(), w->rect().center()), notches); }
    // Leaves the focus on a widget that takes no wheel (the window's page tabs).
    void focusAway()
    {
        auto *tabs = child<QTabWidget>("PageControl1");
        tabs->setFocus(Qt::OtherFocusReason);
        QCoreApplication::processEvents();
    }
    void openSection(const char *toggle)
    {
        auto *label = child<QLabel>(toggle);
        if (label->text() != QLatin1String("- <<<<"))
            QTest::mouseClick(label, Qt::LeftButton);
    }
    void showPage(const QString &page)
    {
        if (page == QLatin1String("basic")) {
            form->F3parameters1Click();
            child<QTabWidget>("PageControlParametry")->setCurrentIndex(0);
            for (const char *t : { "LabelParP1", "LabelParP2", "LabelParP3", "LabelParP4", "LabelParP5", "LabelParP6" })
                openSection(t);
        } else if (page == QLatin1String("advanced")) {
            form->F3parameters1Click();
            child<QTabWidget>("PageControlParametry")->setCurrentIndex(1);
            for (const char *t : { "LabelR0", "LabelAdvR1", "LabelAdvR2", "LabelAdvR3", "LabelAdvR4", "LabelAdvR5",
                     "LabelAdvR6", "LabelAdvR7" })
                openSection(t);
        } else if (page == QLatin1String("mapping")) {
            form->F6mapping1Click();
        } else if (page == QLatin1String("advanced map")) {
            form->F7advancedmap1Click();
        } else if (page == QLatin1String("diagnostic")) {
            form->F5diagnostic1Click();
        }
        QCoreApplication::processEvents();
    }
    QScrollArea *scrollAround(QWidget *w)
    {
        for (QWidget *p = w->parentWidget(); p; p = p->parentWidget())
            if (auto *a = qobject_cast<QScrollArea *>(p))
                return a;
        return nullptr;
    }
    // Brings a control into the visible part of its scroll box, with room to scroll down.
    void bringIntoView(QWidget *w)
    {
        if (QScrollArea *area = scrollAround(w)) {
            area->verticalScrollBar()->setValue(0);
            area->ensureWidgetVisible(w, 0, 10);
        }
        QCoreApplication::processEvents();
    }

private slots:
    void init()
    {
        test::WindowRig::Options options;
        options.startImage = sim::factoryImage(57600);
        options.keepWrites = true;
        options.show = false;
        QVERIFY2(rig.start(options), rig.error.c_str());
        form->resize(809, 650);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->F10autoconnect1Click();
        QVERIFY(state->session.conn.Connected);
    }
    void cleanup() { rig.stop(); }

    void unfocusedControlScrollsThePage_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("control");
        // The header list of "2.Propane injector": one notch applied an injector preset.
        QTest::newRow("injector list in a section header") << "basic"
                                                           << "ComboBoxInjTyp";
        QTest::newRow("combo box") << "basic"
                                   << "ComboBoxRpmSw";
        QTest::newRow("spin edit") << "basic"
                                   << "AbNumSpinMinInj";
        QTest::newRow("track bar") << "basic"
                                   << "TrackBarExtraInj";
        QTest::newRow("spin edit, advanced page") << "advanced"
                                                  << "AbNumSpinAdvTempHeat";
        QTest::newRow("combo box, advanced page") << "advanced"
                                                  << "ComboBoxHeatMode";
        QTest::newRow("track bar, advanced page") << "advanced"
                                                  << "TrackBarSwitchBright";
    }
    void unfocusedControlScrollsThePage()
    {
        QFETCH(QString, page);
        QFETCH(QString, control);
        showPage(page);
        QWidget *w = child<QWidget>(control.toLatin1().constData());
        QVERIFY(w->isEnabled());
        bringIntoView(w);
        QScrollArea *area = scrollAround(w);
        QVERIFY(area);
        QScrollBar *bar = area->verticalScrollBar();
        QVERIFY2(bar->value() < bar->maximum(), "the page must be able to scroll down");
        focusAway();
        const QString before = valueOf(w);
        const int top = bar->value();
        line->clearLog();

        wheelOver(wheelTarget(w), -1);

        QCOMPARE(valueOf(w), before);
        QCOMPARE(imageWrites(), 0);
        QVERIFY2(bar->value() > top, "the turn scrolls the page as if the control were not there");
        QVERIFY(!wheelTarget(w)->hasFocus());
    }

    void focusedControlTakesTheWheel_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("control");
        QTest::newRow("combo box") << "basic"
                                   << "ComboBoxRpmSw";
        QTest::newRow("spin edit") << "basic"
                                   << "AbNumSpinMinInj";
        QTest::newRow("track bar") << "basic"
                                   << "TrackBarExtraInj";
    }
    void focusedControlTakesTheWheel()
    {
        QFETCH(QString, page);
        QFETCH(QString, control);
        showPage(page);
        QWidget *w = child<QWidget>(control.toLatin1().constData());
        bringIntoView(w);
        QScrollBar *bar = scrollAround(w)->verticalScrollBar();
        wheelTarget(w)->setFocus(Qt::MouseFocusReason);
        QCoreApplication::processEvents();
        QVERIFY(wheelTarget(w)->hasFocus());
        const QString before = valueOf(w);
        const int top = bar->value();
        line->clearLog();

        wheelOver(wheelTarget(w), -1);

        QVERIFY2(valueOf(w) != before, "a focused control changes by the wheel");
        QVERIFY(imageWrites() > 0);
        QCOMPARE(bar->value(), top);
    }

    // What a new fitter does: turn the wheel all over each page with nothing focused. Nothing
    // may reach the controller, and no settings control may take the focus.
    void wheelAllOverThePagesSendsNothing_data()
    {
        QTest::addColumn<QString>("page");
        for (const char *p : { "basic", "advanced", "mapping", "advanced map", "diagnostic" })
            QTest::newRow(p) << p;
    }
    void wheelAllOverThePagesSendsNothing()
    {
        QFETCH(QString, page);
        showPage(page);
        focusAway();
        line->clearLog();
        int turns = 0;
        for (int y = 30; y < form->height() - 5; y += 12) {
            for (int x = 5; x < form->width() - 5; x += 30) {
                wheelAtWindowPoint({ x, y }, (x / 30 + y / 12) % 2 ? -1 : 1);
                ++turns;
            }
        }
        QVERIFY(turns > 1000);
        QCOMPARE(imageWrites(), 0);
        QWidget *focus = QApplication::focusWidget();
        QVERIFY2(!qobject_cast<QAbstractSpinBox *>(focus) && !qobject_cast<QComboBox *>(focus),
            qPrintable(focus ? focus->objectName() : QString()));
    }

    // One notch over "map reset:" replaced all 128 cells of a tuned map; the axis presets a
    // whole axis. They never take the wheel, focused or not.
    void mapListsNeverTakeTheWheel()
    {
        showPage(QStringLiteral("advanced map"));
        auto *reset = child<QComboBox>("ComboBoxMapReset");
        line->clearLog();
        wheelOver(reset, -1);
        wheelOver(reset, 1);
        QCOMPARE(reset->currentIndex(), 0);
        QCOMPARE(imageWrites(), 0);

        QTest::mouseClick(child<QCheckBox>("CheckBoxModPchar"), Qt::LeftButton);
        QVERIFY(child<QCheckBox>("CheckBoxModPchar")->isChecked());
        QCoreApplication::processEvents();
        for (const char *name : { "ComboBoxRpmDefs", "ComboBoxInjTdefs" }) {
            auto *list = child<QComboBox>(name);
            QVERIFY(list->isVisible());
            list->setFocus(Qt::MouseFocusReason);
            QCoreApplication::processEvents();
            QVERIFY(list->hasFocus());
            wheelOver(list, -1);
            QCOMPARE(list->currentIndex(), 0);
        }
        QCOMPARE(imageWrites(), 0);
    }
};

int main(int argc, char **argv)
{
    KelvaneApplication app(argc, argv);
    TstWheel t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_wheel.moc"

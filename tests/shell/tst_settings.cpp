// The settings controls of the window on a scripted controller holding the simulator's factory
// image: what each control shows after the connect (a table written from the field formulas), that
// every control is live and sends its field, the cascades through the real widgets, the rules of
// leaving a control, the collapsible sections and the usable sizes.
#include "../support/WindowRig.h"
#include "Conversions.h"
#include "FieldTable.h"
#include "KelvaneApplication.h"
#include "MainWindow.h"
#include "ParametersPage.h"
#include "ScriptedSerial.h"
#include "SettingsControls.h"
#include "SettingsWiring.h"
#include "Simulator.h"
#include "TAbBar.h"
#include "TAbNumSpin.h"
#include "TAbToggleSwitch.h"
#include "WriteBack.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

using namespace kelvane;

namespace {
const std::string Device = "/dev/ttyFAKE3";

// What a settings control shows, as text: a spin edit its number, a combo box its item's text (or
// the text it shows without one), a check box or toggle switch "on"/"off", a track bar its position,
// an edit its text.
QString shown(QWidget *w)
{
    if (auto *s = qobject_cast<TAbNumSpin *>(w))
        return QString::number(s->value(), 'g', 10);
    if (auto *c = qobject_cast<QComboBox *>(w))
        return c->currentIndex() >= 0 ? c->currentText() : QStringLiteral("[%1]").arg(c->placeholderText());
    if (auto *c = qobject_cast<QCheckBox *>(w))
        return c->isChecked() ? QStringLiteral("on") : QStringLiteral("off");
    if (auto *t = qobject_cast<TAbToggleSwitch *>(w))
        return t->isOn() ? QStringLiteral("on") : QStringLiteral("off");
    if (auto *s = qobject_cast<QSlider *>(w))
        return QString::number(s->value());
    if (auto *e = qobject_cast<QLineEdit *>(w))
        return e->text();
    return QStringLiteral("?");
}
} // namespace

class TstSettings : public QObject, public test::WindowRigFixture {
    Q_OBJECT

    template <class T> T *child(const char *name)
    {
        T *w = form->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    void connectEcu()
    {
        form->F10autoconnect1Click();
        QVERIFY(state->session.conn.Connected);
    }
    // The image frames written since the log was cleared.
    QStringList sent() const
    {
        QStringList out;
        for (const auto &w : line->written()) {
            if (const auto f = parseWriteFrame(w.bytes))
                out << QStringLiteral("%1%2=%3").arg(f->word ? 'w' : 'b').arg(f->index).arg(f->value);
        }
        return out;
    }
    QStringList sentPlaces() const
    {
        QStringList out;
        for (const QString &f : sent())
            out << f.section(QLatin1Char('='), 0, 0);
        return out;
    }
    void openSection(const char *toggle)
    {
        auto *label = child<QLabel>(toggle);
        if (label->text() != QLatin1String("- <<<<"))
            QTest::mouseClick(label, Qt::LeftButton);
        QCOMPARE(label->text(), QStringLiteral("- <<<<"));
    }
    void activate()
    {
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }

private slots:
    void init()
    {
        test::WindowRig::Options options;
        options.startImage = sim::factoryImage(57600);
        options.keepWrites = true;
        QVERIFY2(rig.start(options), rig.error.c_str());
    }
    void cleanup() { rig.stop(); }

    // The factory image, as the field formulas decode it at 57600 baud (0.0044 ms per tick):
    // 4 cylinders, "0-14V", injector "H2000 black", level sensor "0-20k", 1500 rpm to gas, ...
    void connectShowsTheFactoryImageInEveryControl()
    {
        const struct {
            const char *control;
            const char *expected;
        } golden[] = {
            { "ComboBoxRpmSet", "4 cylinders" },
            { "ComboBoxRpmSignal", "0-14V" },
            { "AbNumSpinRpmSignalV", "4" }, // 1024 x 3.2 x 0.001220703125
            { "ComboBoxTurbo", "no turbo" },
            { "ComboBoxInjNum", "4" },
            { "ComboBoxLambdaTyp", "0-1V" },
            { "ComboBoxInjTyp", "H2000 black" },
            { "AbNumSpinMinInj", "1.1968" }, // 272 ticks
            { "AbNumSpinPeak", "3.9996" }, // 909 ticks
            { "AbNumSpinHold", "38" }, // 100 - 1800 div 29
            { "ComboBoxLevSensor", "0-20k" },
            { "AbNumSpinE", "1.99836" }, // 1638 x 0.00122
            { "AbNumSpin14", "2.59738" },
            { "AbNumSpin24", "2.99754" },
            { "AbNumSpin34", "4.29684" },
            { "CheckBoxLevelSensorNegativ", "off" },
            { "AbNumSpinRezRef", "25" },
            { "CheckBoxWskaznikZasilany", "off" },
            { "ComboBoxRpmSw", "1500" },
            { "ComboBoxTempSw", "40" },
            { "AbNumSpinOnDelay", "3" },
            { "AbNumSpinCylinderTime", "0.5" },
            { "AbNumSpinOffPres", "0.5" },
            { "ComboBoxMinRpm", "off" },
            { "ComboBoxMaxRpm", "off" },
            { "AbNumSpinOffDelay", "0.3" },
            { "ComboBoxPowrotZminRpm", "OFF" },
            { "ComboBoxPowrotZminRpmTime", "[]" }, // word 236 is 0: an empty text
            { "CheckBoxValvetronic", "off" }, // not shown from the image
            { "TrackBarExtraInj", "7" }, // 79 div 10
            { "TrackBarAccelEnrich", "50" },
            { "ComboBoxAccRich", "accelerate enrichment OFF" },
            { "ComboBoxTGsensor", "4k7" },
            { "ComboBoxTRsensor", "4k7" },
            { "ComboBoxPresSensor", "FreeSCALE 4.0 BAR" },
            { "ComboBoxMAPSensType", "Freescale 4.0 Bar" },
            { "AbToggleSwitchTempCorProp", "off" },
            { "AbToggleSwitchTempCorRed", "off" },
            { "ComboBoxExtRelay", "Allways OFF" },
            { "AbToggleSwitchInjHeat", "on" },
            { "AbNumSpinAdvTempHeat", "39" },
            { "AbNumSpinAdvHeatT", "500" },
            { "AbNumSpinAdvHeatNornal", "1.7996" }, // 409 ticks
            { "AbNumSpinAdvHeatLow", "1.3992" }, // 318 ticks
            { "ComboBoxHeatMode", "NORMAL" }, // 545.3 clear, word 358 = 0: no second pulse
            { "AbToggleSwitchAdv7", "off" },
            { "AbNumSpinMazdaMinInj", "2.9964" }, // 681 ticks
            { "AbNumSpinMazdaMaxInj", "11.9988" }, // 2727 ticks
            { "AbNumSpinMinRpm", "1200" },
            { "AbNumSpinFilterStep", "1.9976" }, // 454 ticks
            { "ComboBoxDifPenEm28", "2,5" },
            { "TrackBarSwitchBright", "10" }, // (255 - 5) div 25
            { "TrackBarBeepTime", "5" }, // 15 div 3
            { "CheckBoxSilentMode", "off" },
            { "CheckBoxBeepWhenGazOn", "on" },
            { "CheckBoxBeepWhenSwClick", "on" },
            { "CheckBoxBeepWhenError", "on" },
            { "ComboBoxBeepsWhenEmpty", "15" },
            { "ComboBoxErrorsBeep", "10" },
            { "CheckBoxGazStart", "off" },
            { "AbNumSpinWzbogacenieGlowne", "15" }, // (1150 - 1000) div 10
            { "AbNumSpinOffsetGlowny", "0.2992" }, // 68 ticks
            { "AbNumSpinCisnieniePracy", "1.1" },
            { "AbNumSpinDiagOffsetIn1", "0" },
            { "AbNumSpinDiagOffsetIn2", "0" },
            { "AbNumSpinDiagOffsetIn3", "0" },
            { "AbNumSpinDiagOffsetIn4", "0" },
            { "AbNumSpinDiagOffsetIn5", "0" },
            { "AbNumSpinDiagOffsetIn6", "0" },
            { "AbNumSpinDiagOffsetIn7", "0" },
            { "AbNumSpinDiagOffsetIn8", "0" },
            { "ComboBoxGazAutoOn", "ON" },
            { "ComboBoxFastCutOff", "CUTOFF FAST" },
            { "ComboBoxBlowPressure", "NO BlowPressure" },
            { "ComboBoxObd", "ENABLE" },
            { "ComboBoxObdCorr", "DISABLE" },
            { "ComboBoxOBDholdValue", "128(0)" },
            { "EditSwitchBright", "100#0" },
            { "EditBeepTime", "50#0" },
        };
        connectEcu();
        QStringList wrong;
        QSet<QString> covered;
        for (const auto &g : golden) {
            covered.insert(QString::fromLatin1(g.control));
            QWidget *w = child<QWidget>(g.control);
            const QString actual = shown(w);
            QString expected = QString::fromLatin1(g.expected);
            expected.replace(QLatin1Char('#'), QLatin1Char(systemDecimalPoint()));
            bool same = actual == expected;
            // Spin edits hold 32-bit float times: compare numbers to a millionth.
            bool isNumber = false;
            const double e = expected.toDouble(&isNumber);
            if (!same && isNumber && qobject_cast<TAbNumSpin *>(w))
                same = qAbs(actual.toDouble() - e) < 1e-6;
            if (!same)
                wrong << QStringLiteral("%1: shows %2, expected %3").arg(g.control, actual, expected);
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
        for (const SettingsControl &c : settingsControls())
            QVERIFY2(covered.contains(QString::fromLatin1(c.control)), c.control);
        // Visibility and ranges that follow the image.
        QVERIFY(!child<QWidget>("AbNumSpinRpmSignalV")->isHidden());
        QVERIFY(child<QWidget>("ComboBoxPowrotZminRpmTime")->isHidden());
        QCOMPARE(child<TAbBar>("AbBarLambda")->maximum(), 1.2);
        QCOMPARE(child<TAbBar>("AbBarPasL")->maximum(), 1.2);
        QVERIFY(child<QWidget>("ComboBoxBlowPressure")->isEnabled());
        auto *diag = child<QTabWidget>("PageControlDiag");
        QVERIFY(diag->isTabEnabled(diag->indexOf(child<QWidget>("TabSheetOBD"))));
        // Connecting wrote nothing into the controller and changed nothing in the PC's copy.
        QVERIFY2(sent().isEmpty(), qPrintable(sent().join(QLatin1Char(' '))));
        QVERIFY(state->session.image.bytes == sim::factoryImage(57600));
        QVERIFY(messages.isEmpty());
    }

    // Every control of the settings table is enabled and a fitter's action on it sends its field.
    void everySettingsControlIsLive()
    {
        connectEcu();
        QVERIFY(form->settingsWiring()->missingControls().isEmpty());
        for (const SettingsControl &c : settingsControls()) {
            QWidget *w = child<QWidget>(c.control);
            QVERIFY2(w->isEnabled(), c.control);
            // The signal level is written only for the "0-14V" source, which the signal box has
            // left by now.
            if (w->objectName() == QLatin1String("AbNumSpinRpmSignalV"))
                child<QComboBox>("ComboBoxRpmSignal")->setCurrentIndex(1);
            line->clearLog();
            if (auto *combo = qobject_cast<QComboBox *>(w)) {
                QTest::keyClick(combo, combo->currentIndex() + 1 < combo->count() ? Qt::Key_Down : Qt::Key_Up);
            } else if (auto *spin = qobject_cast<TAbNumSpin *>(w)) {
                QTest::keyClick(spin->spinBox(), spin->value() < spin->maximum() ? Qt::Key_Up : Qt::Key_Down);
            } else if (auto *check = qobject_cast<QCheckBox *>(w)) {
                check->click();
            } else if (auto *toggle = qobject_cast<TAbToggleSwitch *>(w)) {
                QTest::keyClick(toggle, Qt::Key_Space);
            } else if (auto *slider = qobject_cast<QSlider *>(w)) {
                QTest::keyClick(slider, slider->value() < slider->maximum() ? Qt::Key_Right : Qt::Key_Left);
            }
            const FieldDef *f = fieldOfControl(c.control);
            QVERIFY2(f, c.control);
            const QString own = QStringLiteral("%1%2").arg(f->send == SendKind::Byte ? 'b' : 'w').arg(f->sendIndex);
            QVERIFY2(sentPlaces().contains(own),
                qPrintable(QStringLiteral("%1 sent %2").arg(c.control, sent().join(QLatin1Char(' ')))));
            // Silent mode disables the beep boxes that follow in the table: sound on again.
            if (w->objectName() == QLatin1String("CheckBoxSilentMode")) {
                static_cast<QCheckBox *>(w)->click();
                QVERIFY(child<QWidget>("CheckBoxBeepWhenGazOn")->isEnabled());
            }
        }
        // The controller holds what the PC holds.
        QVERIFY(state->session.image.bytes == ecu->image);
    }

    // From "0-14V" to "INJ" by the keyboard: every stored speed is encoded again and sent in order,
    // the map's speed axis through the map editor's own header row.
    void theSignalSourceReencodesEverySpeedInOrder()
    {
        connectEcu();
        line->clearLog();
        QTest::keyClick(child<QComboBox>("ComboBoxRpmSignal"), Qt::Key_Down);
        QCOMPARE(sent(),
            (QStringList { "w272=512", "w237=2", "b125=3", "w181=36363", "w182=0", "w270=6448", "w183=0", "w270=6448",
                "w203=45454", "w245=54545", "w246=36363", "w247=27272", "w248=18181", "w249=13636", "w250=10909",
                "w251=9090", "w252=7792" }));
        QVERIFY(state->session.image.bytes == ecu->image);
        QVERIFY(child<QWidget>("AbNumSpinRpmSignalV")->isHidden());
        QCOMPARE(child<QComboBox>("ComboBoxRpmSw")->currentText(), QStringLiteral("1500"));
    }

    void stepButtonsMoveTheTrackBarsAndWrite()
    {
        connectEcu();
        for (const char *b : { "ButtonExtraInPlus", "ButtonExtraInMinus", "ButtonAccelPlus", "ButtonAccelMinus" })
            QVERIFY(child<QPushButton>(b)->isEnabled());
        line->clearLog();
        child<QPushButton>("ButtonAccelPlus")->click();
        child<QPushButton>("ButtonExtraInMinus")->click();
        QCOMPARE(sent(), (QStringList { "w364=510", "w175=60" }));
        QCOMPARE(child<QSlider>("TrackBarAccelEnrich")->value(), 51);
        QCOMPARE(child<QSlider>("TrackBarExtraInj")->value(), 6);
    }

    // The level preset through the real check boxes: each that changes sends word 270 on its own.
    void levelPresetTicksTheCheckBoxes()
    {
        connectEcu();
        line->clearLog();
        auto *combo = child<QComboBox>("ComboBoxLevSensor");
        combo->setCurrentIndex(6); // the fitter picks "Hall 5-0V"
        emit combo->activated(6);
        QCOMPARE(
            sentPlaces(), (QStringList { "b130", "w270", "w270", "b130", "w270", "w187", "w188", "w189", "w190" }));
        QVERIFY(child<QCheckBox>("CheckBoxLevelSensorNegativ")->isChecked());
        QVERIFY(child<QCheckBox>("CheckBoxWskaznikZasilany")->isChecked());
        QCOMPARE(state->session.image.word(374), std::uint16_t(3440));
        QVERIFY(state->session.image.bytes == ecu->image);
    }

    // Leaving the injector box re-sends the type but keeps the minimum time the fitter typed.
    void leavingTheInjectorBoxKeepsWhatTheFitterTuned()
    {
        connectEcu();
        form->F3parameters1Click();
        openSection("LabelParP2");
        activate();
        auto *typ = child<QComboBox>("ComboBoxInjTyp");
        typ->setCurrentIndex(7); // "MAGIC JET"
        emit typ->activated(7);
        auto *minInj = child<TAbNumSpin>("AbNumSpinMinInj");
        QCOMPARE(minInj->value(), 1.8);
        minInj->setFocus(Qt::TabFocusReason);
        minInj->spinBox()->selectAll();
        QTest::keyClicks(minInj->spinBox(), minInj->spinBox()->textFromValue(2.0));
        typ->setFocus(Qt::TabFocusReason);
        line->clearLog();
        minInj->setFocus(Qt::TabFocusReason); // leaving the injector box
        QCOMPARE(sent(), QStringList { "b131=7" });
        QCOMPARE(state->session.image.word(342), std::uint16_t(454)); // 2.0 ms
        QCOMPARE(minInj->value(), 2.0);
    }

    void leavingAControlSendsWhatTheControllerHasOrNothing()
    {
        ecu->image[23] = 10; // "temp" shows an empty text
        ecu->image[340] = 995 & 0xFF, ecu->image[341] = 995 >> 8; // 0 % shown, 995 stored
        connectEcu();
        activate();
        auto *elsewhere = child<QWidget>("AbNumSpinOffsetGlowny");
        auto *enrich = child<TAbNumSpin>("AbNumSpinWzbogacenieGlowne");
        form->F4adjustment1Click();
        line->clearLog();
        enrich->setFocus(Qt::TabFocusReason);
        elsewhere->setFocus(Qt::TabFocusReason);
        QCOMPARE(sent(), QStringList { "w170=995" });
        // A combo box without a selection, and one that does not repeat on leaving.
        form->F3parameters1Click();
        openSection("LabelParP4");
        auto *temp = child<QComboBox>("ComboBoxTempSw");
        QCOMPARE(temp->currentIndex(), -1);
        line->clearLog();
        temp->setFocus(Qt::TabFocusReason);
        child<QWidget>("AbNumSpinOnDelay")->setFocus(Qt::TabFocusReason);
        child<QWidget>("AbNumSpinCylinderTime")->setFocus(Qt::TabFocusReason);
        QCOMPARE(sent(), QStringList { "w168=30" }); // only the on delay, left unedited
        QCOMPARE(state->session.image.byte(23), std::uint8_t(10));
    }

    // Typing a time into a Mazda edit: each step of the typing is written and shown as the
    // controller reads it back, and the typing still ends where the fitter meant it to.
    void typingIntoAMazdaTimeIsNotInterrupted()
    {
        connectEcu();
        form->F3parameters1Click();
        child<QTabWidget>("PageControlParametry")->setCurrentIndex(1);
        openSection("LabelAdvR6");
        activate();
        auto *maxInj = child<TAbNumSpin>("AbNumSpinMazdaMaxInj");
        maxInj->setFocus(Qt::TabFocusReason);
        maxInj->spinBox()->selectAll();
        const QString typed = maxInj->spinBox()->textFromValue(12.5);
        QTest::keyClicks(maxInj->spinBox(), typed);
        QCOMPARE(maxInj->spinBox()->text(), typed);
        child<QWidget>("AbNumSpinFilterStep")->setFocus(Qt::TabFocusReason);
        QCOMPARE(state->session.image.word(402), std::uint16_t(2840)); // 12.5 ms
        QCOMPARE(maxInj->value(), double(TicksToMs(2840, 1, state->session.timeBases)));
        QVERIFY(!maxInj->isEdited());
    }

    void aSoftwareRevisionBelowThreeKeepsBlowPressureDisabled()
    {
        ecu->sw = 2;
        ecu->image[544] |= 0x01;
        connectEcu();
        auto *blow = child<QComboBox>("ComboBoxBlowPressure");
        QVERIFY(!blow->isEnabled());
        QCOMPARE(blow->currentIndex(), 1);
    }

    // --- Sections --------------------------------------------------------------------------------

    void sectionsStackByTheirRule()
    {
        int height = 0;
        const auto places = placeSections(2, { { 20, 100, true }, { 22, 50, false }, { 24, 60, true } }, &height);
        QCOMPARE(places[0].headerTop, 2);
        QCOMPARE(places[0].boxTop, 22);
        QCOMPARE(places[1].headerTop, 123); // 22 + 100 + 1
        QCOMPARE(places[1].boxTop, 145);
        QCOMPARE(places[2].headerTop, 146); // a closed box adds 1
        QCOMPARE(places[2].boxTop, 170);
        QCOMPARE(height, 230);
        QCOMPARE(sectionWidth(400), 557);
        QCOMPARE(sectionWidth(700), 660);
    }

    void closingASectionMovesTheFollowingHeadersUpByItsBox()
    {
        form->F3parameters1Click();
        auto *box = child<QGroupBox>("GroupBoxPar1");
        QVERIFY(!box->isHidden());
        QTRY_VERIFY(box->height() > 0);
        const int h = box->height();
        std::vector<int> before;
        for (int n = 2; n <= 6; ++n)
            before.push_back(child<QWidget>(qPrintable(QStringLiteral("ShapePar%1").arg(n)))->y());
        QTest::mouseClick(child<QLabel>("LabelParP1"), Qt::LeftButton);
        QCOMPARE(child<QLabel>("LabelParP1")->text(), QStringLiteral("- >>>>"));
        QVERIFY(box->isHidden());
        for (int n = 2; n <= 6; ++n)
            QTRY_COMPARE(child<QWidget>(qPrintable(QStringLiteral("ShapePar%1").arg(n)))->y(),
                before[static_cast<std::size_t>(n - 2)] - h);
        // The header rows: shape, caption, header control and toggle in one row.
        QCOMPARE(child<QWidget>("ComboBoxInjTyp")->parentWidget(), child<QWidget>("ShapePar2"));
        QCOMPARE(child<QWidget>("LabelParP3")->parentWidget(), child<QWidget>("ShapePar3"));
        QCOMPARE(child<QWidget>("AbToggleSwitchInjHeat")->parentWidget(), child<QWidget>("ShapeAdv6"));
        // The temperature sections stack their content in a column.
        for (const char *name : { "GroupBoxAdv3", "GroupBoxAdv4" })
            QVERIFY(qobject_cast<QVBoxLayout *>(child<QGroupBox>(name)->layout()));
    }

    // At the default size and at a large one every settings control of both parameter pages lies
    // inside its section, at least as wide as it needs, and the sections take the page's width.
    void settingsStayUsable_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("809 x 650") << QSize(809, 650);
        QTest::newRow("1600 x 1000") << QSize(1600, 1000);
    }
    void settingsStayUsable()
    {
        QFETCH(QSize, size);
        connectEcu();
        form->resizeOuter(size.width(), size.height());
        QTRY_COMPARE(form->frameGeometry().size(), size);
        form->F3parameters1Click();
        auto *pages = child<QTabWidget>("PageControlParametry");
        const char *scrolls[2] = { "ScrollBox2", "ScrollBox1" };
        for (int page = 0; page < 2; ++page) {
            pages->setCurrentIndex(page);
            for (auto *toggle : pages->widget(page)->findChildren<QLabel *>()) {
                if (toggle->text() == QLatin1String("- >>>>"))
                    QTest::mouseClick(toggle, Qt::LeftButton);
            }
            QApplication::processEvents();
            auto *scroll = child<QScrollArea>(scrolls[page]);
            const int v
                = page == 0 ? sectionWidth(child<QWidget>("TabSheet2")->width()) : sectionWidth(scroll->width());
            for (auto *box : scroll->widget()->findChildren<QGroupBox *>()) {
                QCOMPARE(box->width(), v);
                // Nothing wider than the view: no sideways scrolling at these sizes.
                QVERIFY2(box->x() + box->width() <= scroll->viewport()->width(), qPrintable(box->objectName()));
            }
            for (const SettingsControl &c : settingsControls()) {
                QWidget *w = child<QWidget>(c.control);
                if (!scroll->widget()->isAncestorOf(w) || !w->isVisibleTo(scroll->widget()))
                    continue;
                QWidget *section = w->parentWidget();
                const QRect r(w->mapTo(section, QPoint(0, 0)), w->size());
                QVERIFY2(section->rect().contains(r), c.control);
                QVERIFY2(w->width() >= w->minimumSizeHint().width(), c.control);
            }
        }
    }
};

int main(int argc, char **argv)
{
    KelvaneApplication app(argc, argv);
    TstSettings t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_settings.moc"

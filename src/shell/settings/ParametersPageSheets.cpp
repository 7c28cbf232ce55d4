// The contents of the two parameter pages: "podstawowe" (basic) and "zaawansowane" (advanced).
#include "ParametersPage.h"

#include "Build.h"
#include "SettingsControls.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace kelvane {

QWidget *ParametersPage::buildBasicSheet()
{
    const Sheet s = beginSheet(QStringLiteral("TabSheet21"), QStringLiteral("ScrollBox2"));
    s.info->addWidget(
        build::label(s.sheet, QStringLiteral("LabelTimeBack"), QStringLiteral("back to propane time [s]:")));
    m_timeBack = build::readOnlyEdit(s.sheet, QStringLiteral("EditTimeBackViz"));
    m_timeBack->setMaximumWidth(80);
    s.info->addWidget(m_timeBack);

    static const char *const captions[6] = { "1.Car setup", "2.Propane injector", "3.Level setup",
        "4.Switch to propane", "5.Back to gasoline", "6.Extra injection, accelerate rich/lean" };
    static const std::vector<const char *> headers[6]
        = { {}, { "ComboBoxInjTyp" }, { "ComboBoxLevSensor" }, {}, {}, {} };
    static const std::vector<const char *> contents[6]
        = { { "ComboBoxRpmSet", "ComboBoxRpmSignal", "AbNumSpinRpmSignalV", "ComboBoxTurbo", "ComboBoxInjNum",
                "ComboBoxLambdaTyp" },
              { "AbNumSpinMinInj", "AbNumSpinPeak", "AbNumSpinHold" },
              { "AbNumSpinE", "AbNumSpin14", "AbNumSpin24", "AbNumSpin34", "CheckBoxLevelSensorNegativ",
                  "AbNumSpinRezRef", "CheckBoxWskaznikZasilany" },
              { "ComboBoxRpmSw", "ComboBoxTempSw", "AbNumSpinOnDelay", "AbNumSpinCylinderTime" },
              { "AbNumSpinOffPres", "ComboBoxMinRpm", "ComboBoxMaxRpm", "AbNumSpinOffDelay", "ComboBoxPowrotZminRpm",
                  "ComboBoxPowrotZminRpmTime", "CheckBoxValvetronic" },
              { "TrackBarExtraInj", "TrackBarAccelEnrich", "ComboBoxAccRich" } };
    for (int n = 1; n <= 6; ++n) {
        const QString num = QString::number(n);
        QGroupBox *box = addSection(s, true, QStringLiteral("ShapePar") + num, QStringLiteral("LabelPar") + num,
            QString::fromLatin1(captions[n - 1]), QStringLiteral("LabelParP") + num,
            QStringLiteral("GroupBoxPar") + num, n == 1, headers[n - 1]);
        m_par[static_cast<std::size_t>(n - 1)] = box;
        fillGroup(box, contents[n - 1]);
    }
    addStepButtons(m_par[5], "TrackBarExtraInj");
    addStepButtons(m_par[5], "TrackBarAccelEnrich");
    addUnitLabel(m_par[4], "ComboBoxPowrotZminRpmTime", "LabelCzasPowrotuG2", QStringLiteral("[s]"));
    // Shown only for the "0-14V" signal source, and while "back to propane after:" is on; the
    // valvetronic box is hidden in this layout.
    for (const char *hidden : { "AbNumSpinRpmSignalV", "CheckBoxValvetronic", "ComboBoxPowrotZminRpmTime",
             "LabelCzasPowrotuG", "LabelCzasPowrotuG2" }) {
        if (QWidget *w = s.content->findChild<QWidget *>(QString::fromLatin1(hidden)))
            w->hide();
    }
    finishSheet(s);
    m_basic = s;
    return s.sheet;
}

QWidget *ParametersPage::buildAdvancedSheet()
{
    const Sheet s = beginSheet(QStringLiteral("TabSheet22"), QStringLiteral("ScrollBox1"));
    m_workTime = build::label(s.sheet, QStringLiteral("LabelWorkTime"), QString());
    s.info->addWidget(m_workTime);

    static const char *const captions[8]
        = { "1.SENSORS:", "2.SERVICE:", "3.Propane Temperature Correction", "4.Reducer Temperature Correction",
              "5.External Relay Driver", "6.Injectors heating", "7.Mazda v.4", "8.Extras" };
    static const char *const headerNames[8] = { "LabelCzujniki", "LabelAdvService", "LabelTempCorPropan",
        "LabelTempCorRed", "LabelAdvRelayDr", "LabelInjHeat", "LabelAdv7", "LabelAdv8" };
    static const std::vector<const char *> headers[8] = { {}, {}, { "AbToggleSwitchTempCorProp" },
        { "AbToggleSwitchTempCorRed" }, {}, { "AbToggleSwitchInjHeat" }, { "AbToggleSwitchAdv7" }, {} };
    static const std::vector<const char *> contents[8]
        = { { "ComboBoxTGsensor", "ComboBoxTRsensor", "ComboBoxPresSensor", "ComboBoxMAPSensType" }, {}, {}, {},
              { "ComboBoxExtRelay" },
              { "AbNumSpinAdvTempHeat", "AbNumSpinAdvHeatT", "AbNumSpinAdvHeatNornal", "AbNumSpinAdvHeatLow",
                  "ComboBoxHeatMode" },
              {}, {} };
    for (int n = 1; n <= 8; ++n) {
        const QString num = QString::number(n);
        const QString toggle
            = n == 1 ? QStringLiteral("LabelR0") : QStringLiteral("LabelAdvR") + QString::number(n - 1);
        QGroupBox *box = addSection(s, false, QStringLiteral("ShapeAdv") + num, QString::fromLatin1(headerNames[n - 1]),
            QString::fromLatin1(captions[n - 1]), toggle, QStringLiteral("GroupBoxAdv") + num, n == 1, headers[n - 1]);
        m_adv[static_cast<std::size_t>(n - 1)] = box;
        if (n == 3 || n == 4) {
            // The temperature correction maps are stacked into these by their own code.
            auto *column = new QVBoxLayout(box);
            column->setContentsMargins(6, 4, 6, 4);
            box->setMinimumHeight(40);
        } else if (n == 7) {
            // The injection limits under their heading.
            fillRows(box,
                { { "=Label12", nullptr }, { "AbNumSpinMazdaMinInj", "AbNumSpinMinRpm" },
                    { "AbNumSpinMazdaMaxInj", "AbNumSpinFilterStep" } });
        } else if (n == 8) {
            // The switch's settings, then the beeper's under their heading.
            fillRows(box,
                { { "ComboBoxDifPenEm28", nullptr }, { "TrackBarSwitchBright", nullptr },
                    { "CheckBoxGazStart", nullptr }, { "=LabelBeeper", nullptr }, { "TrackBarBeepTime", nullptr },
                    { "ComboBoxBeepsWhenEmpty", nullptr }, { "ComboBoxErrorsBeep", nullptr },
                    { "CheckBoxSilentMode", "CheckBoxBeepWhenGazOn" },
                    { "CheckBoxBeepWhenSwClick", "CheckBoxBeepWhenError" } });
        } else {
            fillGroup(box, contents[n - 1]);
        }
    }
    // The injector heating group also shows the controller's heating time.
    auto *grid = static_cast<QGridLayout *>(m_adv[5]->layout());
    const int row = grid->rowCount();
    grid->addWidget(
        build::label(m_adv[5], QStringLiteral("LabelHeatWizTime"), QStringLiteral("heating time [s]:")), row, 0);
    m_heatTime = build::readOnlyEdit(m_adv[5], QStringLiteral("EditHeatWizTime"));
    m_heatTime->setMaximumWidth(80);
    grid->addWidget(m_heatTime, row, 1);
    addPercentEdit(m_adv[7], "TrackBarSwitchBright", "EditSwitchBright");
    addPercentEdit(m_adv[7], "TrackBarBeepTime", "EditBeepTime");
    finishSheet(s);
    m_advanced = s;
    return s.sheet;
}

} // namespace kelvane

// The contents of the two parameter pages: "podstawowe" (basic) and "zaawansowane" (advanced).
#include "ParametersPage.h"

#include "Build.h"
#include "SettingsControls.h"
#include "SettingsSections.h"

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

    const std::vector<SettingsSection> &sections = basicSections();
    for (int n = 1; n <= 6; ++n) {
        const SettingsSection &sec = sections[static_cast<std::size_t>(n - 1)];
        const QString num = QString::number(n);
        QGroupBox *box = addSection(s, true, QStringLiteral("ShapePar") + num, QString::fromLatin1(sec.headerName),
            QString::fromLatin1(sec.caption), QStringLiteral("LabelParP") + num, QStringLiteral("GroupBoxPar") + num,
            n == 1, sec.headerControls);
        m_par[static_cast<std::size_t>(n - 1)] = box;
        fillGroup(box, sec.controls);
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

    const std::vector<SettingsSection> &sections = advancedSections();
    for (int n = 1; n <= 8; ++n) {
        const SettingsSection &sec = sections[static_cast<std::size_t>(n - 1)];
        const QString num = QString::number(n);
        const QString toggle
            = n == 1 ? QStringLiteral("LabelR0") : QStringLiteral("LabelAdvR") + QString::number(n - 1);
        QGroupBox *box = addSection(s, false, QStringLiteral("ShapeAdv") + num, QString::fromLatin1(sec.headerName),
            QString::fromLatin1(sec.caption), toggle, QStringLiteral("GroupBoxAdv") + num, n == 1, sec.headerControls);
        m_adv[static_cast<std::size_t>(n - 1)] = box;
        switch (sec.body) {
        case SectionBody::GasTempMap:
        case SectionBody::ReducerTempMap: {
            // The temperature correction maps are stacked into these by their own code.
            auto *column = new QVBoxLayout(box);
            column->setContentsMargins(6, 4, 6, 4);
            box->setMinimumHeight(40);
            break;
        }
        case SectionBody::Rows:
            fillRows(box, sec.rows);
            break;
        case SectionBody::Columns:
        case SectionBody::Service: // the service panel fills it
            fillGroup(box, sec.controls);
            break;
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

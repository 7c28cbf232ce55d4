#include "ObdPage.h"

#include "Build.h"
#include "Readings.h"
#include "SettingsControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace kelvane {

ObdPage::ObdPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSheetOBD"));
    auto *v = new QVBoxLayout(this);

    // The OBD settings.
    auto *settings = new QGridLayout;
    addSetting(this, settings, 0, 0, "ComboBoxObd");
    addSetting(this, settings, 1, 0, "ComboBoxObdCorr");
    // The hold value starts at 128, a fuel trim of 0.
    if (auto *hold = qobject_cast<QComboBox *>(addSetting(this, settings, 0, 2, "ComboBoxOBDholdValue")))
        hold->setCurrentIndex(128);
    settings->setColumnStretch(4, 1);
    v->addLayout(settings);

    auto *status = new QGridLayout;
    m_actualCorrection = build::readOnlyEdit(this, QStringLiteral("EditActualCorrObd"));
    m_shortTrim = build::readOnlyEdit(this, QStringLiteral("EditObdKST"));
    m_longTrim = build::readOnlyEdit(this, QStringLiteral("EditObdKLT"));
    m_canStatus = build::readOnlyEdit(this, QStringLiteral("EditCanStatus"));
    status->addWidget(new QLabel(QStringLiteral("OBD correction [%]:"), this), 0, 0);
    status->addWidget(m_actualCorrection, 0, 1);
    status->addWidget(new QLabel(QStringLiteral("short trim [%]:"), this), 0, 2);
    status->addWidget(m_shortTrim, 0, 3);
    status->addWidget(new QLabel(QStringLiteral("long trim [%]:"), this), 0, 4);
    status->addWidget(m_longTrim, 0, 5);
    status->addWidget(new QLabel(QStringLiteral("CAN status:"), this), 1, 0);
    status->addWidget(m_canStatus, 1, 1, 1, 5);
    v->addLayout(status);

    auto *values = new QGridLayout;
    values->setVerticalSpacing(2);
    for (int k = 0; k < 21; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const QString num = QString::number(k + 1);
        m_checks[i] = new QCheckBox(QString::fromUtf8(ObdValueCaptions[i]), this);
        m_checks[i]->setObjectName(QStringLiteral("CheckBox") + num);
        m_checks[i]->setEnabled(false);
        m_values[i] = build::readOnlyEdit(this, QStringLiteral("EditOdb") + num);
        m_values[i]->setMaximumWidth(90);
        const int column = k < 11 ? 0 : 2;
        const int row = k < 11 ? k : k - 11;
        values->addWidget(m_checks[i], row, column);
        values->addWidget(m_values[i], row, column + 1);
    }
    values->setColumnStretch(0, 1);
    values->setColumnStretch(2, 1);
    v->addLayout(values);
    v->addStretch(1);
}

void ObdPage::showObd(const DisplayContext &c)
{
    const LiveData &live = c.live;
    m_actualCorrection->setText(
        QString::fromStdString(screenFixed(tenths(live.s16(rec::ObdCorrection)), 2, c.decimalPoint)));
    const std::array<ObdValue, 21> v = obdValues(live);
    for (std::size_t i = 0; i < 21; ++i) {
        m_checks[i]->setEnabled(v[i].supported);
        if (v[i].supported)
            m_values[i]->setText(QString::fromStdString(screenFixed(v[i].value, 2, c.decimalPoint)));
    }
    m_shortTrim->setText(QString::fromStdString(obdShortTrimText(live, c.decimalPoint)));
    m_longTrim->setText(QString::fromStdString(obdLongTrimText(live, c.decimalPoint)));
    m_canStatus->setText(QString::fromStdString(canStatusLine(live.obd8(12))));
}

} // namespace kelvane

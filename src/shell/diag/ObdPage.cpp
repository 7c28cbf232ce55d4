#include "ObdPage.h"

#include "AppState.h"
#include "BlockingGuards.h"
#include "Build.h"
#include "ErrorMemoryView.h"
#include "Obd.h"
#include "Readings.h"
#include "SettingsControls.h"
#include "UserInteraction.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace kelvane {

namespace {
constexpr int CorrectionByte = 549; // ObdCorr: bits 1-2
} // namespace

ObdPage::ObdPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSheetOBD"));
    auto *v = new QVBoxLayout(this);

    // The OBD settings.
    auto *settings = new QGridLayout;
    addSetting(this, settings, 0, 0, "ComboBoxObd");
    auto *correction = qobject_cast<QComboBox *>(addSetting(this, settings, 1, 0, "ComboBoxObdCorr"));
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

    auto *middle = new QHBoxLayout;
    // The car's trouble codes: the commands above their list.
    auto *dtc = new QVBoxLayout;
    auto button = [this](const char *name, const char *text) {
        auto *b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setEnabled(false);
        return b;
    };
    m_read = button("ButtonReadObdErrors", "Read OBD Errors");
    m_erase = button("ButtonEraseObdErrors", "DELETE OBD ERRORS");
    m_readAll = button("Button6", "ReadAllData");
    dtc->addWidget(m_read);
    dtc->addWidget(m_erase);
    dtc->addWidget(m_readAll);
    // Two columns, 17 rows: a header row, then codes 1-16 in column 1.
    m_codes = buildStringGrid(this, QStringLiteral("StringGridObdErrors"), 2, 1 + TroubleCodeSlots, 0, 1);
    m_codes->setColumnWidth(0, 24);
    m_codes->setColumnWidth(1, 90);
    setCell(m_codes, 1, 0, QStringLiteral("DTC"));
    for (int k = 1; k <= TroubleCodeSlots; ++k)
        setCell(m_codes, 0, k, QString::number(k));
    m_codes->setFixedWidth(136);
    dtc->addWidget(m_codes, 1);
    middle->addLayout(dtc);

    m_info = build::group(this, QStringLiteral("GroupBoxObdInfo"), QStringLiteral("OBD INFO"));
    auto *values = new QGridLayout(m_info);
    values->setVerticalSpacing(2);
    values->setHorizontalSpacing(4);
    for (int k = 0; k < 21; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const QString num = QString::number(k + 1);
        m_checks[i] = new QCheckBox(QString::fromUtf8(ObdValueCaptions[i]), m_info);
        m_checks[i]->setObjectName(QStringLiteral("CheckBox") + num);
        m_checks[i]->setEnabled(false);
        m_values[i] = build::readOnlyEdit(m_info, QStringLiteral("EditOdb") + num);
        m_values[i]->setFixedWidth(64);
        const int column = k < 11 ? 0 : 2;
        const int row = k < 11 ? k : k - 11;
        values->addWidget(m_checks[i], row, column);
        values->addWidget(m_values[i], row, column + 1);
    }
    values->setColumnStretch(0, 1);
    values->setColumnStretch(2, 1);
    middle->addWidget(m_info, 1);
    v->addLayout(middle, 1);

    // The fitter's choice shows at once; the image decides on every decode (a loaded image, a reset).
    if (correction)
        connect(
            correction, &QComboBox::currentIndexChanged, this, [this](int index) { showInfoFor(index > 0 ? 1u : 0u); });
}

void ObdPage::attach(ControllerSession &session, QTimer &pollTimer, UserInteraction &user)
{
    m_session = &session;
    m_pollTimer = &pollTimer;
    m_user = &user;
    for (QPushButton *b : { m_read, m_erase, m_readAll })
        b->setEnabled(true);
    connect(m_read, &QPushButton::clicked, this, &ObdPage::ButtonReadObdErrorsClick);
    connect(m_erase, &QPushButton::clicked, this, &ObdPage::ButtonEraseObdErrorsClick);
    connect(m_readAll, &QPushButton::clicked, this, &ObdPage::Button6Click);
}

void ObdPage::showInfoFor(unsigned correction)
{
    const bool hide = correction != 0;
    if (m_info->isHidden() != hide)
        m_info->setHidden(hide);
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
    showInfoFor(c.image.bits(CorrectionByte, 1, 2));
}

void ObdPage::ShowObdTroubleCodes(const LiveData &live)
{
    const auto rows = troubleCodeRows(live);
    for (int k = 1; k <= TroubleCodeSlots; ++k)
        setCell(m_codes, 1, k, QString::fromStdString(rows[static_cast<std::size_t>(k - 1)]));
}

bool ObdPage::linkReady()
{
    if (!m_session)
        return false;
    if (m_session->conn.Connected && m_session->linkState.PortOpen == 1)
        return true;
    m_user->message(QString::fromUtf8(NoConnectionText));
    return false;
}

void ObdPage::ButtonReadObdErrorsClick()
{
    if (linkReady())
        obdReadTroubleCodes(*m_session);
}

void ObdPage::Button6Click()
{
    if (linkReady())
        obdReadAllData(*m_session);
}

void ObdPage::ButtonEraseObdErrorsClick()
{
    if (!linkReady())
        return;
    // The erase, a second's wait for the car's controller, then the read; the window and the polling
    // timer wait meanwhile.
    TimerPause pause(m_pollTimer);
    BusyCursor busy;
    obdEraseTroubleCodes(*m_session);
}

} // namespace kelvane

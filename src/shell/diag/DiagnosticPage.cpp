#include "DiagnosticPage.h"

#include "AppState.h"
#include "Build.h"
#include "ErrorMemoryView.h"
#include "Injectors.h"
#include "ObdPage.h"
#include "SequenceGrid.h"
#include "SettingsControls.h"
#include "TAbBar.h"
#include "TAbColBitBtn.h"
#include "TAbLED.h"
#include "TAbNumSpin.h"
#include "UserInteraction.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kelvane {

namespace {
QLabel *bold(QWidget *parent, const QString &name, const QString &text)
{
    QLabel *l = build::label(parent, name, text);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    l->setAlignment(Qt::AlignCenter);
    l->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return l;
}
} // namespace

DiagnosticPage::DiagnosticPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSheet4"));
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(2, 2, 2, 2);
    m_pageControl = new QTabWidget(this);
    m_pageControl->setObjectName(QStringLiteral("PageControlDiag"));
    m_pageControl->setDocumentMode(true);
    v->addWidget(m_pageControl);
    m_pageControl->addTab(buildEcuSheet(), QStringLiteral("ECU"));
    m_obd = new ObdPage(m_pageControl);
    m_pageControl->addTab(m_obd, QStringLiteral("EOBD/OBD/OBDII"));
    m_pageControl->addTab(buildLoggerSheet(), QStringLiteral("DataLogger"));
    // The OBD page is disabled until a controller of hardware revision 2 or more is read.
    setObdEnabled(false);
}

QWidget *DiagnosticPage::buildEcuSheet()
{
    m_tabSheet6 = new QWidget;
    m_tabSheet6->setObjectName(QStringLiteral("TabSheet6"));
    auto *v = new QVBoxLayout(m_tabSheet6);
    v->setContentsMargins(2, 2, 2, 2);
    v->addWidget(buildInjectorPanel(m_tabSheet6), 3);

    // The error memory sits in the bottom panel, with the setting that returns to gas after an error.
    QFrame *errors = build::panel(m_tabSheet6, QStringLiteral("PanelErrDol"));
    auto *e = new QVBoxLayout(errors);
    e->setContentsMargins(4, 3, 4, 3);
    m_errors = new ErrorMemoryView(errors);
    QLayout *row = m_errors->buttonRow();
    row->addWidget(
        build::label(m_errors, QStringLiteral("LabelDiagErrorAuto"), QStringLiteral("return to propane after error:")));
    row->addWidget(createSetting(m_errors, "ComboBoxGazAutoOn"));
    e->addWidget(m_errors);
    v->addWidget(errors, 2);
    return m_tabSheet6;
}

QWidget *DiagnosticPage::buildInjectorPanel(QWidget *parent)
{
    QFrame *p = build::panel(parent, QStringLiteral("PanelDiagWtr"));
    auto *h = new QHBoxLayout(p);
    h->setContentsMargins(4, 3, 4, 3);
    auto *g = new QGridLayout;
    g->setHorizontalSpacing(4);
    g->setVerticalSpacing(2);
    g->addWidget(bold(p, QStringLiteral("LabelDiagInj"), QStringLiteral("injectors")), 0, 0, 1, 7);
    g->addWidget(bold(p, QStringLiteral("LabelDiagBenzyna"), QStringLiteral("gasoline")), 1, 1, 1, 2);
    g->addWidget(bold(p, QStringLiteral("LabelDiagGaz"), QStringLiteral("propane")), 1, 3, 1, 2);
    g->addWidget(bold(p, QStringLiteral("LabelCutOFF"), QStringLiteral("cut off")), 1, 5);
    g->addWidget(bold(p, QStringLiteral("LabelDiagIjnOffset"), QStringLiteral("inj. offset")), 1, 6);
    for (int n = 1; n <= 8; ++n) {
        const auto i = static_cast<std::size_t>(n - 1);
        const QString num = QString::number(n);
        g->addWidget(new QLabel(num, p), n + 1, 0);
        buildInjectorRow(
            m_rows, p, n, { "AbBarDiagInjB", "AbColBitBtnDiagEmu", "AbBarDiagInjG", "AbColBitBtnDiagGoff", 2 });
        m_cutLamps[i] = build::led(p, QStringLiteral("AbLEDcut") + num, QString(), QColor(0xff, 0x30, 0x20));
        m_offsets[i]
            = static_cast<TAbNumSpin *>(createSetting(p, qPrintable(QStringLiteral("AbNumSpinDiagOffsetIn") + num)));
        g->addWidget(m_rows.petrolBars[i], n + 1, 1);
        g->addWidget(m_rows.petrolSwitches[i], n + 1, 2);
        g->addWidget(m_rows.gasBars[i], n + 1, 3);
        g->addWidget(m_rows.gasSwitches[i], n + 1, 4);
        g->addWidget(m_cutLamps[i], n + 1, 5, Qt::AlignCenter);
        g->addWidget(m_offsets[i], n + 1, 6);
    }
    g->setColumnStretch(1, 2);
    g->setColumnStretch(3, 2);
    h->addLayout(g, 1);

    auto *seq = new QVBoxLayout;
    seq->addWidget(build::label(p, QStringLiteral("LabelSequenceType"), QStringLiteral("Sequence Vizualization:")));
    m_sequence = new SequenceGrid(p);
    seq->addWidget(m_sequence);
    seq->addStretch(1);
    h->addLayout(seq);
    return p;
}

QWidget *DiagnosticPage::buildLoggerSheet()
{
    m_tabSheet8 = new QWidget;
    m_tabSheet8->setObjectName(QStringLiteral("TabSheet8"));
    auto *v = new QVBoxLayout(m_tabSheet8);
    m_logsSelector = build::group(m_tabSheet8, QStringLiteral("GroupBoxLogsSelector"), QStringLiteral("Select Logs"));
    v->addWidget(m_logsSelector, 1);
    auto *row = new QHBoxLayout;
    row->addWidget(createSetting(m_tabSheet8, "ComboBoxFastCutOff"));
    m_blowPressure = static_cast<QComboBox *>(createSetting(m_tabSheet8, "ComboBoxBlowPressure"));
    row->addWidget(m_blowPressure);
    row->addStretch(1);
    v->addLayout(row);
    return m_tabSheet8;
}

void DiagnosticPage::showDiagnostic(const DisplayContext &c)
{
    m_sequence->setSequence(injectionSequence(c.live));
    for (int n = 1; n <= 8; ++n)
        m_cutLamps[static_cast<std::size_t>(n - 1)]->setChecked(cutOffLampOn(c.live, n));
    showInjectorRows(m_rows, c);
}

void DiagnosticPage::attach(
    AppState &state, QTimer &pollTimer, UserInteraction &user, QGroupBox *serviceGroup, QLabel *serviceTitle)
{
    m_errors->attach(state.errorMemory, pollTimer, user);
    m_obd->attach(state.session, pollTimer, user);
    if (serviceGroup)
        m_service = new ServicePanel(state, user, serviceGroup, serviceTitle, this);
}

void DiagnosticPage::errorMemoryTrigger()
{
    m_errors->refreshAfterDecode();
}

void DiagnosticPage::showServiceLabel()
{
    if (m_service)
        m_service->showServiceLabel();
}

void DiagnosticPage::newConnection()
{
    m_errors->newConnection();
    if (m_service)
        m_service->newConnection();
}

// ---------------------------------------------------------------------------------------------------
// Service interval

namespace {
constexpr int ServiceDueOffset = 8; // image bytes 8-11, words 4 and 5
constexpr double SecondsPerKm = 60; // one minute of gas operation per km
} // namespace

ServicePanel::ServicePanel(AppState &state, UserInteraction &user, QGroupBox *group, QLabel *title, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_user(user)
{
    setObjectName(QStringLiteral("ServicePanel"));
    auto *line = new QWidget(group);
    auto *h = new QHBoxLayout(line);
    h->setContentsMargins(0, 0, 0, 0);
    m_distance = build::spin(line, QStringLiteral("AbNumSpinSerwis"), 50, 100000, 50, 0);
    m_distance->setValue(50);
    m_distance->setMinimumWidth(90);
    h->addWidget(m_distance);
    h->addWidget(build::label(line, QStringLiteral("LabelSerwisKm"), QStringLiteral("[km]")));
    m_set = new QPushButton(QStringLiteral("SET SERVICE"), line);
    m_set->setObjectName(QStringLiteral("ButtonSetSerwis"));
    m_delete = new QPushButton(QStringLiteral("DELETE SERVICE"), line);
    m_delete->setObjectName(QStringLiteral("ButtonDeleteSerwis"));
    h->addWidget(m_set);
    h->addWidget(m_delete);
    h->addStretch(1);
    if (QLayout *l = group->layout())
        l->addWidget(line);
    else
        (new QVBoxLayout(group))->addWidget(line);

    // The remaining time stands beside the section's title "2.SERVICE:".
    m_when = new QLabel(QString::fromStdString(state.texts.serviceOff));
    m_when->setObjectName(QStringLiteral("LabelSerwisWhen"));
    auto *header
        = title && title->parentWidget() ? qobject_cast<QBoxLayout *>(title->parentWidget()->layout()) : nullptr;
    if (header) {
        header->insertWidget(header->indexOf(title) + 1, m_when);
    } else {
        m_when->setParent(line);
        h->insertWidget(0, m_when);
    }
    connect(m_set, &QPushButton::clicked, this, &ServicePanel::ButtonSetSerwisClick);
    connect(m_delete, &QPushButton::clicked, this, &ServicePanel::ButtonDeleteSerwisClick);
}

QString ServicePanel::labelText(
    std::uint32_t due, std::uint32_t gas, std::uint8_t beeps, const std::string &timeLeft, const std::string &off)
{
    if (due == 0)
        return QString::fromStdString(off);
    const long long minutes = due >= gas ? static_cast<long long>((due - gas) / 60) : -1;
    return QStringLiteral("%1 [%2 min. ] Beep: %3").arg(QString::fromStdString(timeLeft)).arg(minutes).arg(beeps);
}

void ServicePanel::showServiceLabel()
{
    const ControllerSession &s = m_state.session;
    const QString text = labelText(s.image.dword(ServiceDueOffset), s.live.u32(rec::GasWorkTime),
        s.live.u8(rec::ServiceBeeps), m_state.texts.serviceTimeLeft, m_state.texts.serviceOff);
    if (m_when->text() != text)
        m_when->setText(text);
}

void ServicePanel::newConnection()
{
    m_acceptedAtConnect = m_state.session.polling.stats().accepted;
}

void ServicePanel::writeServiceDue(std::uint32_t value)
{
    ControllerSession &s = m_state.session;
    const ActionScope action(s.writes, "service interval");
    s.image.setDword(ServiceDueOffset, value);
    s.writes.writeDword(ServiceDueOffset);
    showServiceLabel();
}

void ServicePanel::ButtonSetSerwisClick()
{
    const ControllerSession &s = m_state.session;
    if (!s.conn.Connected || s.linkState.PortOpen != 1) {
        m_user.message(QString::fromUtf8(NoConnectionText));
        return;
    }
    // The service point counts from the gas work time the controller reports. Until a live reply of
    // this controller has been accepted, the record holds 0 (or another car's time): refuse.
    if (s.polling.stats().accepted <= m_acceptedAtConnect) {
        m_user.message(QStringLiteral("The ECU's gas work time has not been read yet. Wait until the readings move, "
                                      "then press SET SERVICE again."));
        return;
    }
    const double point = static_cast<double>(s.live.u32(rec::GasWorkTime)) + m_distance->value() * SecondsPerKm;
    writeServiceDue(point >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(point));
}

void ServicePanel::ButtonDeleteSerwisClick()
{
    const ControllerSession &s = m_state.session;
    if (!s.conn.Connected || s.linkState.PortOpen != 1) {
        m_user.message(QString::fromUtf8(NoConnectionText));
        return;
    }
    writeServiceDue(0);
}

void DiagnosticPage::setObdEnabled(bool enabled)
{
    m_pageControl->setTabEnabled(m_pageControl->indexOf(m_obd), enabled);
}

} // namespace kelvane

#include "DiagnosticPage.h"

#include "Build.h"
#include "Injectors.h"
#include "ObdPage.h"
#include "SequenceGrid.h"
#include "SettingsControls.h"
#include "TAbBar.h"
#include "TAbColBitBtn.h"
#include "TAbLED.h"
#include "TAbNumSpin.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
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

DiagnosticPage::DiagnosticPage(QWidget *parent) : QWidget(parent)
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

    // The error memory sits in the bottom panel.
    QFrame *errors = build::panel(m_tabSheet6, QStringLiteral("PanelErrDol"));
    auto *e = new QHBoxLayout(errors);
    e->addWidget(build::label(errors, QStringLiteral("LabelDiagErrorAuto"),
                              QStringLiteral("return to propane after error:")));
    e->addWidget(createSetting(errors, "ComboBoxGazAutoOn"));
    e->addStretch(1);
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
        buildInjectorRow(m_rows, p, n, {"AbBarDiagInjB", "AbColBitBtnDiagEmu", "AbBarDiagInjG", "AbColBitBtnDiagGoff", 2});
        m_cutLamps[i] = build::led(p, QStringLiteral("AbLEDcut") + num, QString(), QColor(0xff, 0x30, 0x20));
        m_offsets[i] = static_cast<TAbNumSpin *>(
            createSetting(p, qPrintable(QStringLiteral("AbNumSpinDiagOffsetIn") + num)));
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
    v->addWidget(build::group(m_tabSheet8, QStringLiteral("GroupBoxLogsSelector"), QStringLiteral("Select Logs")), 1);
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

void DiagnosticPage::setObdEnabled(bool enabled) { m_pageControl->setTabEnabled(m_pageControl->indexOf(m_obd), enabled); }

} // namespace kelvane

#include "ReadingsPage.h"

#include "Build.h"
#include "LayoutRules.h"
#include "ScopePanel.h"
#include "TAb180Meter.h"
#include "TAb270Meter.h"
#include "TAbBar.h"
#include "TAbColBitBtn.h"
#include "TAbLED.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QResizeEvent>
#include <QVBoxLayout>

namespace kelvane {

namespace {

// PanelO1 places its two meters by the size rules whenever it is resized.
class MeterPanel : public QFrame {
public:
    MeterPanel(QWidget *parent, TAb270Meter *&rpm, TAb180Meter *&difp)
        : QFrame(parent)
    {
        setObjectName(QStringLiteral("PanelO1"));
        setFrameShape(QFrame::StyledPanel);
        m_rpm = rpm = new TAb270Meter(this);
        rpm->setObjectName(QStringLiteral("Ab270MeterRPM"));
        rpm->setRange(0, 8);
        rpm->setUnit(QStringLiteral("RPMx1000"));
        rpm->setDecimals(2);
        m_difp = difp = new TAb180Meter(this);
        difp->setObjectName(QStringLiteral("Ab180MeterDIFP"));
        difp->setRange(0.001, 3);
        difp->setUnit(QStringLiteral("P[Bar]"));
        difp->setDecimals(2);
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QFrame::resizeEvent(event);
        const layout::MeterRects m = layout::panelO1Meters(width(), height());
        m_rpm->setGeometry(m.rpm.x, m.rpm.y, m.rpm.w, m.rpm.h);
        m_difp->setGeometry(m.difp.x, m.difp.y, m.difp.w, m.difp.h);
    }

private:
    TAb270Meter *m_rpm = nullptr;
    TAb180Meter *m_difp = nullptr;
};

QLabel *header(QWidget *parent, const QString &name, const QString &text)
{
    QLabel *l = build::label(parent, name, text);
    l->setAlignment(Qt::AlignCenter);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    l->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return l;
}

} // namespace

ReadingsPage::ReadingsPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSheet1"));
    buildPanelO1();
    buildPanelO2();
    buildPanelO3();
    buildPanelOsc();
}

void ReadingsPage::buildPanelO1()
{
    m_panelO1 = new MeterPanel(this, m_rpm, m_difp);
}

void ReadingsPage::buildPanelO2()
{
    m_panelO2 = build::panel(this, QStringLiteral("PanelO2"));
    auto *grid = new QGridLayout(m_panelO2);
    grid->setContentsMargins(4, 3, 4, 3);
    grid->setHorizontalSpacing(3);
    grid->setVerticalSpacing(2);
    grid->addWidget(header(m_panelO2, QStringLiteral("LabelOdInj"), QStringLiteral("INJECTORS")), 0, 0, 1, 5);
    grid->addWidget(header(m_panelO2, QStringLiteral("LabelOdInjB"), QStringLiteral("gasoline")), 1, 1, 1, 2);
    grid->addWidget(header(m_panelO2, QStringLiteral("LabelOdInjG"), QStringLiteral("propane")), 1, 3, 1, 2);
    for (int n = 1; n <= 8; ++n) {
        const auto i = static_cast<std::size_t>(n - 1);
        const QString num = QString::number(n);
        auto *rowLabel = new QLabel(num, m_panelO2);
        rowLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(rowLabel, n + 1, 0);
        buildInjectorRow(m_rows, m_panelO2, n, { "AbBarOdInB", "AbColBitBtnEmu", "AbBarOdInG", "AbColBitBtnGoff", 2 });
        grid->addWidget(m_rows.petrolBars[i], n + 1, 1);
        grid->addWidget(m_rows.petrolSwitches[i], n + 1, 2);
        grid->addWidget(m_rows.gasBars[i], n + 1, 3);
        grid->addWidget(m_rows.gasSwitches[i], n + 1, 4);
        grid->setRowStretch(n + 1, 1);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    build::scaleLabelFonts(m_panelO2, 330);
}

void ReadingsPage::buildPanelO3()
{
    m_panelO3 = build::panel(this, QStringLiteral("PanelO3"));
    auto *grid = new QGridLayout(m_panelO3);
    grid->setContentsMargins(4, 3, 4, 3);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
    grid->addWidget(header(m_panelO3, QStringLiteral("LabelOdT"), QStringLiteral("TEMPERATURE [\u00b0C]")), 0, 0, 1, 3);
    grid->addWidget(
        build::label(m_panelO3, QStringLiteral("LabelOdTR"), QStringLiteral("reducer")), 1, 0, Qt::AlignCenter);
    grid->addWidget(
        build::label(m_panelO3, QStringLiteral("LabelOdTg"), QStringLiteral("gas")), 1, 1, 1, 2, Qt::AlignCenter);
    m_tempReducer = build::bar(m_panelO3, QStringLiteral("AbBarOdTR"), -40, 150, Qt::Vertical, 0);
    m_tempReducer->setBarColor(QColor(0xd0, 0x60, 0x20));
    m_tempGas = build::bar(m_panelO3, QStringLiteral("AbBarOdTg"), -40, 150, Qt::Vertical, 0);
    m_tempGas->setBarColor(QColor(0xd0, 0x60, 0x20));
    grid->addWidget(m_tempReducer, 2, 0);
    grid->addWidget(m_tempGas, 2, 1, 1, 2);

    grid->addWidget(
        build::label(m_panelO3, QStringLiteral("LabelOdLambda"), QStringLiteral("lambda [V]")), 3, 0, Qt::AlignCenter);
    grid->addWidget(build::label(m_panelO3, QStringLiteral("LabelOdLevel"), QStringLiteral("level [V]")), 3, 1, 1, 2,
        Qt::AlignCenter);
    m_lambda = build::bar(m_panelO3, QStringLiteral("AbBarLambda"), 0, 1.1, Qt::Vertical, 2);
    m_level = build::bar(m_panelO3, QStringLiteral("AbBarOdRez"), 0, 5, Qt::Vertical, 2);
    grid->addWidget(m_lambda, 4, 0);
    grid->addWidget(m_level, 4, 1);
    auto *lamps = new QVBoxLayout;
    lamps->setSpacing(1);
    // Lamp 0 is the reserve; lamps 1-4 light up to the quarter the tank is filled to.
    static const char *const captions[5] = { "E", "1/4", "2/4", "3/4", "4/4" };
    for (int k = 4; k >= 0; --k) {
        const auto i = static_cast<std::size_t>(k);
        m_levelLamps[i] = build::led(m_panelO3, QStringLiteral("AbLEDOdPoz") + QString::number(k),
            QString::fromLatin1(captions[k]), k == 0 ? QColor(0xff, 0xa0, 0x00) : QColor(0x20, 0xc0, 0x30));
        lamps->addWidget(m_levelLamps[i]);
    }
    grid->addLayout(lamps, 4, 2);
    grid->setRowStretch(2, 1);
    grid->setRowStretch(4, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    build::scaleLabelFonts(m_panelO3, 330);
}

void ReadingsPage::buildPanelOsc()
{
    m_panelOsc = new ScopePanel(this);
}

void ReadingsPage::applyWindowWidth(int windowWidth)
{
    m_windowWidth = windowWidth;
    placePanels();
}

void ReadingsPage::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placePanels();
}

void ReadingsPage::placePanels()
{
    const int o1 = layout::panelO1Width(m_windowWidth);
    const int o2 = layout::panelO2Width(m_windowWidth);
    const int o3Left = o1 + o2;
    const int o3 = layout::panelO3Width(m_windowWidth, width(), o3Left);
    // The meters need about 262 pixels; the oscilloscope takes what is left below the top row.
    const int topHeight = std::max(262, height() * 55 / 100);
    m_panelO1->setGeometry(0, 0, o1, topHeight);
    m_panelO2->setGeometry(o1, 0, o2, topHeight);
    m_panelO3->setGeometry(o3Left, 0, o3, topHeight);
    m_panelOsc->setGeometry(0, topHeight, width(), std::max(0, height() - topHeight));
}

void ReadingsPage::showReadings(const DisplayContext &c)
{
    const LiveData &live = c.live;
    m_tempReducer->setValue(live.s16(rec::TempReducer));
    m_tempGas->setValue(live.s16(rec::TempGas));
    m_rpm->setValue(engineRpm(live, c.image, c.timeBases) * 0.001);
    m_difp->setValue(pressureBar(live.u16(rec::PresDiff)));
    m_lambda->setValue(sensorVolts(live.u16(rec::LambdaRaw)));
    m_level->setValue(sensorVolts(live.u16(rec::LevelRaw)));
    showInjectorRows(m_rows, c);
}

void ReadingsPage::showLevelLamps(const std::array<bool, 5> &lit)
{
    for (std::size_t i = 0; i < 5; ++i)
        m_levelLamps[i]->setChecked(lit[i]);
}

void ReadingsPage::setLambdaRange(double min, double max)
{
    m_lambda->setRange(min, max);
}

void ReadingsPage::feedScope(const DisplayContext &context)
{
    m_panelOsc->feed(context);
}

} // namespace kelvane

#include "SideStrip.h"

#include "Build.h"
#include "LayoutRules.h"
#include "TAb180Meter.h"
#include "TAbBar.h"
#include "TAbColBitBtn.h"
#include "TAbLED.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QResizeEvent>
#include <QVBoxLayout>

namespace kelvane {

namespace {
QLabel *small(QWidget *parent, const QString &name, const QString &text)
{
    QLabel *l = build::label(parent, name, text);
    QFont f = l->font();
    f.setPointSizeF(f.pointSizeF() * 0.85);
    l->setFont(f);
    return l;
}

QGridLayout *tightGrid(QWidget *w)
{
    auto *g = new QGridLayout(w);
    g->setContentsMargins(3, 2, 3, 2);
    g->setHorizontalSpacing(3);
    g->setVerticalSpacing(1);
    return g;
}
} // namespace

SideStrip::SideStrip(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("PanelPasek"));
    setFrameShape(QFrame::NoFrame);
    m_panels = { buildV2(), buildV4(), buildV5(), buildV6(), buildV1(), buildV7() };
}

QFrame *SideStrip::buildV2()
{
    QFrame *p = build::panel(this, QStringLiteral("PanelV2"));
    auto *g = tightGrid(p);
    m_difpMeter = new TAb180Meter(p);
    m_difpMeter->setObjectName(QStringLiteral("Ab180MeterPasDifP"));
    m_difpMeter->setRange(0.001, 3);
    m_difpMeter->setUnit(QStringLiteral("P[Bar]"));
    m_difpMeter->setDecimals(2);
    g->addWidget(m_difpMeter, 0, 0, 1, 2);
    g->setRowStretch(0, 5);
    struct Row {
        const char *label;
        const char *text;
        const char *bar;
        double max;
        int decimals;
        TAbBar **target;
    };
    const Row rows[] = { { "LabelPasRpm", "rpm", "AbBarPasRpm", 9999, 0, &m_rpm },
        { "LabelPasDif", "diff.", "AbBarPasDifP", 3, 2, &m_difp },
        { "LabelPasAbs", "abs.", "AbBarPasAbs", 3, 2, &m_abs },
        { "LabelPasVac", "vacum", "AbBarPasVacum", 3, 2, &m_vacuum } };
    int r = 1;
    for (const Row &row : rows) {
        g->addWidget(small(p, QString::fromLatin1(row.label), QString::fromLatin1(row.text)), r, 0);
        *row.target = build::bar(p, QString::fromLatin1(row.bar), 0, row.max, Qt::Horizontal, row.decimals);
        g->addWidget(*row.target, r, 1);
        g->setRowStretch(r, 1);
        ++r;
    }
    g->setColumnStretch(1, 1);
    build::scaleLabelFonts(p, 212);
    return p;
}

QFrame *SideStrip::buildV4()
{
    QFrame *p = build::panel(this, QStringLiteral("PanelV4"));
    auto *g = tightGrid(p);
    g->addWidget(small(p, QStringLiteral("LabelTempG"), QStringLiteral("TG [\u00b0C]")), 0, 0);
    m_tempGas = build::bar(p, QStringLiteral("AbBarPasTg"), -40, 150, Qt::Horizontal, 0);
    m_tempGas->setBarColor(QColor(0xd0, 0x60, 0x20));
    g->addWidget(m_tempGas, 0, 1);
    g->addWidget(small(p, QStringLiteral("LabelTempR"), QStringLiteral("TR [\u00b0C]")), 1, 0);
    m_tempReducer = build::bar(p, QStringLiteral("AbBarPasTr"), -40, 150, Qt::Horizontal, 0);
    m_tempReducer->setBarColor(QColor(0xd0, 0x60, 0x20));
    g->addWidget(m_tempReducer, 1, 1);
    g->setColumnStretch(1, 1);
    build::scaleLabelFonts(p, 71);
    return p;
}

QFrame *SideStrip::buildV5()
{
    QFrame *p = build::panel(this, QStringLiteral("PanelV5"));
    auto *g = tightGrid(p);
    g->setVerticalSpacing(0);
    // The caption is a label of its own above the bar, so a language file can replace it.
    QLabel *caption = small(p, QStringLiteral("LabelPasLevel2"), QStringLiteral("LAMBDA [V]"));
    caption->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    g->addWidget(caption, 0, 0);
    m_lambda = build::bar(p, QStringLiteral("AbBarPasL"), 0, 1.1, Qt::Horizontal, 2);
    g->addWidget(m_lambda, 1, 0);
    g->setRowStretch(1, 1);
    build::scaleLabelFonts(p, 44);
    return p;
}

QFrame *SideStrip::buildV6()
{
    QFrame *p = build::panel(this, QStringLiteral("PanelV6"));
    auto *v = new QVBoxLayout(p);
    v->setContentsMargins(3, 2, 3, 2);
    v->setSpacing(0);
    QLabel *caption = small(p, QStringLiteral("LabelPasLevel"), QStringLiteral("PROPANE LEVEL [V]"));
    caption->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    v->addWidget(caption);
    auto *h = new QHBoxLayout;
    h->setSpacing(2);
    v->addLayout(h, 1);
    m_level = build::bar(p, QStringLiteral("AbBarPasLevel"), 0, 5, Qt::Horizontal, 2);
    h->addWidget(m_level, 1);
    for (int k = 1; k <= 5; ++k) {
        const auto i = static_cast<std::size_t>(k - 1);
        m_levelLamps[i] = build::led(p, QStringLiteral("AbLedPasLev") + QString::number(k), QString(),
            k == 1 ? QColor(0xff, 0xa0, 0x00) : QColor(0x20, 0xc0, 0x30));
        m_levelLamps[i]->setFixedWidth(13);
        h->addWidget(m_levelLamps[i]);
    }
    build::scaleLabelFonts(p, 45);
    return p;
}

QFrame *SideStrip::buildV1()
{
    QFrame *p = build::panel(this, QStringLiteral("PanelV1"));
    auto *g = tightGrid(p);
    g->setVerticalSpacing(0);
    QLabel *b = small(p, QStringLiteral("LabelPasInjB"), QStringLiteral("gasoline"));
    QLabel *gas = small(p, QStringLiteral("LabelPasInjG"), QStringLiteral("propane"));
    b->setAlignment(Qt::AlignCenter);
    gas->setAlignment(Qt::AlignCenter);
    b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    gas->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    g->addWidget(b, 0, 1, 1, 2);
    g->addWidget(gas, 0, 3);
    for (int n = 1; n <= 8; ++n) {
        const auto i = static_cast<std::size_t>(n - 1);
        const QString num = QString::number(n);
        g->addWidget(small(p, QString(), num + QLatin1Char(':')), n, 0);
        buildInjectorRow(m_rows, p, n, { "AbBarPasB", "AbColBitBtnPasEmu", "AbBarPasG", nullptr, 1 });
        m_rows.petrolSwitches[i]->setMinimumWidth(28);
        g->addWidget(m_rows.petrolBars[i], n, 1);
        g->addWidget(m_rows.petrolSwitches[i], n, 2);
        g->addWidget(m_rows.gasBars[i], n, 3);
        g->setRowStretch(n, 1);
    }
    g->setColumnStretch(1, 1);
    g->setColumnStretch(3, 1);
    build::scaleLabelFonts(p, 172);
    return p;
}

QFrame *SideStrip::buildV7()
{
    QFrame *p = build::panel(this, QStringLiteral("PanelV7"));
    auto *v = new QVBoxLayout(p);
    v->setContentsMargins(3, 2, 3, 2);
    v->setSpacing(2);
    auto *top = new QHBoxLayout;
    top->addWidget(small(p, QStringLiteral("LabelPasStatus"), QStringLiteral("STATUS:")));
    m_status = build::led(p, QStringLiteral("AbLEDStatus"));
    m_status->setCursor(Qt::PointingHandCursor);
    top->addWidget(m_status, 1);
    v->addLayout(top, 1);
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    m_petrol = build::commandButton(p, QStringLiteral("AbColBitBtnPasBenzyna"), QStringLiteral("petrol"));
    m_auto = build::commandButton(p, QStringLiteral("AbColBitBtnPasAutomat"), QStringLiteral("auto"));
    m_gas = build::commandButton(p, QStringLiteral("AbColBitBtnPasGaz"), QStringLiteral("propane"));
    buttons->addWidget(m_petrol);
    buttons->addWidget(m_auto);
    buttons->addWidget(m_gas);
    v->addLayout(buttons, 1);
    m_progress = new QProgressBar(p);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, 768);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setMaximumHeight(8);
    v->addWidget(m_progress);
    build::scaleLabelFonts(p, 80);
    return p;
}

void SideStrip::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    const std::array<int, 5> heights = layout::stripPanelHeights(height());
    int y = 0;
    for (std::size_t i = 0; i < 5; ++i) {
        m_panels[i]->setGeometry(0, y, width(), heights[i]);
        y += heights[i];
    }
    m_panels[5]->setGeometry(0, y, width(), std::max(0, height() - y));
}

void SideStrip::showStrip(const DisplayContext &c)
{
    const LiveData &live = c.live;
    showInjectorRows(m_rows, c);
    const double difp = pressureBar(live.u16(rec::PresDiff));
    m_difpMeter->setValue(difp);
    m_rpm->setValue(engineRpm(live, c.image, c.timeBases));
    m_difp->setValue(difp);
    m_abs->setValue(pressureBar(live.u16(rec::GasPressure2)));
    m_vacuum->setValue(pressureBar(live.u16(rec::PresManifold)));
    m_tempGas->setValue(live.s16(rec::TempGas));
    m_tempReducer->setValue(live.s16(rec::TempReducer));
    m_lambda->setValue(sensorVolts(live.u16(rec::LambdaRaw)));
    m_level->setValue(sensorVolts(live.u16(rec::LevelRaw)));
}

void SideStrip::showLevelLamps(const std::array<bool, 5> &lit)
{
    for (std::size_t i = 0; i < 5; ++i)
        m_levelLamps[i]->setChecked(lit[i]);
}

void SideStrip::showStatus(const LampState &lamp)
{
    m_status->setStatusInt(lamp.state);
    m_status->setFlashing(lamp.flashing);
    m_status->setCaption(QString::fromStdString(lamp.caption));
    m_status->setChecked(true);
}

void SideStrip::setStale(bool stale)
{
    // The last panel holds the mode buttons and the status lamp: it stays as it is.
    for (std::size_t i = 0; i + 1 < m_panels.size(); ++i)
        if (m_panels[i])
            m_panels[i]->setEnabled(!stale);
}

void SideStrip::setLambdaRange(double min, double max)
{
    m_lambda->setRange(min, max);
}

} // namespace kelvane

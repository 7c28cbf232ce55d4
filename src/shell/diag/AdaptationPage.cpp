#include "AdaptationPage.h"

#include "AppState.h"
#include "FieldCodec.h"
#include "SettingsControls.h"
#include "TAbNumSpin.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace kelvane {

namespace {
constexpr int LastState = 16;
} // namespace

AdaptationPage::AdaptationPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSheet5"));
    for (int i = 0; i < AdaptTextCount; ++i)
        m_texts[static_cast<std::size_t>(i)] = QString::fromUtf8(adaptDefaultText(static_cast<AdaptText>(i)));

    auto *v = new QVBoxLayout(this);
    auto *buttons = new QHBoxLayout;
    auto button = [this, buttons](const char *name, const char *text) {
        auto *b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setMinimumWidth(90);
        // Nothing to drive until the page is attached to the window's procedure.
        b->setEnabled(false);
        buttons->addWidget(b);
        return b;
    };
    m_start = button("ButtonAdaptacjaStart", "START");
    m_stop = button("ButtonAdaptacjaStop", "STOP");
    m_next = button("ButtonAdaptNext", "NEXT");
    buttons->addStretch(1);
    v->addLayout(buttons);
    // Where the procedure is: its step, the samples of the current series, the main enrichment.
    m_progress = new QLabel(this);
    m_progress->setObjectName(QStringLiteral("LabelAdaptProgress"));
    v->addWidget(m_progress);
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("RichEditAdapt"));
    m_text->setReadOnly(true);
    m_text->setEnabled(false);
    // Disabled, so the fitter cannot type into it, but its instructions must read as clearly as text.
    QPalette palette = m_text->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text, palette.color(QPalette::Active, QPalette::Text));
    palette.setColor(QPalette::Disabled, QPalette::Base, palette.color(QPalette::Active, QPalette::Base));
    m_text->setPalette(palette);
    m_text->setPlainText(QStringLiteral("Adapt. commands:\n- Press START to make adaptation"));
    QFont f = m_text->font();
    f.setPointSizeF(f.pointSizeF() * 1.4);
    m_text->setFont(f);
    v->addWidget(m_text, 1);
}

void AdaptationPage::attach(Adaptation &adaptation, const ControllerSession &session, const QWidget &settings)
{
    m_session = &session;
    m_settings = &settings;
    m_adaptation = &adaptation;
    m_start->setEnabled(true);
    m_stop->setEnabled(true);
    // NEXT waits for START.
    connect(m_start, &QPushButton::clicked, this, &AdaptationPage::ButtonAdaptacjaStartClick);
    connect(m_stop, &QPushButton::clicked, this, &AdaptationPage::ButtonAdaptacjaStopClick);
    connect(m_next, &QPushButton::clicked, this, &AdaptationPage::ButtonAdaptNextClick);
}

bool AdaptationPage::running() const
{
    return m_adaptation && m_adaptation->running();
}

void AdaptationPage::step()
{
    if (m_adaptation)
        apply(m_adaptation->step());
}

void AdaptationPage::ButtonAdaptacjaStartClick()
{
    if (m_adaptation)
        apply(m_adaptation->start());
}

void AdaptationPage::ButtonAdaptacjaStopClick()
{
    if (m_adaptation)
        apply(m_adaptation->stop());
}

void AdaptationPage::ButtonAdaptNextClick()
{
    if (m_adaptation)
        apply(m_adaptation->next());
}

void AdaptationPage::apply(const AdaptationUpdate &u)
{
    if (u.text) {
        const QString &t = m_texts[static_cast<std::size_t>(*u.text)];
        if (m_text->toPlainText() != t)
            m_text->setPlainText(t);
    }
    if (u.startEnabled)
        m_start->setEnabled(*u.startEnabled);
    if (u.nextEnabled)
        m_next->setEnabled(*u.nextEnabled);

    // The procedure stored and sent these settings itself: their controls only show the new value
    // (a spin edit set from the program runs no write-back).
    const ControllerSession &s = *m_session;
    const DecodeContext ctx { s.timeBases };
    for (const std::string &name : u.changedControls) {
        const FieldDef *field = fieldOfControl(name.c_str());
        auto *spin = m_settings->findChild<TAbNumSpin *>(QString::fromStdString(name));
        if (field && spin)
            showSpin(*spin, decodeField(s.image, *field, ctx));
    }

    QString progress;
    if (m_adaptation->running() && u.state >= 1 && u.state < LastState) {
        progress = QStringLiteral("step %1 of %2").arg(u.state).arg(LastState - 1);
        if (u.state == 2 || u.state == 5 || u.state == 7)
            progress += QStringLiteral(", sample %1 of %2").arg(u.counter).arg(AdaptSamples);
        else if (u.state == 4)
            progress += QStringLiteral(", %1 of %2 steps before the work pressure is set")
                            .arg(u.counter)
                            .arg(AdaptPressureWaitSteps + 1);
        if (const FieldDef *e = fieldOfControl("AbNumSpinWzbogacenieGlowne"); e && u.state >= 3)
            progress += QStringLiteral(", main enrichment %1").arg(std::lround(decodeField(s.image, *e, ctx).number));
    }
    if (m_progress->text() != progress)
        m_progress->setText(progress);
}

} // namespace kelvane

#include "TAbNumSpin.h"

#include "InstrumentMath.h"

#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

TAbNumSpin::TAbNumSpin(QWidget *parent)
    : QWidget(parent)
    , m_spin(new QDoubleSpinBox(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_spin);
    m_spin->setDecimals(0);
    m_spin->setRange(m_min, m_max);
    m_spin->setKeyboardTracking(true);
    m_spin->setAccelerated(true);
    setFocusProxy(m_spin);
    setFocusPolicy(m_spin->focusPolicy());
    setSizePolicy(m_spin->sizePolicy());
    // Code changes block the box's signals, so whatever arrives here came from the user.
    connect(m_spin, &QDoubleSpinBox::valueChanged, this, [this](double) {
        m_edited = true;
        emit changed();
    });
}

void TAbNumSpin::showHeld()
{
    const QSignalBlocker block(m_spin);
    m_spin->setValue(m_held);
}

void TAbNumSpin::setRange(double min, double max)
{
    if (!kelvane::orderRange(min, max))
        return;
    m_min = min;
    m_max = max;
    {
        const QSignalBlocker block(m_spin);
        m_spin->setRange(min, max);
    }
    // A narrower range moves the held value in, silently, like a value set from code.
    if (!m_edited) {
        m_held = std::clamp(m_held, m_min, m_max);
        showHeld();
    }
}

double TAbNumSpin::minimum() const
{
    return m_min;
}

double TAbNumSpin::maximum() const
{
    return m_max;
}

void TAbNumSpin::setStep(double step)
{
    if (std::isnan(step) || step < 0)
        return;
    m_spin->setSingleStep(step);
}

double TAbNumSpin::step() const
{
    return m_spin->singleStep();
}

void TAbNumSpin::setDecimals(int decimals)
{
    {
        const QSignalBlocker block(m_spin);
        m_spin->setDecimals(decimals);
    }
    // The box rounded its value to the old decimals; show the held value again in the new ones.
    if (!m_edited)
        showHeld();
}

int TAbNumSpin::decimals() const
{
    return m_spin->decimals();
}

void TAbNumSpin::setValue(double value)
{
    m_held = std::isnan(value) ? m_min : std::clamp(value, m_min, m_max);
    m_edited = false;
    showHeld();
}

double TAbNumSpin::value() const
{
    return m_edited ? m_spin->value() : m_held;
}

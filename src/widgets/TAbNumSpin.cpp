#include "TAbNumSpin.h"

#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QSignalBlocker>

#include <cmath>

TAbNumSpin::TAbNumSpin(QWidget *parent)
    : QWidget(parent)
    , m_spin(new QDoubleSpinBox(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_spin);
    m_spin->setDecimals(0);
    m_spin->setRange(0, 100);
    m_spin->setKeyboardTracking(true);
    m_spin->setAccelerated(true);
    setFocusProxy(m_spin);
    setFocusPolicy(m_spin->focusPolicy());
    setSizePolicy(m_spin->sizePolicy());
    // Code changes block the box's signals, so whatever arrives here came from the user.
    connect(m_spin, &QDoubleSpinBox::valueChanged, this, [this](double) { emit changed(); });
}

void TAbNumSpin::setRange(double min, double max)
{
    if (std::isnan(min) || std::isnan(max))
        return;
    if (min > max)
        std::swap(min, max);
    const QSignalBlocker block(m_spin);
    m_spin->setRange(min, max);
}

double TAbNumSpin::minimum() const
{
    return m_spin->minimum();
}

double TAbNumSpin::maximum() const
{
    return m_spin->maximum();
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
    const QSignalBlocker block(m_spin);
    m_spin->setDecimals(decimals);
}

int TAbNumSpin::decimals() const
{
    return m_spin->decimals();
}

void TAbNumSpin::setValue(double value)
{
    if (std::isnan(value))
        value = m_spin->minimum();
    const QSignalBlocker block(m_spin);
    m_spin->setValue(value);
}

double TAbNumSpin::value() const
{
    return m_spin->value();
}

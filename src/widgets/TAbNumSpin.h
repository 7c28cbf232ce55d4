#pragma once
// Numeric spin edit with minimum, maximum and step. setValue (and every other setter) clamps and emits
// nothing; changed() comes only from the user: the arrow buttons, the arrow and page keys, the mouse
// wheel, or typing a number.

#include <QWidget>

class QDoubleSpinBox;

class TAbNumSpin : public QWidget {
    Q_OBJECT
public:
    explicit TAbNumSpin(QWidget *parent = nullptr);

    void setRange(double min, double max);
    double minimum() const;
    double maximum() const;

    void setStep(double step);
    double step() const;

    void setDecimals(int decimals);
    int decimals() const;

    void setValue(double value);
    double value() const;

    // The editor inside, for focus handling and tests.
    QDoubleSpinBox *spinBox() const { return m_spin; }

signals:
    void changed();

private:
    QDoubleSpinBox *m_spin;
};

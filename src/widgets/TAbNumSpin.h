#pragma once
// Numeric spin edit with minimum, maximum and step. setValue (and every other setter) clamps and emits
// nothing; changed() comes only from the user: the arrow buttons, the arrow and page keys, the mouse
// wheel while the spin edit holds the focus (WheelGuard), or typing a number.
//
// A value set from code is held exactly and only shown rounded to the decimals: a level voltage of
// 0.11956 V shows "0.12" and value() still returns 0.11956 until the fitter changes the control. Moving
// the focus in and out changes nothing, so a write-back run on leaving an unedited control sees the
// value it was given (isEdited() tells the two cases apart).

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

    // Holds `value` limited to the range (not-a-number gives the minimum) and shows it rounded to the
    // decimals; the control counts as not edited again.
    void setValue(double value);
    // The value held from setValue while the control is not edited, else the fitter's value.
    double value() const;
    // True once the fitter has changed the value since the last setValue.
    bool isEdited() const { return m_edited; }

    // The editor inside, for focus handling and tests.
    QDoubleSpinBox *spinBox() const { return m_spin; }

signals:
    void changed();

private:
    // Shows the held value in the box, rounded by the box to its decimals, without an event.
    void showHeld();

    QDoubleSpinBox *m_spin;
    double m_min = 0;
    double m_max = 100;
    double m_held = 0;
    bool m_edited = false;
};

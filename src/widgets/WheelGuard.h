#pragma once
// A turn of the mouse wheel changes a value control only while the fitter works in it. Qt's
// defaults let the wheel change whatever spin edit, combo box or track bar passes under the pointer,
// focused or not (a spin edit or combo box even takes the focus from the wheel): scrolling a page of
// settings would send a write for every control the pointer crossed.
//
// The guard watches the application's events. A spin edit, combo box or slider (not a scroll bar)
// takes a wheel turn only while it holds the keyboard focus; otherwise the turn goes on to the widgets
// around it as if the control were not there, so the page's scroll box scrolls. A control marked with
// neverTakeWheel() ignores the wheel even when focused (lists that replace a whole map in one step).
// Such controls no longer take the focus from the wheel: a click or the Tab key gives it.

#include <QObject>

class QWidget;

class WheelGuard : public QObject {
    Q_OBJECT
public:
    // Watches every widget of the application, those that exist now and those made later, for as
    // long as the guard lives.
    explicit WheelGuard(QObject *parent = nullptr);
    ~WheelGuard() override;

    // The control never takes a wheel turn, focused or not.
    static void neverTakeWheel(QWidget *control);
    // True for the kinds of control that change a value by the wheel.
    static bool isValueControl(const QWidget *widget);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static void dropWheelFocus(QWidget *widget);
};

#include "WheelGuard.h"

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QScrollBar>
#include <QWidget>

namespace {
constexpr const char *NeverWheelProperty = "kelvaneNeverTakesWheel";
}

WheelGuard::WheelGuard(QObject *parent)
    : QObject(parent)
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
    // Widgets polished before the guard existed get no Polish event any more.
    for (QWidget *w : QApplication::allWidgets())
        dropWheelFocus(w);
}

WheelGuard::~WheelGuard()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

void WheelGuard::neverTakeWheel(QWidget *control)
{
    control->setProperty(NeverWheelProperty, true);
}

bool WheelGuard::isValueControl(const QWidget *widget)
{
    if (qobject_cast<const QAbstractSpinBox *>(widget) || qobject_cast<const QComboBox *>(widget))
        return true;
    return qobject_cast<const QAbstractSlider *>(widget) && !qobject_cast<const QScrollBar *>(widget);
}

void WheelGuard::dropWheelFocus(QWidget *widget)
{
    // A spin edit or combo box has Qt::WheelFocus: the wheel over it would first give it the focus
    // and then change it. Click and Tab still give the focus.
    if (isValueControl(widget) && (widget->focusPolicy() & Qt::WheelFocus) == Qt::WheelFocus)
        widget->setFocusPolicy(Qt::StrongFocus);
}

bool WheelGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (!watched->isWidgetType())
        return false;
    auto *w = static_cast<QWidget *>(watched);
    switch (event->type()) {
    case QEvent::Polish:
        dropWheelFocus(w);
        return false;
    case QEvent::Wheel:
        if (!isValueControl(w))
            return false;
        if (w->hasFocus() && !w->property(NeverWheelProperty).toBool())
            return false;
        // Not handled here: Qt hands the turn to the parent, up to the scroll box around the page.
        event->ignore();
        return true;
    default:
        return false;
    }
}

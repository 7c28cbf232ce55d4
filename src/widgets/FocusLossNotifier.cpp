#include "FocusLossNotifier.h"

#include <QApplication>
#include <QChildEvent>
#include <QFocusEvent>
#include <QWidget>

FocusLossNotifier::FocusLossNotifier(QObject *parent)
    : QObject(parent)
{
}

void FocusLossNotifier::watch(QWidget *widget)
{
    if (!widget || m_watched.contains(widget))
        return;
    m_watched.insert(widget);
    installOn(widget);
    const QWidget *key = widget;
    connect(widget, &QObject::destroyed, this, [this, key] { m_watched.remove(key); });
}

void FocusLossNotifier::unwatch(QWidget *widget)
{
    if (!widget || !m_watched.remove(widget))
        return;
    widget->removeEventFilter(this);
    for (QWidget *child : widget->findChildren<QWidget *>())
        child->removeEventFilter(this);
}

bool FocusLossNotifier::isWatched(const QWidget *widget) const
{
    return m_watched.contains(widget);
}

void FocusLossNotifier::installOn(QWidget *widget)
{
    // The focus usually sits on an editor inside the control (a spin box's line edit), so the filter
    // goes on every child too; installing twice is harmless, Qt keeps one entry.
    widget->installEventFilter(this);
    for (QWidget *child : widget->findChildren<QWidget *>())
        child->installEventFilter(this);
}

bool FocusLossNotifier::isPartOf(const QWidget *control, const QObject *object)
{
    // by object ownership, which unlike isAncestorOf() also reaches a control's popup windows
    for (const QObject *o = object; o; o = o->parent()) {
        if (o == control)
            return true;
    }
    return false;
}

QWidget *FocusLossNotifier::watchedAncestor(QObject *object) const
{
    for (QObject *o = object; o; o = o->parent()) {
        if (o->isWidgetType() && m_watched.contains(static_cast<QWidget *>(o)))
            return static_cast<QWidget *>(o);
    }
    return nullptr;
}

bool FocusLossNotifier::eventFilter(QObject *object, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ChildAdded: {
        // an editor created later (a combo box made editable) is watched as well
        auto *ce = static_cast<QChildEvent *>(event);
        if (ce->child()->isWidgetType() && watchedAncestor(object))
            installOn(static_cast<QWidget *>(ce->child()));
        break;
    }
    case QEvent::FocusOut: {
        const auto *fe = static_cast<QFocusEvent *>(event);
        if (fe->reason() == Qt::PopupFocusReason || fe->reason() == Qt::ActiveWindowFocusReason
            || fe->reason() == Qt::MenuBarFocusReason)
            break;
        QWidget *control = watchedAncestor(object);
        if (!control)
            break;
        // Focus that moves between the parts of one control (the control, its editor, its own popup
        // list) stays in it; focus taken by any popup (a list, a menu) comes back when it closes.
        const QWidget *next = QApplication::focusWidget();
        if (next && (isPartOf(control, next) || next->window()->windowType() == Qt::Popup))
            break;
        emit focusLost(control);
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(object, event);
}

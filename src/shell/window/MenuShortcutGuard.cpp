#include "MenuShortcutGuard.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

namespace kelvane {

MenuShortcutGuard::MenuShortcutGuard(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
}

MenuShortcutGuard::~MenuShortcutGuard()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool MenuShortcutGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ShortcutOverride || !m_window || !watched->isWidgetType())
        return false;
    if (static_cast<QWidget *>(watched)->window() != m_window)
        return false;
    const QKeySequence pressed(static_cast<QKeyEvent *>(event)->keyCombination());
    for (const QAction *action : m_window->findChildren<QAction *>()) {
        if (action->isEnabled() && action->shortcuts().contains(pressed)) {
            // Nobody overrides it: the shortcut map gets the key and triggers the action.
            event->ignore();
            return true;
        }
    }
    return false;
}

} // namespace kelvane

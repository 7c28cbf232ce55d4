#pragma once
// Keeps a window's own menu shortcuts ahead of the editors inside it. Before the shortcut map sees a
// key, the focused widget may claim it: a line edit (alone, inside a spin edit, inside an editable
// combo box) claims Ctrl+A for "select all", so "-> auto" would never fire while the fitter types.
// The guard refuses that claim for every key that is the shortcut of an enabled action of the window,
// so the action runs wherever the focus is in the window; all other keys reach the editors as before,
// and other windows (dialogs, message boxes) are left alone.

#include <QObject>
#include <QPointer>

class QWidget;

namespace kelvane {

class MenuShortcutGuard : public QObject {
    Q_OBJECT
public:
    // Watches the application's events for `window`, and lives as long as the window.
    explicit MenuShortcutGuard(QWidget *window);
    ~MenuShortcutGuard() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_window;
};

} // namespace kelvane

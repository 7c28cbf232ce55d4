#pragma once
// The menu "edit": Undo (Ctrl+Z), Redo (Ctrl+Shift+Z, Ctrl+Y) and History. The items name the
// action they would take back or send again. Undo and redo go through the change journal; a
// whole-image entry is uploaded as a load is (restore point, progress bar, polling paused); the
// controls then show the image without writing anything back. What cannot be done, or stopped
// half way, is told to the fitter; a key press with nothing to undo only beeps.

#include "HistoryDialog.h"

#include <QObject>
#include <QPointer>

class QAction;
class QMenu;
class QTimer;
class QWidget;

namespace kelvane {

class AppState;
class ConnectionView;
class FileMenu;
class UserInteraction;
struct ReplayResult;

class EditMenu : public QObject {
    Q_OBJECT
public:
    // Adds "edit" to the window's menu bar after `before`'s menu (or at the end when null).
    EditMenu(QWidget &window, QMenu *after, FileMenu &files, ConnectionView &display, QTimer &pollTimer,
        AppState &state, UserInteraction &user);

    QAction *undoAction() const { return m_undo; }
    QAction *redoAction() const { return m_redo; }
    // The open History dialog, if any.
    HistoryDialog *historyDialog() const { return m_dialog; }

public slots:
    void undo1Click();
    void redo1Click();
    void history1Click();

public:
    enum class Replay { Undo, Redo };
    // One undo (redo); false when nothing was taken back (sent again) completely. With nothing to
    // replay: a beep (quiet) or the journal's message.
    bool replay(Replay which, bool quietWhenNothing);
    // The items' texts from the journal's stacks.
    void updateItems();

private:
    bool finish(const ReplayResult &result, bool quietWhenNothing);

    QWidget &m_window;
    FileMenu &m_files;
    ConnectionView &m_display;
    QTimer &m_pollTimer;
    AppState &m_state;
    UserInteraction &m_user;
    QAction *m_undo = nullptr;
    QAction *m_redo = nullptr;
    QAction *m_history = nullptr;
    QPointer<HistoryDialog> m_dialog;
};

} // namespace kelvane

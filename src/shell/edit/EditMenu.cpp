#include "EditMenu.h"

#include "AppState.h"
#include "BlockingGuards.h"
#include "FileMenu.h"
#include "HistoryDialog.h"
#include "UserInteraction.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace kelvane {

EditMenu::EditMenu(QWidget &window, QMenu *after, FileMenu &files, ConnectionView &display, QTimer &pollTimer,
    AppState &state, UserInteraction &user)
    : QObject(&window)
    , m_window(window)
    , m_files(files)
    , m_display(display)
    , m_pollTimer(pollTimer)
    , m_state(state)
    , m_user(user)
{
    setObjectName(QStringLiteral("EditMenu"));
    auto *menu = new QMenu(QStringLiteral("edit"), &window);
    menu->setObjectName(QStringLiteral("edit1"));
    if (auto *main = qobject_cast<QMainWindow *>(&window)) {
        QMenuBar *bar = main->menuBar();
        const QList<QAction *> items = bar->actions();
        const int at = after ? static_cast<int>(items.indexOf(after->menuAction())) : -1;
        if (at >= 0 && at + 1 < items.size())
            bar->insertMenu(items.at(at + 1), menu);
        else
            bar->addMenu(menu);
    }
    m_undo = menu->addAction(QStringLiteral("Undo"));
    m_undo->setObjectName(QStringLiteral("undo1"));
    m_undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_redo = menu->addAction(QStringLiteral("Redo"));
    m_redo->setObjectName(QStringLiteral("redo1"));
    m_redo->setShortcuts({ QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y) });
    menu->addSeparator();
    m_history = menu->addAction(QStringLiteral("History..."));
    m_history->setObjectName(QStringLiteral("history1"));
    // The items stay enabled: a disabled Ctrl+Z would reach a focused editor, whose own undo
    // would change the text of a control that writes to the controller.
    connect(m_undo, &QAction::triggered, this, &EditMenu::undo1Click);
    connect(m_redo, &QAction::triggered, this, &EditMenu::redo1Click);
    connect(m_history, &QAction::triggered, this, &EditMenu::history1Click);
    m_state.journal.changed = [this] { updateItems(); };
    updateItems();
}

void EditMenu::updateItems()
{
    m_undo->setText(undoText(m_state.journal.history(), true));
    m_redo->setText(undoText(m_state.journal.history(), false));
    if (m_dialog)
        m_dialog->refresh();
}

void EditMenu::undo1Click()
{
    replay(Replay::Undo, true);
}

void EditMenu::redo1Click()
{
    replay(Replay::Redo, true);
}

bool EditMenu::replay(Replay which, bool quietWhenNothing)
{
    const TimerPause pause(&m_pollTimer);
    const BusyCursor busy;
    // A whole-image entry goes back through the window's upload, with its restore point and progress.
    const ChangeJournal::Uploader upload = [this](const ImageBytes &target, const std::string &action,
                                               const char *what) { return m_files.uploadImage(target, action, what); };
    return finish(
        which == Replay::Undo ? m_state.journal.undo(upload) : m_state.journal.redo(upload), quietWhenNothing);
}

bool EditMenu::finish(const ReplayResult &r, bool quietWhenNothing)
{
    if (r.block == ReplayBlock::Nothing) {
        if (quietWhenNothing)
            QApplication::beep();
        else
            m_user.message(r.message);
        return false;
    }
    if (r.block != ReplayBlock::None) {
        m_user.message(r.message);
        return false;
    }
    // A whole image was shown by its upload; frames sent back are shown here. Showing writes nothing.
    if (r.upload.wordsSent == 0)
        m_display.showImage();
    if (!r.done)
        m_user.message(r.message);
    updateItems();
    return r.done;
}

void EditMenu::history1Click()
{
    if (!m_dialog) {
        m_dialog = new HistoryDialog(m_window, m_state.journal, [this](int steps) {
            for (int i = 0; i < steps; ++i)
                if (!replay(Replay::Undo, false))
                    return false;
            return true;
        });
    }
    m_dialog->refresh();
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

} // namespace kelvane

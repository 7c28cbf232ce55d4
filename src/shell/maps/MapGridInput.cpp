// The map grid's keyboard and mouse handling: key codes, arrow keys and editing keys, and the click on a cell.
#include "MapGrid.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>

namespace kelvane {

int mapKeyCode(int qtKey, Qt::KeyboardModifiers modifiers)
{
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Plus:
        return keypad ? 107 : 187;
    case Qt::Key_Equal:
        return 187;
    case Qt::Key_Minus:
        return keypad ? 109 : 189;
    case Qt::Key_Underscore:
        return 189;
    default:
        return 0;
    }
}

void MapGrid::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        if (m_copy)
            m_copy();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        if (m_paste)
            m_paste();
        event->accept();
        return;
    }
    const int code = mapKeyCode(event->key(), event->modifiers());
    if (code == 13 && state() != QAbstractItemView::EditingState) {
        if (!event->isAutoRepeat())
            m_enterDown = true;
        event->accept();
        return;
    }
    if (code != 0) {
        // The plus and minus keys act on release; they must not start a search through the texts.
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void MapGrid::keyReleaseEvent(QKeyEvent *event)
{
    if (event->isAutoRepeat()) {
        event->accept();
        return;
    }
    int code = mapKeyCode(event->key(), event->modifiers());
    if (code == 13) {
        // Only an Enter that went down here: the release of the Enter that closed a dialog
        // over the grid does not open it again.
        if (!m_enterDown)
            code = -1;
        m_enterDown = false;
    }
    if (m_keyUp && code >= 0 && state() != QAbstractItemView::EditingState)
        m_keyUp(code, event->modifiers().testFlag(Qt::ShiftModifier));
    event->accept();
}

void MapGrid::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    const QModelIndex i = currentIndex();
    if (i.isValid())
        emit cellClicked(i.column(), i.row());
}

} // namespace kelvane

#pragma once
// The History dialog: every journal entry on disk, newest first, with its time, action, the
// settings it changed in words, the controller's revisions and whether it went out whole. An entry
// still on this run's undo stack can be chosen and undone back to: every later change is undone
// first, newest first, and the undoing stops at the first that cannot be done.

#include "JournalEntry.h"

#include <QDialog>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace kelvane {

class ChangeJournal;

class HistoryDialog : public QDialog {
    Q_OBJECT
public:
    // undoSteps(n): undoes the n newest undoable entries; false when it stopped early.
    HistoryDialog(QWidget &parent, ChangeJournal &journal, std::function<bool(int)> undoSteps);

    // Reads the journal again.
    void refresh();
    // How many undos take the listed entry `row` back (0: it cannot be undone from here).
    int stepsTo(int row) const;

public slots:
    void ButtonUndoToHereClick();

private:
    void selectionChanged();
    // Whether the entry is on this run's redo stack.
    bool undone(const JournalEntry &entry) const;

    ChangeJournal &m_journal;
    std::function<bool(int)> m_undoSteps;
    std::vector<JournalEntry> m_entries;
    QTreeWidget *m_tree = nullptr;
    QLabel *m_note = nullptr;
    QPushButton *m_undoToHere = nullptr;
};

// The text of a change column: "engine type: 4 cylinders -> 6 cylinders; ..." joined.
QString changesText(const JournalEntry &entry);

} // namespace kelvane

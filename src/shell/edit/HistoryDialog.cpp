#include "HistoryDialog.h"

#include "ChangeJournal.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kelvane {

namespace {

bool sameEntry(const JournalEntry &a, const JournalEntry &b)
{
    return a.time == b.time && a.action == b.action && a.bytes == b.bytes;
}

QString revisionsText(const JournalEntry &e)
{
    if (!e.softwareRevision && !e.hardwareRevision)
        return QString();
    return QStringLiteral("sw %1, hw %2").arg(e.softwareRevision).arg(e.hardwareRevision);
}

} // namespace

QString changesText(const JournalEntry &e)
{
    QStringList parts;
    for (const ChangeLine &c : e.changes)
        parts << (c.before.isEmpty() ? QStringLiteral("%1: %2").arg(c.setting, c.after)
                                     : QStringLiteral("%1: %2 -> %3").arg(c.setting, c.before, c.after));
    return parts.join(QStringLiteral("; "));
}

HistoryDialog::HistoryDialog(QWidget &parent, ChangeJournal &journal, std::function<bool(int)> undoSteps)
    : QDialog(&parent)
    , m_journal(journal)
    , m_undoSteps(std::move(undoSteps))
{
    setObjectName(QStringLiteral("HistoryDialog"));
    setWindowTitle(QStringLiteral("History"));
    auto *layout = new QVBoxLayout(this);
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("TreeHistory"));
    m_tree->setRootIsDecorated(false);
    m_tree->setUniformRowHeights(true);
    m_tree->setHeaderLabels({ QStringLiteral("time"), QStringLiteral("action"), QStringLiteral("changes"),
        QStringLiteral("controller"), QStringLiteral("state") });
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(2, QHeaderView::Stretch);
    layout->addWidget(m_tree);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("LabelHistoryNote"));
    m_note->setWordWrap(true);
    layout->addWidget(m_note);
    auto *buttons = new QDialogButtonBox(this);
    m_undoToHere = buttons->addButton(QStringLiteral("undo back to here"), QDialogButtonBox::ActionRole);
    m_undoToHere->setObjectName(QStringLiteral("ButtonUndoToHere"));
    QPushButton *close = buttons->addButton(QDialogButtonBox::Close);
    close->setObjectName(QStringLiteral("ButtonClose"));
    layout->addWidget(buttons);
    connect(m_undoToHere, &QPushButton::clicked, this, &HistoryDialog::ButtonUndoToHereClick);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_tree, &QTreeWidget::itemSelectionChanged, this, &HistoryDialog::selectionChanged);
    resize(900, 420);
    refresh();
}

void HistoryDialog::refresh()
{
    const JournalReadResult read = m_journal.readFile();
    m_entries = read.entries;
    m_tree->clear();
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const JournalEntry &e = m_entries[i];
        auto *item = new QTreeWidgetItem(m_tree);
        item->setText(0, e.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        item->setText(1, e.action);
        item->setText(2, changesText(e));
        item->setToolTip(2, item->text(2));
        item->setText(3, revisionsText(e));
        QString state;
        if (e.state == EntryState::Interrupted)
            state = QStringLiteral("interrupted");
        else if (stepsTo(static_cast<int>(i)) > 0)
            state = QStringLiteral("can be undone");
        else if (undone(e))
            state = QStringLiteral("undone");
        item->setText(4, state);
    }
    for (int c : { 0, 1, 3, 4 })
        m_tree->resizeColumnToContents(c);
    QStringList notes;
    if (m_journal.folder().isEmpty())
        notes << QStringLiteral("The journal is not kept on disk in this run.");
    else if (m_entries.empty())
        notes << QStringLiteral("Nothing has been sent to a controller yet.");
    if (read.skippedLines > 0)
        notes << QStringLiteral("%1 damaged lines of the journal were left out.").arg(read.skippedLines);
    if (!read.error.isEmpty())
        notes << read.error;
    if (!m_journal.lastFileError().isEmpty())
        notes
            << QStringLiteral("The last change could not be written to the journal: %1").arg(m_journal.lastFileError());
    m_note->setText(notes.join(QLatin1Char('\n')));
    m_note->setVisible(!notes.isEmpty());
    selectionChanged();
}

int HistoryDialog::stepsTo(int row) const
{
    if (row < 0 || row >= static_cast<int>(m_entries.size()))
        return 0;
    const std::vector<ChangeHistory::Item> &stack = m_journal.history().undoStack();
    for (std::size_t k = stack.size(); k-- > 0;)
        if (sameEntry(stack[k].entry, m_entries[static_cast<std::size_t>(row)]))
            return static_cast<int>(stack.size() - k);
    return 0;
}

bool HistoryDialog::undone(const JournalEntry &entry) const
{
    for (const ChangeHistory::Item &i : m_journal.history().redoStack())
        if (sameEntry(i.entry, entry))
            return true;
    return false;
}

void HistoryDialog::selectionChanged()
{
    const QModelIndex current = m_tree->currentIndex();
    m_undoToHere->setEnabled(current.isValid() && m_tree->currentItem()->isSelected() && stepsTo(current.row()) > 0);
}

void HistoryDialog::ButtonUndoToHereClick()
{
    const int steps = stepsTo(m_tree->currentIndex().row());
    if (steps > 0 && m_undoSteps)
        m_undoSteps(steps);
    refresh();
}

} // namespace kelvane

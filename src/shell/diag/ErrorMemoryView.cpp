#include "ErrorMemoryView.h"

#include "AppState.h"
#include "BlockingGuards.h"
#include "Build.h"
#include "ErrorMemory.h"
#include "TAbColBitBtn.h"
#include "UserInteraction.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace kelvane {

QTableWidget *buildStringGrid(
    QWidget *parent, const QString &name, int columns, int rows, int fixedColumns, int fixedRows)
{
    auto *g = new QTableWidget(rows, columns, parent);
    g->setObjectName(name);
    g->horizontalHeader()->hide();
    g->verticalHeader()->hide();
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->verticalHeader()->setDefaultSectionSize(18);
    g->setWordWrap(false);
    const QBrush fixed = g->palette().button();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            auto *item = new QTableWidgetItem;
            if (r < fixedRows || c < fixedColumns) {
                item->setFlags(Qt::ItemIsEnabled);
                item->setBackground(fixed);
            } else {
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            }
            g->setItem(r, c, item);
        }
    }
    return g;
}

void setCell(QTableWidget *grid, int column, int row, const QString &text)
{
    if (QTableWidgetItem *item = grid->item(row, column)) {
        if (item->text() != text)
            item->setText(text);
    }
}

QString cell(const QTableWidget *grid, int column, int row)
{
    const QTableWidgetItem *item = grid->item(row, column);
    return item ? item->text() : QString();
}

ErrorMemoryView::ErrorMemoryView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ErrorMemoryView"));
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(3);
    auto *row = new QHBoxLayout;
    m_buttonRow = row;
    m_show = new QPushButton(QStringLiteral("ShowErrors"), this);
    m_show->setObjectName(QStringLiteral("ButtonErrorShow"));
    m_erase = build::commandButton(this, QStringLiteral("AbColBitBtn42"), QStringLiteral("erase errors"));
    m_erase->setMinimumWidth(110);
    m_count = build::label(this, QStringLiteral("LabelErrorCount"), QString());
    row->addWidget(m_show);
    row->addWidget(m_erase);
    row->addWidget(m_count);
    row->addStretch(1);
    v->addLayout(row);

    // Two columns, 33 rows: a header row and a header column left empty, faults 1-32 in column 1.
    m_grid = buildStringGrid(this, QStringLiteral("StringGridErrorMemory"), 2, 1 + ErrorGridRows, 1, 1);
    m_grid->setColumnWidth(0, 50);
    m_grid->setColumnWidth(1, 1060);
    v->addWidget(m_grid, 1);

    // Nothing to read until the page is attached to a controller session.
    m_show->setEnabled(false);
    m_erase->setEnabled(false);
}

void ErrorMemoryView::attach(ErrorMemory &memory, QTimer &pollTimer, UserInteraction &user)
{
    m_memory = &memory;
    m_pollTimer = &pollTimer;
    m_user = &user;
    m_show->setEnabled(true);
    m_erase->setEnabled(true);
    connect(m_show, &QPushButton::clicked, this, &ErrorMemoryView::ButtonErrorShowClick);
    connect(m_erase, &TAbColBitBtn::clicked, this, &ErrorMemoryView::AbColBitBtn42Click);
    showList();
}

void ErrorMemoryView::ButtonErrorShowClick()
{
    if (!m_memory)
        return;
    ErrorReadResult r;
    {
        // The read suspends polling; the timer waits too, so no live request goes between the blocks.
        TimerPause pause(m_pollTimer);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        r = m_memory->read();
        QApplication::restoreOverrideCursor();
    }
    if (r.status == ErrorReadStatus::NotConnected) {
        m_user->message(QString::fromUtf8(NoConnectionText));
        return;
    }
    showList();
}

void ErrorMemoryView::refreshAfterDecode()
{
    if (!m_memory)
        return;
    // The memory says when to read (a new marker, or a retry whose pause is over); only then does
    // the timer wait for it.
    if (!m_memory->refreshDueAfterDecode())
        return;
    {
        TimerPause pause(m_pollTimer);
        m_memory->refreshRead();
    }
    showList();
}

void ErrorMemoryView::AbColBitBtn42Click()
{
    if (!m_memory)
        return;
    if (!m_user->confirm(
            QStringLiteral("erase errors"), QStringLiteral("Erase the faults stored in the ECU's error memory?")))
        return;
    // The list follows when the controller moves its error-change marker.
    if (!m_memory->erase())
        m_user->message(QString::fromUtf8(NoConnectionText));
}

void ErrorMemoryView::newConnection()
{
    if (!m_memory)
        return;
    m_memory->resetForNewConnection();
    showList();
}

void ErrorMemoryView::showList()
{
    if (!m_memory)
        return;
    const ErrorList list = m_memory->list();
    for (int k = 1; k <= ErrorGridRows; ++k)
        setCell(m_grid, 1, k, QString::fromStdString(list.rows[static_cast<std::size_t>(k - 1)]));
    QString count;
    if (list.kind == ErrorList::Kind::Faults && list.count > 0) {
        count = QStringLiteral("%1 fault(s) stored").arg(list.count);
        if (list.notShown() > 0)
            count += QStringLiteral(", the last %1 not listed").arg(list.notShown());
    }
    if (list.fromEarlierRead) {
        const QString stale
            = QStringLiteral("%1; the list is from an earlier read").arg(QString::fromUtf8(ErrorReadFailedText));
        count = count.isEmpty() ? stale : count + QStringLiteral(" - ") + stale;
    }
    m_count->setText(count);
}

} // namespace kelvane

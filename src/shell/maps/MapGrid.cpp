#include "MapGrid.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>

namespace kelvane {

// The texts of the grid, column by column like a string grid's Cells[col][row].
class MapGridModel : public QAbstractTableModel {
public:
    MapGridModel(int cols, int rows, QObject *parent)
        : QAbstractTableModel(parent)
        , m_cols(cols)
        , m_rows(rows)
    {
        m_text.resize(static_cast<std::size_t>(cols * rows));
    }

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : m_rows; }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : m_cols; }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        return text(index.column(), index.row());
    }

    bool setData(const QModelIndex &index, const QVariant &value, int role) override
    {
        if (!index.isValid() || role != Qt::EditRole)
            return false;
        setText(index.column(), index.row(), value.toString());
        m_edited(index.column(), index.row());
        return true;
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        if (!index.isValid())
            return Qt::NoItemFlags;
        if (isFixed(index.column(), index.row()))
            return Qt::NoItemFlags; // fixed cells are neither selectable nor current
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (m_editable && m_editable(index.column(), index.row()))
            f |= Qt::ItemIsEditable;
        return f;
    }

    void setEditable(std::function<bool(int, int)> editable)
    {
        beginResetModel();
        m_editable = std::move(editable);
        endResetModel();
    }

    bool isFixed(int col, int row) const { return col < m_fixedCols || row < m_fixedRows; }

    QString text(int col, int row) const
    {
        if (col < 0 || row < 0 || col >= m_cols || row >= m_rows)
            return {};
        return m_text[static_cast<std::size_t>(row * m_cols + col)];
    }
    void setText(int col, int row, const QString &t)
    {
        if (col < 0 || row < 0 || col >= m_cols || row >= m_rows)
            return;
        QString &cell = m_text[static_cast<std::size_t>(row * m_cols + col)];
        if (cell == t)
            return;
        cell = t;
        const QModelIndex i = index(row, col);
        emit dataChanged(i, i);
    }

    void setRows(int rows)
    {
        rows = std::max(1, rows);
        if (rows == m_rows)
            return;
        if (rows > m_rows) {
            beginInsertRows({}, m_rows, rows - 1);
            m_text.resize(static_cast<std::size_t>(rows * m_cols));
            m_rows = rows;
            endInsertRows();
        } else {
            beginRemoveRows({}, rows, m_rows - 1);
            m_text.resize(static_cast<std::size_t>(rows * m_cols));
            m_rows = rows;
            endRemoveRows();
        }
    }

    void setFixed(int cols, int rows)
    {
        beginResetModel();
        m_fixedCols = cols;
        m_fixedRows = rows;
        endResetModel();
    }

    int m_cols;
    int m_rows;
    int m_fixedCols = 0;
    int m_fixedRows = 0;
    std::vector<QString> m_text;
    std::function<bool(int, int)> m_editable;
    std::function<void(int, int)> m_edited = [](int, int) {};
};

namespace {

class MapGridDelegate : public QStyledItemDelegate {
public:
    explicit MapGridDelegate(MapGrid *grid)
        : QStyledItemDelegate(grid)
        , m_grid(grid)
    {
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        painter->save();
        painter->setClipRect(option.rect);
        m_grid->drawCell(
            *painter, index.column(), index.row(), option.rect, option.state.testFlag(QStyle::State_Selected));
        painter->restore();
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QWidget *w = QStyledItemDelegate::createEditor(parent, option, index);
        w->setFont(m_grid->cellFont());
        return w;
    }

private:
    MapGrid *m_grid;
};

} // namespace

MapGrid::MapGrid(const QString &name, int cols, int rows, QWidget *parent)
    : QTableView(parent)
{
    setObjectName(name);
    m_model = new MapGridModel(cols, rows, this);
    m_model->m_edited = [this](int c, int r) { emit cellEdited(c, r); };
    setModel(m_model);
    setItemDelegate(new MapGridDelegate(this));
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_font = font();
    m_colWidths.assign(static_cast<std::size_t>(cols), 0);
    applySizes();
}

int MapGrid::colCount() const
{
    return m_model->m_cols;
}
int MapGrid::rowCount() const
{
    return m_model->m_rows;
}

void MapGrid::setRowCount(int rows)
{
    m_model->setRows(rows);
    applySizes();
}

int MapGrid::fixedCols() const
{
    return m_model->m_fixedCols;
}
int MapGrid::fixedRows() const
{
    return m_model->m_fixedRows;
}

void MapGrid::setFixed(int fixedCols, int fixedRows)
{
    const GridRect before = selection();
    m_model->setFixed(fixedCols, fixedRows);
    applySizes();
    // Keep the selection on selectable cells.
    GridRect r = before;
    r.left = std::max(r.left, fixedCols);
    r.right = std::max(r.right, r.left);
    r.top = std::max(r.top, fixedRows);
    r.bottom = std::max(r.bottom, r.top);
    setSelection(r);
}

QString MapGrid::cell(int col, int row) const
{
    return m_model->text(col, row);
}
void MapGrid::setCell(int col, int row, const QString &text)
{
    m_model->setText(col, row, text);
}

void MapGrid::setEditableCell(std::function<bool(int, int)> editable)
{
    m_model->setEditable(std::move(editable));
    applySizes();
}

void MapGrid::finishEditing()
{
    if (state() != QAbstractItemView::EditingState)
        return;
    if (QWidget *editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void MapGrid::setDefaultColWidth(int width)
{
    m_defaultColWidth = std::max(1, width);
    applySizes();
}

void MapGrid::setColWidth(int col, int width)
{
    if (col >= 0 && col < colCount())
        m_colWidths[static_cast<std::size_t>(col)] = std::max(0, width);
    applySizes();
}

int MapGrid::colWidth(int col) const
{
    if (col < 0 || col >= colCount())
        return 0;
    const int w = m_colWidths[static_cast<std::size_t>(col)];
    return w > 0 ? w : m_defaultColWidth;
}

void MapGrid::setDefaultRowHeight(int height)
{
    m_defaultRowHeight = std::max(1, height);
    applySizes();
}

int MapGrid::defaultRowHeight() const
{
    return m_defaultRowHeight;
}

void MapGrid::applySizes()
{
    horizontalHeader()->setDefaultSectionSize(m_defaultColWidth);
    for (int c = 0; c < colCount(); ++c)
        horizontalHeader()->resizeSection(c, colWidth(c));
    verticalHeader()->setDefaultSectionSize(m_defaultRowHeight);
    for (int r = 0; r < rowCount(); ++r)
        verticalHeader()->resizeSection(r, m_defaultRowHeight);
}

QSize MapGrid::cellsSize() const
{
    int w = 0;
    for (int c = 0; c < colCount(); ++c)
        w += colWidth(c);
    const int h = rowCount() * m_defaultRowHeight;
    const int f = 2 * frameWidth();
    return { w + f, h + f };
}

void MapGrid::fitToCells()
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFixedSize(cellsSize());
}

void MapGrid::setCellFont(const QFont &font)
{
    m_font = font;
    viewport()->update();
}

void MapGrid::setCellColors(const QColor &background, const QColor &text)
{
    m_background = background;
    m_textColor = text;
    viewport()->update();
}

QColor MapGrid::selectedTextColor() const
{
    return palette().color(QPalette::Active, QPalette::HighlightedText);
}

GridRect MapGrid::selection() const
{
    const QModelIndexList sel = selectionModel()->selectedIndexes();
    if (sel.isEmpty()) {
        const QModelIndex cur = currentIndex();
        if (cur.isValid())
            return { cur.column(), cur.row(), cur.column(), cur.row() };
        return { fixedCols(), fixedRows(), fixedCols(), fixedRows() };
    }
    GridRect r { sel.first().column(), sel.first().row(), sel.first().column(), sel.first().row() };
    for (const QModelIndex &i : sel) {
        r.left = std::min(r.left, i.column());
        r.right = std::max(r.right, i.column());
        r.top = std::min(r.top, i.row());
        r.bottom = std::max(r.bottom, i.row());
    }
    return r;
}

void MapGrid::setSelection(const GridRect &rect)
{
    const int l = std::clamp(std::min(rect.left, rect.right), fixedCols(), colCount() - 1);
    const int r = std::clamp(std::max(rect.left, rect.right), fixedCols(), colCount() - 1);
    const int t = std::clamp(std::min(rect.top, rect.bottom), fixedRows(), rowCount() - 1);
    const int b = std::clamp(std::max(rect.top, rect.bottom), fixedRows(), rowCount() - 1);
    if (l > r || t > b || colCount() <= fixedCols() || rowCount() <= fixedRows())
        return;
    selectionModel()->setCurrentIndex(m_model->index(t, l), QItemSelectionModel::NoUpdate);
    selectionModel()->select(
        QItemSelection(m_model->index(t, l), m_model->index(b, r)), QItemSelectionModel::ClearAndSelect);
}

QRect MapGrid::cellRect(int col, int row) const
{
    return visualRect(m_model->index(row, col));
}

void MapGrid::drawCell(QPainter &painter, int col, int row, const QRect &rect, bool selected) const
{
    const bool fixed = m_model->isFixed(col, row);
    QColor fill = m_background;
    QColor text = m_textColor;
    if (fixed) {
        fill = m_fixedBackground;
    } else if (selected) {
        fill = palette().color(QPalette::Active, QPalette::Highlight);
        text = selectedTextColor();
    }
    painter.fillRect(rect, fill);
    painter.setFont(m_font);
    painter.setPen(text);
    painter.drawText(rect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, cell(col, row));
    if (m_draw)
        m_draw(painter, col, row, rect, CellState { fixed, selected });
}

} // namespace kelvane

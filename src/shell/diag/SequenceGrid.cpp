#include "SequenceGrid.h"

#include <QPainter>

namespace kelvane {

SequenceGrid::SequenceGrid(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("StringGridSequenceType"));
    setFixedSize(sizeHint());
}

QSize SequenceGrid::sizeHint() const
{
    return QSize(8 * ColumnWidth + 1, 8 * RowHeight + 1);
}

void SequenceGrid::setSequence(const std::array<SequenceRow, 8> &rows)
{
    m_rows = rows;
    m_valid = true;
    update();
}

int SequenceGrid::cellCylinder(int column, int row) const
{
    if (!m_valid || row < 0 || row > 7 || column < 0 || column > 7)
        return 0;
    const SequenceRow &r = m_rows[static_cast<std::size_t>(row)];
    return r.group == column ? r.cylinder : 0;
}

void SequenceGrid::StringGridSequenceTypeDrawCell(QPainter &p, int column, int row, const QRect &rect) const
{
    p.fillRect(rect, Qt::white);
    const int cylinder = cellCylinder(column, row);
    if (cylinder == 0)
        return;
    p.fillRect(rect, cellColor());
    p.setPen(Qt::white);
    const QRect text(rect.left() + 6, rect.top(), rect.width() - 6, rect.height());
    p.drawText(text, Qt::AlignLeft | Qt::AlignTop, QString::number(cylinder));
}

void SequenceGrid::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    for (int r = 0; r < 8; ++r) {
        for (int c = 0; c < 8; ++c) {
            const QRect cell(c * ColumnWidth + 1, r * RowHeight + 1, ColumnWidth - 1, RowHeight - 1);
            StringGridSequenceTypeDrawCell(p, c, r, cell);
        }
    }
    p.setPen(QColor(0xa0, 0xa0, 0xa0));
    for (int c = 0; c <= 8; ++c)
        p.drawLine(c * ColumnWidth, 0, c * ColumnWidth, 8 * RowHeight);
    for (int r = 0; r <= 8; ++r)
        p.drawLine(0, r * RowHeight, 8 * ColumnWidth, r * RowHeight);
}

} // namespace kelvane

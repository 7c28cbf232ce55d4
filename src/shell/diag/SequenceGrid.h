#pragma once
// StringGridSequenceType: 8 x 8 cells of 20 x 28 pixels. Row r holds the cylinder injected r-th; it is
// drawn in the column of its injection group, so fully sequential injection draws a diagonal.

#include "Injectors.h"

#include <QWidget>

namespace kelvane {

class SequenceGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr int ColumnWidth = 20;
    static constexpr int RowHeight = 28;

    explicit SequenceGrid(QWidget *parent = nullptr);

    void setSequence(const std::array<SequenceRow, 8> &rows);
    // The cylinder drawn in a cell, or 0 for an empty cell.
    int cellCylinder(int column, int row) const;

    void StringGridSequenceTypeDrawCell(QPainter &painter, int column, int row, const QRect &rect) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    static QColor cellColor() { return QColor(0x80, 0x00, 0x00); } // maroon

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::array<SequenceRow, 8> m_rows {};
    bool m_valid = false;
};

} // namespace kelvane

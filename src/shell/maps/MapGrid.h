#pragma once
// A string grid for the map editors: a table of texts addressed (column, row) with fixed header
// rows and columns that cannot be selected, a rectangular selection, owner drawing after the
// grid's own drawing of a cell, and the keys of the map editors reported on release with the
// key codes the controller's tools have always used (13 Enter, 107/109 keypad plus/minus,
// 187/189 the main keyboard's "=+" and "-" keys).

#include <QColor>
#include <QKeySequence>
#include <QTableView>

#include <functional>
#include <vector>

class QAbstractTableModel;

namespace kelvane {

// The key codes of the map editors for a Qt key event:
//  - Key_Return, Key_Enter                       -> 13
//  - Key_Plus with the keypad modifier           -> 107 (keypad plus)
//  - Key_Plus otherwise, Key_Equal               -> 187 (the "=+" key; Shift+"=" arrives as Key_Plus)
//  - Key_Minus with the keypad modifier          -> 109 (keypad minus)
//  - Key_Minus otherwise, Key_Underscore         -> 189 (the "-_" key; Shift+"-" arrives as Key_Underscore)
//  - anything else                               -> 0
int mapKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);

// A rectangle of grid cells, columns left..right and rows top..bottom, inclusive.
struct GridRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const GridRect &o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

class MapGridModel;

class MapGrid : public QTableView {
    Q_OBJECT
public:
    // How a cell is being drawn: the grid has already filled it and drawn its text.
    struct CellState {
        bool fixed = false;
        bool selected = false;
    };
    using DrawCell = std::function<void(QPainter &painter, int col, int row, const QRect &rect, CellState state)>;
    using KeyUp = std::function<void(int keyCode, bool shift)>;
    // Ctrl+C and Ctrl+V on the grid.
    using Clipboard = std::function<void()>;

    MapGrid(const QString &name, int cols, int rows, QWidget *parent = nullptr);

    int colCount() const;
    int rowCount() const;
    // Changing the counts keeps the texts of the cells that remain.
    void setRowCount(int rows);
    int fixedCols() const;
    int fixedRows() const;
    void setFixed(int fixedCols, int fixedRows);

    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString &text);
    // Cells the user may type into (the header cells in header-editing mode); they open their
    // editor on a click.
    void setEditableCell(std::function<bool(int col, int row)> editable);

    // A cell editor is open.
    bool editing() const { return state() == QAbstractItemView::EditingState; }
    // Takes the text of an open cell editor into its cell and closes the editor.
    void finishEditing();

    // Sizes in pixels; column widths set one by one win over the default.
    void setDefaultColWidth(int width);
    void setColWidth(int col, int width);
    int colWidth(int col) const;
    void setDefaultRowHeight(int height);
    int defaultRowHeight() const;
    // Fixes the widget's size to the cells plus the frame, so the whole grid shows without
    // scroll bars.
    void fitToCells();
    // Outer size the grid needs for all its cells.
    QSize cellsSize() const;

    // Text font and colours: the background and text of normal cells, the background of the
    // fixed cells (their text takes the font colour too).
    void setCellFont(const QFont &font);
    QFont cellFont() const { return m_font; }
    void setCellColors(const QColor &background, const QColor &text);
    QColor cellBackground() const { return m_background; }
    QColor cellTextColor() const { return m_textColor; }
    QColor fixedBackground() const { return m_fixedBackground; }
    // Colour of the text of a selected cell.
    QColor selectedTextColor() const;

    // The selection as a rectangle of cells (never empty: the current cell when nothing else is
    // selected); setSelection selects a rectangle of selectable cells and makes its top-left
    // cell current.
    GridRect selection() const;
    void setSelection(const GridRect &rect);
    // Screen rectangle of a cell inside the viewport.
    QRect cellRect(int col, int row) const;

    void setDrawCell(DrawCell draw) { m_draw = std::move(draw); }
    void setKeyUp(KeyUp keyUp) { m_keyUp = std::move(keyUp); }
    void setCopy(Clipboard copy) { m_copy = std::move(copy); }
    void setPaste(Clipboard paste) { m_paste = std::move(paste); }

    // The grid's own drawing and then the owner's (used by the delegate).
    void drawCell(QPainter &painter, int col, int row, const QRect &rect, bool selected) const;

signals:
    // A click on a cell (after the current cell has moved there).
    void cellClicked(int col, int row);
    // The user finished typing into a cell.
    void cellEdited(int col, int row);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void applySizes();

    MapGridModel *m_model = nullptr;
    int m_defaultColWidth = 64;
    int m_defaultRowHeight = 24;
    std::vector<int> m_colWidths; // 0: the default
    QFont m_font;
    QColor m_background { 255, 255, 255 };
    QColor m_textColor { 0, 0, 0 };
    QColor m_fixedBackground { 240, 240, 240 };
    DrawCell m_draw;
    KeyUp m_keyUp;
    Clipboard m_copy;
    Clipboard m_paste;
    bool m_enterDown = false; // Enter went down on this grid (its release may open the dialog)
};

} // namespace kelvane

#pragma once
// The error memory on the "ECU" sub-page: "ShowErrors" (ButtonErrorShow), "erase errors"
// (AbColBitBtn42) and the fault list StringGridErrorMemory, refreshed by itself when the controller
// moves its error-change marker. The reading and decoding are ErrorMemory's (ErrorMemory.h).
//
// Also the string grids of the diagnostic pages: a table whose first rows and columns are fixed,
// addressed like the window's grids as (column, row), the fixed ones counted.

#include "FileMenuPrompts.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QTableWidget;
class TAbColBitBtn;
class TForm1;

namespace kelvane {

class ErrorMemory;

// A grid of `columns` x `rows` cells, the first `fixedColumns` columns and `fixedRows` rows drawn as
// headers and never selected; nothing is edited.
QTableWidget *buildStringGrid(
    QWidget *parent, const QString &name, int columns, int rows, int fixedColumns, int fixedRows);
void setCell(QTableWidget *grid, int column, int row, const QString &text);
QString cell(const QTableWidget *grid, int column, int row);

class ErrorMemoryView : public QWidget {
    Q_OBJECT
public:
    explicit ErrorMemoryView(QWidget *parent = nullptr);

    // From now on the buttons work on `memory`, with the window's timer, messages and questions.
    void attach(TForm1 &form, ErrorMemory &memory);

    Prompts prompts;

    QTableWidget *grid() const { return m_grid; }
    // The row of buttons, where the panel adds its other controls.
    QLayout *buttonRow() const { return m_buttonRow; }

    // After each decode: reads the list again when the controller's marker moved.
    void refreshAfterDecode();
    // A controller has been found: the previous controller's list goes.
    void newConnection();
    // Draws the list as the error memory holds it.
    void showList();

public slots:
    void ButtonErrorShowClick();
    void AbColBitBtn42Click();

private:
    TForm1 *m_form = nullptr;
    ErrorMemory *m_memory = nullptr;
    QLayout *m_buttonRow = nullptr;
    QPushButton *m_show = nullptr;
    TAbColBitBtn *m_erase = nullptr;
    QLabel *m_count = nullptr;
    QTableWidget *m_grid = nullptr;
};

} // namespace kelvane

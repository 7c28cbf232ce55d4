#pragma once
// The error memory on the "ECU" sub-page: "ShowErrors" (ButtonErrorShow), "erase errors"
// (AbColBitBtn42) and the fault list StringGridErrorMemory, refreshed by itself when the controller
// moves its error-change marker. The reading and decoding are ErrorMemory's (ErrorMemory.h).
//
// Also the string grids of the diagnostic pages: a table whose first rows and columns are fixed,
// addressed like the window's grids as (column, row), the fixed ones counted.

#include <QWidget>

class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;
class TAbColBitBtn;

namespace kelvane {

class ErrorMemory;
class UserInteraction;

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

    // From now on the buttons work on `memory`; its reads pause the polling timer, and the fitter
    // is told and asked through `user`.
    void attach(ErrorMemory &memory, QTimer &pollTimer, UserInteraction &user);

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
    ErrorMemory *m_memory = nullptr;
    QTimer *m_pollTimer = nullptr;
    UserInteraction *m_user = nullptr;
    QLayout *m_buttonRow = nullptr;
    QPushButton *m_show = nullptr;
    TAbColBitBtn *m_erase = nullptr;
    QLabel *m_count = nullptr;
    QTableWidget *m_grid = nullptr;
};

} // namespace kelvane

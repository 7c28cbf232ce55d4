#pragma once
// "compare with ECU": what loading a parameter file would change. One line per setting whose value
// differs between the PC's image of the controller and the file, by the caption the fitter knows
// from the window, with both values as the controls show them; then the map cells, axis points and
// other bytes that differ. Nothing is sent; "load to ECU" accepts the dialog, "cancel" rejects it.

#include "ImageCompare.h"

#include <QDialog>
#include <QString>

#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

namespace kelvane {

struct CompareRow {
    QString caption; // the setting's caption in the window, or the region's name
    QString place; // where the setting is: its section or page ("4.Switch to propane"); empty for a region
    QString field; // the image field's name; empty for a region
    QString ecu; // as shown for the PC's image of the controller
    QString file; // as shown for the file
};

// The lines of the dialog: the settings in field-table order, then the regions in image order.
// `window` is searched for a control's own text where the caption table has none (check boxes).
std::vector<CompareRow> compareRows(const ImageComparison &comparison, const QWidget *window);

class CompareDialog : public QDialog {
    Q_OBJECT
public:
    // `note`: what the load would do with a file that is not 768 bytes long (empty otherwise).
    CompareDialog(
        QWidget *parent, const QString &file, const std::vector<CompareRow> &rows, const QString &note, bool connected);

    QTableWidget *grid() const { return m_grid; }
    QLabel *summary() const { return m_summary; }
    QPushButton *loadButton() const { return m_load; }
    QPushButton *cancelButton() const { return m_cancel; }

private:
    QTableWidget *m_grid = nullptr;
    QLabel *m_summary = nullptr;
    QPushButton *m_load = nullptr;
    QPushButton *m_cancel = nullptr;
};

} // namespace kelvane

#pragma once
// The OBD sub-page "EOBD/OBD/OBDII" (TabSheetOBD): the 21 live OBD values with their check boxes, the
// actual OBD correction, the fuel trims and the OBD/CAN status line.

#include "DisplayContext.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QLineEdit;

namespace kelvane {

class ObdPage : public QWidget {
    Q_OBJECT
public:
    explicit ObdPage(QWidget *parent = nullptr);

    // Display step of the OBD fields (every decode).
    void showObd(const DisplayContext &context);

private:
    std::array<QCheckBox *, 21> m_checks {};
    std::array<QLineEdit *, 21> m_values {};
    QLineEdit *m_actualCorrection = nullptr;
    QLineEdit *m_shortTrim = nullptr;
    QLineEdit *m_longTrim = nullptr;
    QLineEdit *m_canStatus = nullptr;
};

} // namespace kelvane

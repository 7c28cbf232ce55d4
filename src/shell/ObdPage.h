#pragma once
// The OBD sub-page "EOBD/OBD/OBDII" (TabSheetOBD): the three OBD settings, the OBD commands (read
// and erase the car's trouble codes, read all data), the trouble-code list StringGridObdErrors, the
// actual OBD correction, the fuel trims, the OBD/CAN status line and, in "OBD INFO"
// (GroupBoxObdInfo, shown while the OBD correction is off), the 21 live OBD values.

#include "DisplayContext.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTableWidget;
class TForm1;

namespace kelvane {

struct ControllerSession;

class ObdPage : public QWidget {
    Q_OBJECT
public:
    explicit ObdPage(QWidget *parent = nullptr);

    // From now on the command buttons send to the window's controller session.
    void attach(TForm1 &form);

    // Display step of the OBD fields (every decode).
    void showObd(const DisplayContext &context);
    // Redraws the trouble-code list from the OBD data area.
    void ShowObdTroubleCodes(const LiveData &live);

    QTableWidget *troubleCodeGrid() const { return m_codes; }
    QGroupBox *infoGroup() const { return m_info; }

public slots:
    void ButtonReadObdErrorsClick();
    void ButtonEraseObdErrorsClick();
    void Button6Click();

private:
    // "OBD INFO" shows exactly while the OBD correction (bits 1-2 of image byte 549) is off.
    void showInfoFor(unsigned correction);
    bool linkReady();

    TForm1 *m_form = nullptr;
    std::array<QCheckBox *, 21> m_checks {};
    std::array<QLineEdit *, 21> m_values {};
    QLineEdit *m_actualCorrection = nullptr;
    QLineEdit *m_shortTrim = nullptr;
    QLineEdit *m_longTrim = nullptr;
    QLineEdit *m_canStatus = nullptr;
    QPushButton *m_read = nullptr;
    QPushButton *m_erase = nullptr;
    QPushButton *m_readAll = nullptr;
    QTableWidget *m_codes = nullptr;
    QGroupBox *m_info = nullptr;
};

} // namespace kelvane

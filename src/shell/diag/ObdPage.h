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
class QTimer;

namespace kelvane {

struct ControllerSession;
class UserInteraction;

class ObdPage : public QWidget {
    Q_OBJECT
public:
    explicit ObdPage(QWidget *parent = nullptr);

    // From now on the command buttons send to `session`; the erase pauses the polling timer, and a
    // missing controller is told through `user`.
    void attach(ControllerSession &session, QTimer &pollTimer, UserInteraction &user);

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

    ControllerSession *m_session = nullptr;
    QTimer *m_pollTimer = nullptr;
    UserInteraction *m_user = nullptr;
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

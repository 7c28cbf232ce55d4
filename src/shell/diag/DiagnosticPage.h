#pragma once
// The diagnostic page "[F5]diagnostic" (TabSheet4) with its sub-pages: "ECU" (TabSheet6: the injector
// panel PanelDiagWtr with cut-off lamps and the sequence view, the error-memory panel PanelErrDol),
// "EOBD/OBD/OBDII" (TabSheetOBD) and "DataLogger" (TabSheet8). Also the service interval, whose
// controls sit in the section "2.SERVICE:" of the advanced parameter page.

#include "InjectorRows.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <string>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QTimer;
class TAbBar;
class TAbLED;
class TAbNumSpin;

namespace kelvane {

class AppState;
class ErrorMemoryView;
class ObdPage;
class SequenceGrid;
class UserInteraction;

// The service interval: the distance to the next service ("[km]", AbNumSpinSerwis), "SET SERVICE",
// "DELETE SERVICE" and the remaining time LabelSerwisWhen beside the section's title. The point is
// stored as ServiceDue, seconds of the gas work-time counter, one minute per km.
class ServicePanel : public QObject {
    Q_OBJECT
public:
    // Builds the controls into `group` (GroupBoxAdv2) and the label beside the section's `title`.
    ServicePanel(AppState &state, UserInteraction &user, QGroupBox *group, QLabel *title, QObject *parent = nullptr);

    // The label's text for the image and the live record as they are now.
    static QString labelText(std::uint32_t serviceDue, std::uint32_t gasWorkTime, std::uint8_t beeps,
        const std::string &timeLeftText, const std::string &offText);

    // Display step of every decode.
    void showServiceLabel();
    // A controller has been found: its gas work time is unknown until its first accepted reply.
    void newConnection();

public slots:
    void ButtonSetSerwisClick();
    void ButtonDeleteSerwisClick();

private:
    void writeServiceDue(std::uint32_t value);

    AppState &m_state;
    UserInteraction &m_user;
    TAbNumSpin *m_distance = nullptr;
    QPushButton *m_set = nullptr;
    QPushButton *m_delete = nullptr;
    QLabel *m_when = nullptr;
    std::uint64_t m_acceptedAtConnect = 0;
};

class DiagnosticPage : public QWidget {
    Q_OBJECT
public:
    explicit DiagnosticPage(QWidget *parent = nullptr);

    QTabWidget *pageControl() const { return m_pageControl; }
    QWidget *ecuSheet() const { return m_tabSheet6; }
    ObdPage *obdPage() const { return m_obd; }
    QWidget *loggerSheet() const { return m_tabSheet8; }
    // "Select Logs", where the data logger puts its column check boxes.
    QGroupBox *logsSelector() const { return m_logsSelector; }
    SequenceGrid *sequenceGrid() const { return m_sequence; }
    const InjectorRows &injectorRows() const { return m_rows; }
    QComboBox *blowPressure() const { return m_blowPressure; }

    ErrorMemoryView *errorMemoryView() const { return m_errors; }
    ServicePanel *servicePanel() const { return m_service; }

    // Wires the error memory, the OBD commands and the service interval (whose controls go into
    // `serviceGroup`, its remaining time beside `serviceTitle`) to the controller session; their
    // exchanges pause `pollTimer`.
    void attach(
        AppState &state, QTimer &pollTimer, UserInteraction &user, QGroupBox *serviceGroup, QLabel *serviceTitle);

    // Display step of the "ECU" sub-page.
    void showDiagnostic(const DisplayContext &context);
    void setObdEnabled(bool enabled);
    // Display steps of every decode: the error-memory trigger and the service label.
    void errorMemoryTrigger();
    void showServiceLabel();
    // After every found scan.
    void newConnection();

private:
    QWidget *buildEcuSheet();
    QWidget *buildInjectorPanel(QWidget *parent);
    QWidget *buildLoggerSheet();

    QTabWidget *m_pageControl = nullptr;
    QWidget *m_tabSheet6 = nullptr;
    QWidget *m_tabSheet8 = nullptr;
    QGroupBox *m_logsSelector = nullptr;
    ObdPage *m_obd = nullptr;
    ErrorMemoryView *m_errors = nullptr;
    ServicePanel *m_service = nullptr;
    SequenceGrid *m_sequence = nullptr;
    InjectorRows m_rows;
    std::array<TAbLED *, 8> m_cutLamps {};
    std::array<TAbNumSpin *, 8> m_offsets {};
    QComboBox *m_blowPressure = nullptr;
};

} // namespace kelvane

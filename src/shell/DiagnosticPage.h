#pragma once
// The diagnostic page "[F5]diagnostic" (TabSheet4) with its sub-pages: "ECU" (TabSheet6: the injector
// panel PanelDiagWtr with cut-off lamps and the sequence view, the error-memory panel PanelErrDol),
// "EOBD/OBD/OBDII" (TabSheetOBD) and "DataLogger" (TabSheet8).

#include "InjectorRows.h"

#include <QWidget>

#include <array>

class QComboBox;
class QTabWidget;
class TAbBar;
class TAbLED;
class TAbNumSpin;

namespace kelvane {

class ObdPage;
class SequenceGrid;

class DiagnosticPage : public QWidget {
    Q_OBJECT
public:
    explicit DiagnosticPage(QWidget *parent = nullptr);

    QTabWidget *pageControl() const { return m_pageControl; }
    QWidget *ecuSheet() const { return m_tabSheet6; }
    ObdPage *obdPage() const { return m_obd; }
    QWidget *loggerSheet() const { return m_tabSheet8; }
    SequenceGrid *sequenceGrid() const { return m_sequence; }
    const InjectorRows &injectorRows() const { return m_rows; }
    QComboBox *blowPressure() const { return m_blowPressure; }

    // Display step of the "ECU" sub-page.
    void showDiagnostic(const DisplayContext &context);
    void setObdEnabled(bool enabled);

private:
    QWidget *buildEcuSheet();
    QWidget *buildInjectorPanel(QWidget *parent);
    QWidget *buildLoggerSheet();

    QTabWidget *m_pageControl = nullptr;
    QWidget *m_tabSheet6 = nullptr;
    QWidget *m_tabSheet8 = nullptr;
    ObdPage *m_obd = nullptr;
    SequenceGrid *m_sequence = nullptr;
    InjectorRows m_rows;
    std::array<TAbLED *, 8> m_cutLamps {};
    std::array<TAbNumSpin *, 8> m_offsets {};
    QComboBox *m_blowPressure = nullptr;
};

} // namespace kelvane

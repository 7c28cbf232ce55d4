#pragma once
// The readings page "[F2]readings" (TabSheet1): the dial meters in PanelO1, the injector table in
// PanelO2, temperatures, lambda and tank level in PanelO3 and the oscilloscope panel PanelOsc below.

#include "InjectorRows.h"

#include <QWidget>

#include <array>

class QFrame;
class TAb180Meter;
class TAb270Meter;
class TAbBar;
class TAbLED;

namespace kelvane {

class ScopePanel;

class ReadingsPage : public QWidget {
    Q_OBJECT
public:
    explicit ReadingsPage(QWidget *parent = nullptr);

    // The panel widths follow the window's outer width.
    void applyWindowWidth(int windowWidth);
    // Display step of the readings tab.
    void showReadings(const DisplayContext &context);
    void showLevelLamps(const std::array<bool, 5> &lit);
    void setLambdaRange(double min, double max);
    // Receive tick while the page is shown: the oscilloscope samples and redraws.
    void feedScope(const DisplayContext &context);

    const InjectorRows &injectorRows() const { return m_rows; }
    ScopePanel *scopePanel() const { return m_panelOsc; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildPanelO1();
    void buildPanelO2();
    void buildPanelO3();
    void buildPanelOsc();
    void placePanels();

    int m_windowWidth = 809;
    QFrame *m_panelO1 = nullptr;
    QFrame *m_panelO2 = nullptr;
    QFrame *m_panelO3 = nullptr;
    ScopePanel *m_panelOsc = nullptr;
    TAb270Meter *m_rpm = nullptr;
    TAb180Meter *m_difp = nullptr;
    TAbBar *m_tempReducer = nullptr;
    TAbBar *m_tempGas = nullptr;
    TAbBar *m_lambda = nullptr;
    TAbBar *m_level = nullptr;
    std::array<TAbLED *, 5> m_levelLamps {};
    InjectorRows m_rows;
};

} // namespace kelvane

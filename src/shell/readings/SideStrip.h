#pragma once
// The side strip PanelPasek, beside every page: speed and pressure (PanelV2), temperatures (PanelV4),
// lambda (PanelV5), gas level (PanelV6), the cylinders (PanelV1) and the mode buttons with the
// status lamp (PanelV7, which takes the rest of the height).

#include "InjectorRows.h"
#include "Readings.h"

#include <QFrame>

#include <array>

class QProgressBar;
class TAb180Meter;
class TAbBar;
class TAbColBitBtn;
class TAbLED;

namespace kelvane {

class SideStrip : public QFrame {
    Q_OBJECT
public:
    explicit SideStrip(QWidget *parent = nullptr);

    // Display step of the side strip (every decode).
    void showStrip(const DisplayContext &context);
    void showLevelLamps(const std::array<bool, 5> &lit);
    void showStatus(const LampState &lamp);
    void setLambdaRange(double min, double max);
    // Greys the readings (not the mode buttons and the status lamp) while they are not live.
    void setStale(bool stale);

    const InjectorRows &injectorRows() const { return m_rows; }
    TAbLED *statusLamp() const { return m_status; }
    TAbColBitBtn *petrolButton() const { return m_petrol; }
    TAbColBitBtn *autoButton() const { return m_auto; }
    TAbColBitBtn *gasButton() const { return m_gas; }
    QProgressBar *progressBar() const { return m_progress; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QFrame *buildV2();
    QFrame *buildV4();
    QFrame *buildV5();
    QFrame *buildV6();
    QFrame *buildV1();
    QFrame *buildV7();

    std::array<QFrame *, 6> m_panels {}; // V2, V4, V5, V6, V1, V7 from the top
    TAb180Meter *m_difpMeter = nullptr;
    TAbBar *m_rpm = nullptr;
    TAbBar *m_difp = nullptr;
    TAbBar *m_abs = nullptr;
    TAbBar *m_vacuum = nullptr;
    TAbBar *m_tempGas = nullptr;
    TAbBar *m_tempReducer = nullptr;
    TAbBar *m_lambda = nullptr;
    TAbBar *m_level = nullptr;
    std::array<TAbLED *, 5> m_levelLamps {};
    InjectorRows m_rows;
    TAbLED *m_status = nullptr;
    TAbColBitBtn *m_petrol = nullptr;
    TAbColBitBtn *m_auto = nullptr;
    TAbColBitBtn *m_gas = nullptr;
    QProgressBar *m_progress = nullptr;
};

} // namespace kelvane

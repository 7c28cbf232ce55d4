#pragma once
// The settings controls of the window wired to their write-backs. Every control of the settings
// table is found under the window by objectName, whichever page built it, enabled (the blow-pressure
// box waits for the software revision) and its change event connected to its handler, named after
// the control; spin edits and combo boxes that repeat their write-back when the fitter leaves them
// are watched for the loss of the focus. The object is the write-backs' view of the widgets and
// sends their frames to the controller while one is connected; without one only the image changes.

#include "WriteBack.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class FocusLossNotifier;
class QWidget;
class TForm1;

namespace kelvane {

struct ControllerSession;

class SettingsWiring : public QObject, public SettingsView, public ImageSender {
    Q_OBJECT
public:
    // Finds and wires the controls now: build every page before.
    SettingsWiring(TForm1 &form, ControllerSession &session);
    ~SettingsWiring() override;

    SettingsWriteBack &writeBack() { return m_writeBack; }

    // Every settings control from the image (after a connect, a file upload, a reset).
    void ShowImage();

    // Handlers, named after their controls; each runs one write-back.
    void ComboBoxRpmSetChange() { m_writeBack.WriteRpmSet(); }
    void ComboBoxRpmSignalChange() { m_writeBack.WriteRpmSignal(); }
    void AbNumSpinRpmSignalVChange() { m_writeBack.WriteRpmSignalV(); }
    void ComboBoxTurboChange() { m_writeBack.WriteTurbo(); }
    void ComboBoxInjNumChange() { m_writeBack.WriteInjNum(); }
    void ComboBoxLambdaTypChange() { m_writeBack.WriteLambdaTyp(); }
    void ComboBoxInjTypChange() { m_writeBack.WriteInjTyp(); }
    void AbNumSpinMinInjChange() { m_writeBack.WriteMinInj(); }
    void AbNumSpinPeakChange() { m_writeBack.WritePeak(); }
    void AbNumSpinHoldChange() { m_writeBack.WriteHold(); }
    void ComboBoxLevSensorChange() { m_writeBack.WriteLevSensor(); }
    void AbNumSpinEChange() { m_writeBack.WriteLevelE(); }
    void AbNumSpin14Change() { m_writeBack.WriteLevel14(); }
    void AbNumSpin24Change() { m_writeBack.WriteLevel24(); }
    void AbNumSpin34Change() { m_writeBack.WriteLevel34(); }
    void CheckBoxLevelSensorNegativClick() { m_writeBack.WriteLevelSensorNegativ(); }
    void AbNumSpinRezRefChange() { m_writeBack.WriteRezRef(); }
    void CheckBoxWskaznikZasilanyClick() { m_writeBack.WriteWskaznikZasilany(); }
    void ComboBoxRpmSwChange() { m_writeBack.WriteRpmSw(); }
    void ComboBoxTempSwChange() { m_writeBack.WriteTempSw(); }
    void AbNumSpinOnDelayChange() { m_writeBack.WriteOnDelay(); }
    void AbNumSpinCylinderTimeChange() { m_writeBack.WriteCylinderTime(); }
    void AbNumSpinOffPresChange() { m_writeBack.WriteOffPres(); }
    void ComboBoxMinRpmChange() { m_writeBack.WriteMinRpm(); }
    void ComboBoxMaxRpmChange() { m_writeBack.WriteMaxRpm(); }
    void AbNumSpinOffDelayChange() { m_writeBack.WriteOffDelay(); }
    void ComboBoxPowrotZminRpmChange() { m_writeBack.WritePowrotZminRpm(); }
    void ComboBoxPowrotZminRpmTimeChange() { m_writeBack.WritePowrotZminRpmTime(); }
    void CheckBoxValvetronicClick() { m_writeBack.WriteValvetronic(); }
    void ButtonExtraInPlusClick() { m_writeBack.stepExtraInj(1); }
    void ButtonExtraInMinusClick() { m_writeBack.stepExtraInj(-1); }
    void ButtonAccelPlusClick() { m_writeBack.stepAccelEnrich(1); }
    void ButtonAccelMinusClick() { m_writeBack.stepAccelEnrich(-1); }
    // The fitter moving the track bar writes as the buttons do; moves made by code write nothing.
    void TrackBarExtraInjChange();
    void TrackBarAccelEnrichChange();
    void ComboBoxAccRichChange() { m_writeBack.WriteAccRich(); }

    void ComboBoxTGsensorChange() { m_writeBack.WriteTGsensor(); }
    void ComboBoxTRsensorChange() { m_writeBack.WriteTRsensor(); }
    void ComboBoxPresSensorChange() { m_writeBack.WritePresSensor(); }
    void ComboBoxMAPSensTypeChange() { m_writeBack.WriteMAPSensType(); }
    void AbToggleSwitchTempCorPropClick() { m_writeBack.WriteTempCorProp(); }
    void AbToggleSwitchTempCorRedClick() { m_writeBack.WriteTempCorRed(); }
    void ComboBoxExtRelayChange() { m_writeBack.WriteExtRelay(); }
    void AbToggleSwitchInjHeatClick() { m_writeBack.WriteInjHeat(); }
    void AbNumSpinAdvTempHeatChange() { m_writeBack.WriteAdvTempHeat(); }
    void AbNumSpinAdvHeatTChange() { m_writeBack.WriteAdvHeatT(); }
    void AbNumSpinAdvHeatNornalChange() { m_writeBack.WriteAdvHeatNornal(); }
    void AbNumSpinAdvHeatLowChange() { m_writeBack.WriteAdvHeatLow(); }
    void ComboBoxHeatModeChange() { m_writeBack.WriteHeatMode(); }
    void AbToggleSwitchAdv7Click() { m_writeBack.WriteAdv7(); }
    void AbNumSpinMazdaMinInjChange() { m_writeBack.WriteMazdaMinInj(); }
    void AbNumSpinMazdaMaxInjChange() { m_writeBack.WriteMazdaMaxInj(); }
    void AbNumSpinMinRpmChange() { m_writeBack.WriteMazdaMinRpm(); }
    void AbNumSpinFilterStepChange() { m_writeBack.WriteFilterStep(); }
    void ComboBoxDifPenEm28Change() { m_writeBack.WriteDifPenEm28(); }
    void CheckBoxGazStartClick() { m_writeBack.WriteGazStart(); }
    void TrackBarSwitchBrightChange() { m_writeBack.WriteSwitchBright(); }
    void TrackBarBeepTimeChange() { m_writeBack.WriteBeepTime(); }
    void CheckBoxSilentModeClick() { m_writeBack.WriteSilentMode(); }
    void CheckBoxBeepWhenGazOnClick() { m_writeBack.WriteBeepWhenGazOn(); }
    void CheckBoxBeepWhenSwClickClick() { m_writeBack.WriteBeepWhenSwClick(); }
    void CheckBoxBeepWhenErrorClick() { m_writeBack.WriteBeepWhenError(); }
    void ComboBoxBeepsWhenEmptyChange() { m_writeBack.WriteBeepsWhenEmpty(); }
    void ComboBoxErrorsBeepChange() { m_writeBack.WriteErrorsBeep(); }

    void AbNumSpinWzbogacenieGlowneChange() { m_writeBack.WriteWzbogacenieGlowne(); }
    void AbNumSpinOffsetGlownyChange() { m_writeBack.WriteOffsetGlowny(); }
    void AbNumSpinCisnieniePracyChange() { m_writeBack.WriteCisnieniePracy(); }
    void AbNumSpinDiagOffsetIn1Change() { m_writeBack.WriteDiagOffset(1); }
    void AbNumSpinDiagOffsetIn2Change() { m_writeBack.WriteDiagOffset(2); }
    void AbNumSpinDiagOffsetIn3Change() { m_writeBack.WriteDiagOffset(3); }
    void AbNumSpinDiagOffsetIn4Change() { m_writeBack.WriteDiagOffset(4); }
    void AbNumSpinDiagOffsetIn5Change() { m_writeBack.WriteDiagOffset(5); }
    void AbNumSpinDiagOffsetIn6Change() { m_writeBack.WriteDiagOffset(6); }
    void AbNumSpinDiagOffsetIn7Change() { m_writeBack.WriteDiagOffset(7); }
    void AbNumSpinDiagOffsetIn8Change() { m_writeBack.WriteDiagOffset(8); }
    void ComboBoxGazAutoOnChange() { m_writeBack.WriteGazAutoOn(); }
    void ComboBoxFastCutOffChange() { m_writeBack.WriteFastCutOff(); }
    void ComboBoxBlowPressureChange() { m_writeBack.WriteBlowPressure(); }
    void ComboBoxObdChange() { m_writeBack.WriteObd(); }
    void ComboBoxObdCorrChange() { m_writeBack.WriteObdCorr(); }
    void ComboBoxOBDholdValueChange() { m_writeBack.WriteObdHoldValue(); }

    // Controls of the settings table that were not found under the window (empty when all were).
    const QStringList &missingControls() const { return m_missing; }

    // SettingsView
    NumberEntry number(const char *spin) const override;
    void setNumber(const char *spin, double value) override;
    int item(const char *combo) const override;
    void setItem(const char *combo, int item) override;
    void setComboText(const char *combo, const QString &text) override;
    bool isOn(const char *control) const override;
    void setOn(const char *control, bool on) override;
    int position(const char *trackBar) const override;
    void setPosition(const char *trackBar, int position) override;
    void setPercentText(const char *edit, double percent) override;
    void setVisible(const char *control, bool visible) override;
    void setEnabled(const char *control, bool enabled) override;
    void setLambdaRange(double min, double max) override;
    RpmAxisTexts rpmAxisTexts() const override;
    ImageWrites reencodeRpmAxis(ParameterImage &image, const RpmAxisTexts &texts) override;

    // ImageSender
    void send(const ParameterImage &image, const ImageWrite &write) override;

private:
    void wire();
    void leave(QWidget *control);
    QWidget *control(const char *name) const;
    template <class T> T *controlAs(const char *name) const { return qobject_cast<T *>(control(name)); }

    TForm1 &m_form;
    ControllerSession &m_session;
    SettingsWriteBack m_writeBack;
    FocusLossNotifier *m_focus = nullptr;
    mutable QHash<QString, QPointer<QWidget>> m_controls;
    QStringList m_missing;
    bool m_movingTrackBar = false; // setPosition is moving a track bar
};

} // namespace kelvane

#pragma once
// The write-back of every settings control and the image-to-controls decode (ShowImage). Each
// operation reads its control, encodes the value into the Parameter image through the field table,
// sends the changed bytes and words in its order and applies the side effects of its row: presets
// of other controls, visibility and enabling, the re-encoding of every engine-speed period when the
// engine type or the speed signal changes. Free of widgets: the operations see the controls through
// SettingsView (the window's widgets, or plain values in tests) and send through ImageSender.
//
// Rules every operation keeps:
// - A combo box without a selection stores and sends nothing.
// - A spin edit the fitter has not edited keeps the stored value; its frames still go, carrying the
//   value the controller already has (writeBackNumber).
// - An engine-speed period that does not fit 16 bits is stored as 65535 (it reads as the lowest
//   speed) instead of wrapping around, and the control shows the speed read back.
// - While ShowImage runs (or any QuietScope lives) no write-back runs: filling the controls from the
//   image never changes the image and never sends.

#include "FieldCodec.h"
#include "FieldTable.h"
#include "ParameterImage.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace kelvane {

// Why a write-back runs.
enum class Trigger : std::uint8_t {
    Change, // the fitter chose, typed or stepped; for a check box or a track bar any change of its state
    FocusOut, // the fitter left the control
};

// The texts of the main map's header row (columns 1 to 8): the engine speeds of RpmAxis as shown.
using RpmAxisTexts = std::array<QString, 8>;

// The settings controls as the operations see them, by objectName.
class SettingsView {
public:
    virtual ~SettingsView() = default;

    // Spin edits: the number held and whether the fitter has edited it since it was last set.
    virtual NumberEntry number(const char *spin) const = 0;
    // Sets a spin edit from code: limited to its range, no change event, counts as not edited.
    virtual void setNumber(const char *spin, double value) = 0;

    // Combo boxes: the selected item, -1 for none. setItem raises no event; an item outside the
    // list selects nothing. setComboText shows a text without a selection (a blank combo box).
    virtual int item(const char *combo) const = 0;
    virtual void setItem(const char *combo, int item) = 0;
    virtual void setComboText(const char *combo, const QString &text) = 0;

    // Check boxes and toggle switches. A check box changed by setOn runs its own write-back once
    // per actual change; a toggle switch changed by setOn runs nothing.
    virtual bool isOn(const char *control) const = 0;
    virtual void setOn(const char *control, bool on) = 0;

    // Track bars, limited to their range. A change by setPosition runs the track bar's own
    // write-back where it has one (TrackBarSwitchBright, TrackBarBeepTime).
    virtual int position(const char *trackBar) const = 0;
    virtual void setPosition(const char *trackBar, int position) = 0;

    // EditSwitchBright, EditBeepTime: fixed-point, precision 3, 1 decimal, the system's separator.
    virtual void setPercentText(const char *edit, double percent) = 0;
    virtual void setVisible(const char *control, bool visible) = 0;
    // For a page of a page control (TabSheetOBD) this enables its tab.
    virtual void setEnabled(const char *control, bool enabled) = 0;
    // Display range of the lambda bars AbBarPasL and AbBarLambda, volts.
    virtual void setLambdaRange(double min, double max) = 0;

    // The rpm texts of the main map's header row as they are shown now.
    virtual RpmAxisTexts rpmAxisTexts() const = 0;
    // Stores RpmAxis from those texts with the image's engine type and signal (as they are now) and
    // returns its word writes in order; nothing when a text is not a valid speed.
    virtual ImageWrites reencodeRpmAxis(ParameterImage &image, const RpmAxisTexts &texts) = 0;
};

// Where the frames go: the controller while one is connected; nowhere otherwise.
class ImageSender {
public:
    virtual ~ImageSender() = default;
    // Sends the byte (Byte: offset) or word (Word: index) as the image holds it now.
    virtual void send(const ParameterImage &image, const ImageWrite &write) = 0;
};

class SettingsWriteBack;
using WriteBackOperation = void (SettingsWriteBack::*)(Trigger);

// Every settings control with a write-back of its own.
struct SettingsControl {
    const char *control; // objectName
    WriteBackOperation writeBack;
    bool repeatsOnFocusOut; // leaving the control runs the write-back again
    bool runsOnCodeChange; // a change made by code runs it too (check boxes, two track bars)
};
const std::vector<SettingsControl> &settingsControls();
// nullptr for a control without a write-back of its own.
const SettingsControl *settingsControl(const char *control);

// Item of ComboBoxHeatMode from the image: 1 for bit 545.3, + 2 while the second low pulse is on
// (HeatLow2Rpm neither 0, which WriteHeatMode stores for "off", nor 65500).
int heatModeItem(const ParameterImage &image);

// The period of `rpm` for a 16-bit speed word with the image's engine type and signal source: the
// tick count, limited to 65535.
std::uint16_t speedWord(const ParameterImage &image, std::uint32_t rpm, const TimeBases &timeBases);

class SettingsWriteBack {
public:
    // image and timeBases are read at every call (a connection changes the time bases).
    SettingsWriteBack(ParameterImage &image, const TimeBases &timeBases, SettingsView &view, ImageSender &sender);

    // While a scope lives every write-back returns at once (ShowImage; a language reload).
    class QuietScope {
    public:
        explicit QuietScope(SettingsWriteBack &w)
            : m_w(w)
            , m_was(w.m_quiet)
        {
            m_w.m_quiet = true;
        }
        ~QuietScope() { m_w.m_quiet = m_was; }
        QuietScope(const QuietScope &) = delete;
        QuietScope &operator=(const QuietScope &) = delete;

    private:
        SettingsWriteBack &m_w;
        bool m_was;
    };
    bool quiet() const { return m_quiet; }

    // Runs the write-back of `control` (settingsControls()); false when it has none.
    bool run(const char *control, Trigger trigger);

    // Fills every settings control from the image, in the order the window has always used: feature
    // gates by revision (only ever enabling), OBD settings, extras, heating, injector, level, sensors,
    // lambda (with the bar ranges), speed signal, switch and return settings, main settings, engine type.
    // Runs no write-back and leaves the image as it is. The map grids are filled by their own code.
    void ShowImage(int hardwareRevision, int softwareRevision);

    // Page "podstawowe".
    void WriteRpmSet(Trigger t = Trigger::Change);
    void WriteRpmSignal(Trigger t = Trigger::Change);
    void WriteRpmSignalV(Trigger t = Trigger::Change);
    void WriteTurbo(Trigger t = Trigger::Change);
    void WriteInjNum(Trigger t = Trigger::Change);
    void WriteLambdaTyp(Trigger t = Trigger::Change);
    void WriteInjTyp(Trigger t = Trigger::Change);
    void WriteMinInj(Trigger t = Trigger::Change);
    void WritePeak(Trigger t = Trigger::Change);
    void WriteHold(Trigger t = Trigger::Change);
    void WriteLevSensor(Trigger t = Trigger::Change);
    void WriteLevelE(Trigger t = Trigger::Change);
    void WriteLevel14(Trigger t = Trigger::Change);
    void WriteLevel24(Trigger t = Trigger::Change);
    void WriteLevel34(Trigger t = Trigger::Change);
    void WriteLevelSensorNegativ(Trigger t = Trigger::Change);
    void WriteRezRef(Trigger t = Trigger::Change);
    void WriteWskaznikZasilany(Trigger t = Trigger::Change);
    void WriteRpmSw(Trigger t = Trigger::Change);
    void WriteTempSw(Trigger t = Trigger::Change);
    void WriteOnDelay(Trigger t = Trigger::Change);
    void WriteCylinderTime(Trigger t = Trigger::Change);
    void WriteOffPres(Trigger t = Trigger::Change);
    void WriteMinRpm(Trigger t = Trigger::Change);
    void WriteMaxRpm(Trigger t = Trigger::Change);
    void WriteOffDelay(Trigger t = Trigger::Change);
    void WritePowrotZminRpm(Trigger t = Trigger::Change);
    void WritePowrotZminRpmTime(Trigger t = Trigger::Change);
    void WriteValvetronic(Trigger t = Trigger::Change);
    void WriteExtraInj(Trigger t = Trigger::Change);
    void WriteAccelEnrich(Trigger t = Trigger::Change);
    void WriteAccRich(Trigger t = Trigger::Change);
    // The buttons beside the two track bars: move the track bar one step (it stops at its ends),
    // then write.
    void stepExtraInj(int step);
    void stepAccelEnrich(int step);

    // Page "zaawansowane".
    void WriteTGsensor(Trigger t = Trigger::Change);
    void WriteTRsensor(Trigger t = Trigger::Change);
    void WritePresSensor(Trigger t = Trigger::Change);
    void WriteMAPSensType(Trigger t = Trigger::Change);
    void WriteTempCorProp(Trigger t = Trigger::Change);
    void WriteTempCorRed(Trigger t = Trigger::Change);
    void WriteExtRelay(Trigger t = Trigger::Change);
    void WriteInjHeat(Trigger t = Trigger::Change);
    void WriteAdvTempHeat(Trigger t = Trigger::Change);
    void WriteAdvHeatT(Trigger t = Trigger::Change);
    void WriteAdvHeatNornal(Trigger t = Trigger::Change);
    void WriteAdvHeatLow(Trigger t = Trigger::Change);
    void WriteHeatMode(Trigger t = Trigger::Change);
    void WriteAdv7(Trigger t = Trigger::Change);
    void WriteMazdaMinInj(Trigger t = Trigger::Change);
    void WriteMazdaMaxInj(Trigger t = Trigger::Change);
    void WriteMazdaMinRpm(Trigger t = Trigger::Change);
    void WriteFilterStep(Trigger t = Trigger::Change);
    void WriteDifPenEm28(Trigger t = Trigger::Change);
    void WriteGazStart(Trigger t = Trigger::Change);
    void WriteSwitchBright(Trigger t = Trigger::Change);
    void WriteBeepTime(Trigger t = Trigger::Change);
    void WriteSilentMode(Trigger t = Trigger::Change);
    void WriteBeepWhenGazOn(Trigger t = Trigger::Change);
    void WriteBeepWhenSwClick(Trigger t = Trigger::Change);
    void WriteBeepWhenError(Trigger t = Trigger::Change);
    void WriteBeepsWhenEmpty(Trigger t = Trigger::Change);
    void WriteErrorsBeep(Trigger t = Trigger::Change);

    // Other tabs.
    void WriteWzbogacenieGlowne(Trigger t = Trigger::Change);
    void WriteOffsetGlowny(Trigger t = Trigger::Change);
    void WriteCisnieniePracy(Trigger t = Trigger::Change);
    void WriteDiagOffset(int cylinder, Trigger t = Trigger::Change); // 1 to 8
    void WriteGazAutoOn(Trigger t = Trigger::Change);
    void WriteFastCutOff(Trigger t = Trigger::Change);
    void WriteBlowPressure(Trigger t = Trigger::Change);
    void WriteObd(Trigger t = Trigger::Change);
    void WriteObdCorr(Trigger t = Trigger::Change);
    void WriteObdHoldValue(Trigger t = Trigger::Change);

private:
    template <int N> void writeDiagOffsetN(Trigger t) { WriteDiagOffset(N, t); }
    friend const std::vector<SettingsControl> &settingsControls();

    DecodeContext ctx() const { return DecodeContext { m_tb }; }
    void send(const ImageWrites &writes);
    void send(const ImageWrite &write) { send(ImageWrites { write }); }
    // The common shapes: a spin edit (force: encode the number it holds even when not edited), a
    // combo box, a check box or toggle switch, a track bar.
    void writeSpin(const char *field, bool force = false);
    void writeCombo(const char *field);
    void writeFlag(const char *field);
    void writeTrack(const char *field);
    // A speed combo box of "5.Back to gasoline": 0 = off, else RpmToTicks(item x 100 + storeRpm).
    void writeOffRpm(const char *field);
    // The engine type and everything that depends on it, from `before` (the header row as it was
    // shown before the type or signal changed).
    void writeEngineType(const RpmAxisTexts &before);
    void writeMazdaMinRpm(bool force);
    void writeMazdaInjTime(const char *field);
    // Decodes a field into its control.
    void show(const char *field);

    ParameterImage &m_image;
    const TimeBases &m_tb;
    SettingsView &m_view;
    ImageSender &m_sender;
    bool m_quiet = false;
};

} // namespace kelvane

#pragma once
// The write-back of every settings control and the image-to-controls decode (ShowImage). Each
// operation reads its control, encodes the value into the Parameter image through the field table,
// sends the changed bytes and words in its order and applies the side effects of its row: presets
// of other controls, visibility and enabling, the re-encoding of every engine-speed period when the
// engine type or the speed signal changes. Free of widgets: the operations see the controls through
// SettingsView (the window's widgets, or plain values in tests) and send through the session's
// write dispatcher. The field table says which code runs for a control: its kind's plain write, or
// the named code of its side effect.
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

struct ControllerSession;

// Every settings control with a write-back: the first row of the field table that names it.
struct SettingsControl {
    const char *control; // objectName
    const FieldDef *field;
    bool repeatsOnFocusOut; // leaving the control runs the write-back again
    bool runsOnCodeChange; // a change made by code runs it too (check boxes, two track bars)
};
// In field-table order.
const std::vector<SettingsControl> &settingsControls();
// nullptr for a control without a write-back of its own.
const SettingsControl *settingsControl(const char *control);

class SettingsWriteBack {
public:
    // Stores into the session's image (its time bases read at every call: a connection changes
    // them) and sends through the session's write dispatcher while a controller is connected;
    // without one only the image changes.
    SettingsWriteBack(ControllerSession &session, SettingsView &view);

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

    // The write-back of the setting `field` (a row of settingsControls()): reads its control,
    // encodes through the field table, sends, then runs the row's side effect. One user action on
    // the session's write dispatcher, named after the control.
    void write(const FieldDef &field, Trigger trigger = Trigger::Change);
    // The same by the control's objectName; false when it has no write-back.
    bool run(const char *control, Trigger trigger);
    // A track bar's step buttons: move it one step (it stops at its ends), then write.
    void step(const FieldDef &trackBar, int step);

    // Fills every settings control from the image: feature gates by revision (only ever enabling),
    // every setting in field-table order, then what follows the image (percent texts, enabled beep
    // boxes, visible return time and signal level, the lambda bars' range). Runs no write-back and
    // leaves the image as it is. The map grids are filled by their own code.
    void ShowImage(int hardwareRevision, int softwareRevision);

private:
    DecodeContext ctx() const;
    void send(const ImageWrites &writes);
    void send(const ImageWrite &write) { send(ImageWrites { write }); }
    // The plain shapes by control kind: a spin edit (force: encode the number it holds even when
    // not edited), a combo box, a check box or toggle switch, a track bar.
    void writePlain(const FieldDef &f);
    void writeSpin(const FieldDef &f, bool force = false);
    void writeCombo(const FieldDef &f);
    void writeFlag(const FieldDef &f);
    void writeTrack(const FieldDef &f);
    // The named code of the fields with side effects.
    void writeEffect(const FieldDef &f, Trigger trigger);
    void writeSignalSource(const FieldDef &signal);
    // The engine type and everything that depends on it, from `before` (the header row as it was
    // shown before the type or signal changed).
    void writeEngineType(const RpmAxisTexts &before);
    void writeSwitchSpeed(const FieldDef &f);
    // A speed combo box of "5.Back to gasoline": 0 = off, else RpmToTicks(item x 100 + storeRpm).
    void writeOffRpm(const FieldDef &f);
    void writeMazdaMinRpm(bool force);
    void writeMazdaInjTime(const FieldDef &f);
    void writeInjectorPreset(const FieldDef &typ, Trigger trigger);
    void writeLevelPreset(const FieldDef &sensor, Trigger trigger);
    void writeAccelStart(const FieldDef &rich, Trigger trigger);
    void writeReturnTime(const FieldDef &f);
    void writeHeatMode(const FieldDef &low1);
    void writePropaneStart(const FieldDef &f);
    void writeSilence(const FieldDef &f);
    // Decodes a field into its control.
    void show(const FieldDef &f);
    void show(const char *field);

    ControllerSession &m_session;
    ParameterImage &m_image;
    SettingsView &m_view;
    bool m_quiet = false;
};

} // namespace kelvane

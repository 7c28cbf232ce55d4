#pragma once
// Decoding a field of the Parameter image into what its control shows, and encoding a
// control's value back into the image, for any row of the field table. Pure functions:
// the engine type and signal source come from the image, the time bases from the context.

#include "FieldTable.h"
#include "ParameterImage.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace kelvane {

struct DecodeContext {
    TimeBases timeBases; // set from the link speed at connection; 57600-baud values before
};

enum class ShownKind : std::uint8_t {
    Number, // spin edit value in the control's unit, or the raw value of a field without a control
    Item, // combo-box item `index`
    Position, // track-bar position `index`
    Flag, // check box, toggle switch or a flag without a control
    NoSelection, // combo box given an index outside its items
    Blank, // combo box showing `text` (empty or one blank) instead of an item
    Table, // ValvetronicTable: eight corrections in milliseconds
};

struct Shown {
    ShownKind kind = ShownKind::NoSelection;
    double number = 0;
    bool single = false; // `number` is a 32-bit float result (an injection time)
    int index = -1;
    bool on = false;
    QString text; // Item: the item's text; Blank: what the combo box shows
    std::vector<double> table;

    // No selection or an empty text: the control shows no value.
    bool isNull() const { return kind == ShownKind::NoSelection || kind == ShownKind::Blank; }
};

struct ImageWrite {
    enum class Kind : std::uint8_t { Byte, Word };
    Kind kind = Kind::Word;
    int index = 0; // byte offset (Byte) or word index (Word)

    static ImageWrite byte(int offset) { return { Kind::Byte, offset }; }
    static ImageWrite word(int index) { return { Kind::Word, index }; }
    bool operator==(const ImageWrite &o) const { return kind == o.kind && index == o.index; }
};
using ImageWrites = std::vector<ImageWrite>;

// Engine type (byte 125) and speed signal source (bits 0-1 of byte 545) as the conversions take them.
std::uint8_t engineType(const ParameterImage &image);
unsigned rpmSignal(const ParameterImage &image);
// Whether HeatLow2Rpm (word 358) switches the second low heating pulse on: neither 0 nor 65500.
bool secondLowPulseOn(std::uint16_t heatLow2Rpm);
// After the engine type or speed signal changed: while the second low heating pulse is on, stores
// its speed again with the image's type and signal and returns the word write; nothing when off.
ImageWrites keepSecondLowPulseSpeed(ParameterImage &image, const DecodeContext &ctx);

// The raw value as stored: signed or unsigned by the field, a bit group's value, for a
// ByteTable its first byte (see storedTable).
std::int64_t storedValue(const ParameterImage &image, const FieldDef &field);
std::vector<int> storedTable(const ParameterImage &image, const FieldDef &field);
// Writes a raw value at the field's place (its low bits, two's complement when negative; every byte
// of a ByteTable), with no encoding and nothing kept in step.
void storeValue(ParameterImage &image, const FieldDef &field, std::int64_t value);

// What the field's control shows when the image is shown, this field alone: spin edits are
// limited to their range, track bars to theirs, an index outside a combo box's items is
// NoSelection. ComboBoxHeatMode reads both of its fields (545.3 and word 358, compared with
// 65500); the image is not changed. CheckBoxValvetronic is ticked when its bits are clear.
Shown decodeField(const ParameterImage &image, const FieldDef &field, const DecodeContext &ctx);

// Stores `value` (spin-edit value, combo-box item, track-bar position, 0/1 for a check box or
// toggle switch, the raw value for a field without a control) into the image by the field's
// encoding and returns the writes that send it, in order. Spin-edit values and track-bar
// positions are first limited to the control's range. A combo-box item outside the item list
// (no selection) or a value that is not a finite number changes nothing and returns no writes.
// Besides its own field an encode keeps in step the image places its control owns:
// SwitchBrightStep and CylinderTimeQuarter with their sources, the enable bits of
// ComboBoxMaxRpm (540.6) and ComboBoxMinRpm (541.2), both places of ComboBoxHeatMode, and the
// two bits and the table of CheckBoxValvetronic. Presets of other controls are not applied.
ImageWrites encodeField(ParameterImage &image, const FieldDef &field, double value, const DecodeContext &ctx);

// A spin edit as its write-back reads it: the number it holds and whether the fitter has changed it
// since it was last set from the image. The control holds the decoded number exactly and only shows
// it rounded to its decimals.
struct NumberEntry {
    double value = 0;
    bool edited = false;
};

// The write-back of a spin edit, which runs when its value changes and when it loses the focus. An
// edited number is encoded as encodeField does. An unedited one leaves the image exactly as it is and
// returns the writes an edit would send, so the frames still go but carry the value the controller
// already holds: merely leaving a control never changes the controller's memory, however much of the
// stored value the control cannot show (a value outside its range, which it shows at the nearer end;
// one its decimals round; one whose decode drops a remainder, such as WzbogacenieGlowne's div 10 or
// the factor 0.00122 of the level voltages that is not the inverse of 819.2; a period between two
// speeds of the 25-rpm grid).
ImageWrites writeBackNumber(
    ParameterImage &image, const FieldDef &field, const NumberEntry &entry, const DecodeContext &ctx);

// The percentages shown beside the two track bars of page "zaawansowane".
double beepTimePercent(std::uint8_t stored); // stored x (1/30) x 100
double switchBrightPercent(std::uint8_t stored); // stored x (1/255) x 100

} // namespace kelvane

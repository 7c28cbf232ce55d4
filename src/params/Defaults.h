#pragma once
// The factory settings that "RESET ECU" builds and uploads: every settings field, the fuel maps
// and the controller's own tables. Times in milliseconds and engine speeds are turned into ticks
// and periods with the time bases of the link speed, so the same reset gives other numbers at
// 38400 baud than at 57600.
//
// A setting's default is written as its field of the field table and a value, encoded through the
// table as the control would store it. Values without a field (the maps, the axes and the
// controller's own tables) are written by place.

#include "ParameterImage.h"

#include <QStringList>

#include <cstdint>
#include <vector>

namespace kelvane {

// The default main map in percent: 16 rows (injection-time bands) of 8 columns (engine-speed
// bands), stored in the image as percent + 100.
extern const std::int8_t DefaultMainMap[16][8];
// The main map's speed axis the reset sets, in rpm.
constexpr std::uint32_t DefaultRpmAxis[8] = { 1000, 1500, 2000, 3000, 4000, 5000, 6000, 7000 };

// One field of the field table and the value it is given.
struct FieldValue {
    enum class Unit : std::uint8_t {
        Shown, // what the control shows: a spin edit's value, a track bar's position, 1/0 ticked or not
        Item, // the combo-box item with the text `itemText`
        Stored, // the stored integer itself, written at the field's place without any encoding
        Milliseconds, // a time stored as ticks (selector 1), for a field whose control shows another unit
    };
    const char *field = "";
    Unit unit = Unit::Shown;
    double value = 0;
    const char *itemText = nullptr;

    static FieldValue shown(const char *field, double value) { return { field, Unit::Shown, value, nullptr }; }
    static FieldValue on(const char *field) { return shown(field, 1); }
    static FieldValue off(const char *field) { return shown(field, 0); }
    static FieldValue item(const char *field, const char *text) { return { field, Unit::Item, 0, text }; }
    static FieldValue stored(const char *field, double value) { return { field, Unit::Stored, value, nullptr }; }
    static FieldValue ms(const char *field, double ms) { return { field, Unit::Milliseconds, ms, nullptr }; }
};
using FieldValues = std::vector<FieldValue>;

// Writes the values into the image in order. Shown values and items go through the field's
// encoding (encodeField), which also keeps in step what the control owns (derived fields, enable
// bits, both places of a two-place control). Returns what could not be written: a field the
// table lacks, an item the combo box lacks, a shown value outside the control's range; an empty
// list when every value was written.
QStringList applyFieldValues(ParameterImage &image, const TimeBases &timeBases, const FieldValues &values);

// The settings the reset gives every field it sets, in image order (the saved work-time counters
// and `InjNum` are not among them; see applyResetDefaults).
const FieldValues &resetFieldValues();

// Turns `image` into the reset's default image:
// - bytes 0-383 are cleared and set from the defaults; `InjNum` (byte 133) keeps its value;
// - bytes 384-767 keep their values unless a default sets them (the per-cylinder offsets,
//   `AccelEnrich`, `PowrotZminRpmTime`, `HeatLow2Rpm`, bits of the flag bytes that no default
//   names, bits 2 and 4-7 of byte 553, and the bytes no field is known for);
// - the saved work-time counters (bytes 12 and 16) take `petrolWorkTime` and `gasWorkTime`, the
//   live record's counters, so the reset does not lose them;
// - word 0 (the upload marker) is 0; the upload stores 0xAAAA there at its end.
// Every speed is encoded for engine type "1 coil" with the signal source "0-14V", the values the
// reset sets, so the rpm axis reads 1000 ... 7000 whatever the source was before.
void applyResetDefaults(
    ParameterImage &image, const TimeBases &timeBases, std::uint32_t petrolWorkTime, std::uint32_t gasWorkTime);

// The main map's speed axis (word `img::RpmAxisWord` up): the periods of `rpm` under the engine
// type and signal source in the image.
void setRpmAxis(ParameterImage &image, const TimeBases &timeBases, const std::uint32_t (&rpm)[8]);

} // namespace kelvane

#pragma once
// Every named field and flag of the Parameter image in one table: where it lies, how it is
// encoded, which control shows it and which write sends it. Decoding and encoding
// (FieldCodec.h), the settings pages and the command-line dump all work from this table.

#include <QString>
#include <QStringList>

#include <climits>
#include <cstdint>
#include <vector>

namespace kelvane {

enum class FieldWidth : std::uint8_t {
    Byte,
    Word,
    Dword, // 32 bits, low word first
    Bits, // `count` bits of one byte from `bitNo` up
    ByteTable, // `count` consecutive bytes
};

enum class Encoding : std::uint8_t {
    Raw, // the stored integer itself: values without a control, item indices, bit values
    Linear, // stored = trunc(value x mult + add), at least minStored; shown = (stored - add) div mult
    Scaled, // stored = trunc(value x storeFactor x storeFactor2); shown = stored x showFactor x showFactor2
    Ticks, // MsToTicks / TicksToMs with `selector`
    Period, // stored = RpmToTicks(trunc(value)); shown = TicksToRpm(stored); engine type and signal from the image
    Custom, // see `codec`
};

enum class Codec : std::uint8_t {
    None,
    Hold, // stored = trunc(trunc(100 - percent) x 0.01 x 29); shown = 100 - (stored x 100) div 29
    RpmSwItem, // stored = RpmToTicks(item x 100 + 505); item = TicksToRpm(stored) div 100 - 5, limited to 0-15
    OffRpmItem, // 0 = off; stored = RpmToTicks(item x 100 + storeRpm); item = (TicksToRpm(stored) - showRpm) div 100
                // computed unsigned; also keeps its enable flag (the row named `enableField`) in step
    HeatMode, // ComboBoxHeatMode: bit 545.3 for items 1 and 3, word 358 non-zero for items 2 and 3
    Valvetronic, // CheckBoxValvetronic: bits 541.3, 543.7 and the eight-byte table
};

enum class ControlKind : std::uint8_t { None, SpinEdit, ComboBox, CheckBox, ToggleSwitch, TrackBar };

// What a setting's write-back does beyond encoding its field and sending it, run by named code in
// the write-back (src/settings).
enum class SideEffect : std::uint8_t {
    None,
    EngineType, // every stored engine-speed period encoded again for the new type
    SignalSource, // the level edit shown for "0-14V", the signal-change word, then EngineType
    SignalLevel, // written only while the source is "0-14V"
    SwitchSpeed, // the speed stored as a period; the box shows the speed read back
    OffSpeed, // an "off" item or a speed, with its enable flag
    MazdaMinRpm, // a period; the edit shows the speed read back
    MazdaInjTime, // the edit shows the time the controller will use
    InjectorPreset, // minimum time, peak and hold of the chosen injector
    LevelPreset, // the four level points and both level check boxes of the chosen sensor
    AccelStart, // switching it on starts the enrichment track bar at 100
    ReturnTime, // the return-time box shown while on, its time at least 1
    LambdaBars, // the display range of the lambda bars
    HeatMode, // two places: bit 545.3 and the second low pulse's speed
    PropaneStart, // starting on gas sets a back-to-petrol delay of 0.1 s
    BrightnessText, // the percent text beside the track bar
    VolumeText, // the percent text beside the track bar
    Silence, // the beep check boxes enabled only with sound on
};

// How a field reaches the controller: a byte write of its offset, a word write of its index,
// or (Dword) two word writes from `sendIndex` up, low word first.
enum class SendKind : std::uint8_t { Byte, Word, Dword };

struct FieldDef {
    const char *name = "";
    int offset = 0; // byte offset 0-767
    FieldWidth width = FieldWidth::Byte;
    int bitNo = 0; // Bits: lowest bit
    int count = 1; // Bits: number of bits; ByteTable: number of bytes
    bool isSigned = false;
    bool inverted = false; // a check box that is ticked when its bit is clear

    Encoding encoding = Encoding::Raw;
    Codec codec = Codec::None;
    std::uint8_t selector = 0; // Ticks: 1 picks InjTickMsA, anything else InjTickMsB

    // Linear
    int mult = 1;
    int add = 0;
    int minStored = INT_MIN;
    // Scaled
    long double storeFactor = 1;
    long double storeFactor2 = 1;
    long double showFactor = 1;
    long double showFactor2 = 1;
    // OffRpmItem
    int storeRpm = 0;
    int showRpm = 0;
    const char *enableField = nullptr; // the flag row set for items 1 and up, cleared for "off"

    // A combo box whose stored value is below this shows `blankText` instead of an item.
    bool hasBlank = false;
    int blankBelow = 0;
    const char *blankText = "";

    // A field derived from another: stored = (source field's stored value) div sourceDiv,
    // rewritten whenever the source is encoded.
    const char *source = nullptr;
    int sourceDiv = 1;

    const char *control = ""; // objectName; empty when no control shows the field
    ControlKind controlKind = ControlKind::None;
    double min = 0; // spin edit and track bar range
    double max = 0;
    double step = 0;
    QStringList items; // combo-box items

    SendKind send = SendKind::Word;
    int sendIndex = 0; // byte offset (Byte) or word index (Word, Dword)

    // The write-back of the control's first row: the fitter's change of the control runs it; these
    // say what else does. Spin edits and combo boxes repeat it when the fitter leaves them, check
    // boxes run it on a change made by code too.
    bool repeatsOnFocusOut = false;
    bool runsOnCodeChange = false;
    SideEffect effect = SideEffect::None;
    // A track bar's buttons that move it one step down and up (then write), by objectName.
    const char *stepDown = nullptr;
    const char *stepUp = nullptr;
    // The control stays disabled until the controller's software revision reaches this (0: always on).
    int minSoftwareRevision = 0;
    // Filled from the image when the controls show it; the valvetronic box and the cut-off box
    // never are, they keep what they showed.
    bool shownFromImage = true;

    // Bytes the field occupies in the image: [offset, offset + byteSize()).
    int byteSize() const;
};

// The whole table, in image order; built once, never changed.
const std::vector<FieldDef> &fieldTable();
// nullptr when no field has that name.
const FieldDef *findField(const QString &name);

// Items of ComboBoxOBDholdValue: "n(trim)" with the fuel trim (n - 128) x 100 / 128 rounded
// half away from zero to two decimals, "," as separator, trailing zeros dropped.
QString obdHoldItemText(int n);

} // namespace kelvane

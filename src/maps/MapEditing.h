#pragma once
// Editing the map regions: stepping a selection by the keys and buttons, the value-entry dialog
// of the main map, the four preset maps, smoothing the main map, and copy/paste of a selection
// as tab-separated text. Each operation changes the image and returns the writes to send, in
// the order the controller is to receive them (see MapWrites.h).

#include "MapRegions.h"
#include "MapWrites.h"

#include <QString>
#include <QStringList>

namespace kelvane::maps {

// --- Keys ------------------------------------------------------------------------------------

constexpr int KeyEnter = 13;
// The step of a released key: with Shift the plus keys (107 keypad, 187 main keyboard) give +5
// and the minus keys (109, 189) give -5; without Shift +1 and -1; every other key 0.
int keyStep(int keyCode, bool shift);

// --- Stepping --------------------------------------------------------------------------------

// One value moved by a key or button step. The step is added; a result beyond the limit the
// step moves towards is held at that limit, but never pulled back behind the starting value: a
// value already outside the keyboard range (set by the dialog, a click, the calculation or a
// file) is not moved against the step. A step of 0 returns the value unchanged.
int stepValue(int value, int step, int lo, int hi);
// One value moved by a step of the value dialog or the map calculation: the result lands within
// lo..hi, so a value below lo stepped up reaches at least lo and one above hi stepped down at most
// hi; but a value is never moved against the step (90 stepped +5 stays 90, -50 stepped -5 stays
// -50). A step of 0 returns the value unchanged.
int stepIntoRange(int value, int step, int lo, int hi);

// Steps every cell of `rect` of a region (not the axes) by `step`, from the image bytes, within
// the region's keyboard range (stepValue), and returns one byte write per cell in edit order
// (right to left, bottom to top), 5 ms apart. A step of 0 changes and sends nothing, so
// releasing an arrow key or Shift on a grid sends nothing.
//  - main map: the buttons "+1", "+5", "-1", "-5" and the plus/minus keys of StringGridMapa
//    (rect from mainMapRectFromGrid);
//  - Map2D: the buttons and keys of StringGridMapa2D (rect {left, 0, right, 0});
//  - temperature maps: the keys of their grids, on the points or the corrections region.
WritePlan stepCells(ParameterImage &image, Region region, const MapRect &rect, int step);

// --- Value-entry dialog (main map) -------------------------------------------------------------

// Item index of ComboBox1 of the dialog; -1 when no item is selected.
enum EntryMode : int { EntryNone = -1, EntryAbs = 0, EntryPlusMinus = 1, EntryPercent = 2 };

// Text to put in Edit1 before showing the dialog: the text of the selection's top-left cell in
// "ABS", "0" in "+/-" and "%", the current text when no mode is selected.
QString dialogPrefill(const ParameterImage &image, const MapRect &rect, int mode, const QString &currentText);

struct EditResult {
    bool ok = true; // false: the text was not a number; nothing was changed or planned
    QString error;
    WritePlan writes;
};
// Applies the dialog's number to every cell of a main-map selection, in edit order, one byte
// write per visited cell, 5 ms apart:
//  - "ABS": the number limited to -40..80;
//  - "+/-": the number added as a step (stepIntoRange, -40..80);
//  - "%": the number limited to -100..100 scales the cell's distance from the -40 floor,
//    b = trunc(b + (b - 60) x percent / 100); the result is limited to 60..180;
//  - any other mode: nothing.
// A text that is not an integer changes nothing and returns the standard message.
EditResult dialogEdit(ParameterImage &image, const MapRect &rect, int mode, const QString &numberText);

// --- Preset maps and smoothing ----------------------------------------------------------------

constexpr int PresetCount = 4;
// Items of ComboBoxMapReset: "-", "LOW FLOW", "MEDIUM FLOW", "BIG FLOW", "VERY BIG FLOW".
QStringList mapResetItems();
// Correction in percent of preset 1-4 at main-map row 0-15, column 0-7.
int presetPercent(int preset, int row, int col);
// Copies preset 1-4 into the main map (ButtonMap1-4: nothing is sent). Other numbers do nothing.
void loadPreset(ParameterImage &image, int preset);
// ComboBoxMapReset: item 1-4 loads that preset and sends all 128 cells in image order (offsets
// 167 to 294), 5 ms apart; item 0 (and anything else) loads and sends nothing. The caller sets
// the list back to item 0.
WritePlan resetMainMap(ParameterImage &image, int item);

// ButtonMapSmooth: four passes, each moving every cell by at most 1 towards the mean of its
// 3 x 3 neighbourhood (edges repeated), then all 128 cells are sent in image order, 5 ms apart.
WritePlan smoothMainMap(ParameterImage &image);
// One of those passes, on the image only.
void smoothMainMapPass(ParameterImage &image);

// --- Copy and paste -----------------------------------------------------------------------------

// The cells of `rect` as text: the values as plain integers, separated by tabs, one line per row,
// each line ending in "\n". Empty for the axes.
QString copyCells(const ParameterImage &image, Region region, const MapRect &rect);

struct PasteResult {
    bool ok = false;
    QString error;
    MapRect rect; // the cells the text covers
    WritePlan writes;
};
// Parses tab-separated text (lines ended by "\n" or "\r\n", one trailing empty line allowed)
// into a rectangle whose top-left cell is `topLeft`, each value limited to the region's edit
// range, stores it and returns the writes of the cells that change, in edit order, 5 ms apart.
// Text that is not all integers, has rows of different lengths, does not fit from topLeft, or
// targets an axis changes nothing and returns an error.
PasteResult pasteCells(ParameterImage &image, Region region, CellPos topLeft, const QString &text);

} // namespace kelvane::maps

#pragma once
// The main map's two axes: 8 engine-speed breakpoints (RpmAxis, image words 245-252, raw speed
// periods) and 16 injection-time breakpoints (InjTimeAxis, words 253-268, controller ticks).
// They are shown and typed as texts in the grid's header row (rpm) and header column
// (milliseconds); these functions make the texts, the preset texts, and turn edited texts back
// into words.

#include "MapRegions.h"
#include "MapWrites.h"

#include <QChar>
#include <QString>
#include <QStringList>

#include <array>

namespace kelvane::maps {

using RpmTexts = std::array<QString, RpmAxisCount>;
using InjTexts = std::array<QString, InjAxisCount>;

// Breakpoint i of RpmAxis in rpm (TicksToRpm with the image's engine type and speed signal), as a
// plain integer text.
int rpmAxisRpm(const ParameterImage &image, int i, const TimeBases &tb);
QString rpmAxisText(const ParameterImage &image, int i, const TimeBases &tb);
// Breakpoint j of InjTimeAxis in milliseconds (TicksToMs, selector 1), and as a fixed-point text
// with `decimals` decimals and the given decimal separator (the grid header uses one decimal).
float injAxisMs(const ParameterImage &image, int j, const TimeBases &tb);
QString injAxisText(const ParameterImage &image, int j, const TimeBases &tb, QChar decimalSeparator, int decimals = 1);

struct AxisTexts {
    RpmTexts rpm; // header row, columns 1-8
    InjTexts injMs; // header column, rows 1-16
};
// The 24 header texts as ShowMapAxes writes them.
AxisTexts axisTexts(const ParameterImage &image, const TimeBases &tb, QChar decimalSeparator);

// Items of ComboBoxRpmDefs ("rpm DEF.", "900-5000", ...) and ComboBoxInjTdefs ("injT. DEF.", ...).
QStringList rpmPresetItems();
QStringList injPresetItems();
// The header texts of a preset; nothing for item 0 (no change) or an unknown item. Rpm texts are
// plain integers, millisecond texts have two decimals with the given separator ("0,50").
std::optional<RpmTexts> rpmPresetTexts(int item);
std::optional<InjTexts> injPresetTexts(int item, QChar decimalSeparator);

struct AxisSaveResult {
    enum Status { Saved, NotConnected, InvalidText };
    Status status = Saved;
    QString error; // InvalidText: the message to show
    int badIndex = -1; // InvalidText: 0-7 the rpm text of column badIndex + 1, 8-23 the time text of row badIndex - 7
    WritePlan writes;
};

// Reads an rpm text (a whole number) or a millisecond text (a decimal number with "." or the
// given separator, no grouping) as ButtonSaveMapCharPClick does, and converts it to the raw word
// with the image's engine settings. Nothing when the text is not such a number or the raw value
// does not fit a word (1 to 65535): a negative or zero time, or a speed too low or too high for
// a 16-bit period.
std::optional<std::uint16_t> rpmTextToRaw(const ParameterImage &image, const QString &text, const TimeBases &tb);
std::optional<std::uint16_t> msTextToRaw(const QString &text, const TimeBases &tb, QChar decimalSeparator);

// ButtonSaveMapCharPClick, run when header-editing mode is left: while connected, all 24 texts
// are checked first; only when every one is valid are words 245-268 stored and then sent in
// ascending order, each followed by 10 ms. On an invalid text nothing is stored or sent and the
// result names the text. Not connected: nothing is stored or sent.
AxisSaveResult saveAxes(
    ParameterImage &image, const AxisTexts &texts, bool connected, const TimeBases &tb, QChar decimalSeparator);

// After the engine type (or speed signal) has been stored and sent: the 8 rpm header texts are
// converted again with the image's new settings, stored, and words 245-252 sent in order with no
// extra pause. All 8 texts are checked first; an invalid one changes and sends nothing.
AxisSaveResult reencodeRpmAxis(ParameterImage &image, const RpmTexts &rpmTexts, const TimeBases &tb);

} // namespace kelvane::maps

#pragma once
// Which settings the two parameter pages show, section by section: page "podstawowe" (sections 1
// to 6) and page "zaawansowane" (sections 1 to 8). The window lays its sections out from these
// lists and the workshop report writes the settings in the same order, so a setting is placed in
// one place only.

#include <cstdint>
#include <vector>

namespace kelvane {

enum class SectionBody : std::uint8_t {
    Columns, // `controls` in two columns of caption and control, the first half on the left
    Rows, // `rows` as they stand
    GasTempMap, // the propane temperature correction map
    ReducerTempMap, // the reducer temperature correction map
    Service, // the service interval
};

// One row of a section: the settings on its left and right (either may be nullptr); a left entry
// "=Name" is a heading over the whole row instead (the label Name, see headingText).
struct SectionRow {
    const char *left;
    const char *right;
};

struct SettingsSection {
    const char *caption; // English text of the header ("1.Car setup")
    const char *headerName; // the header label's object name ("LabelPar1")
    std::vector<const char *> headerControls; // controls in the header row (a preset box, a switch)
    SectionBody body = SectionBody::Columns;
    std::vector<const char *> controls; // Columns
    std::vector<SectionRow> rows; // Rows
};

const std::vector<SettingsSection> &basicSections();
const std::vector<SettingsSection> &advancedSections();

// The English text of a heading row ("Label12": "gas injection limits:"); nullptr for another name.
const char *headingText(const char *name);

// Every control of a section in reading order: the header's, then the body's top to bottom, left
// before right on a row (Columns: the left column, then the right one). Headings are left out.
std::vector<const char *> sectionControls(const SettingsSection &section);

// Controls the basic page never shows in this layout (the valvetronic box), and those it shows
// only in some states: the signal level only for the "0-14V" source, the return time only while
// "back to propane after" is on.
bool hiddenOnPage(const char *control);
bool shownWhenSignalLevel(const char *control); // AbNumSpinRpmSignalV
bool shownWhenReturnOn(const char *control); // ComboBoxPowrotZminRpmTime

} // namespace kelvane

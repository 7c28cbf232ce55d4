#pragma once
// Every text id of a language file and what it replaces: control captions, tab and menu captions,
// the texts of two-state buttons, combo-box items and the module texts other parts of the program
// keep (status, service, fault and adaptation texts). The English text of a target is written down
// once: captions, tab, menu, button, status and service texts here; fault and adaptation texts by
// the diagnostics (FaultTexts.h, Adaptation.h); combo-box items by the field table for settings and
// by the map editors for the map combo boxes. defaultText() asks the owner.
// Also the combo boxes that choose their item again once their last item text is replaced.

#include "ParameterImage.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace kelvane {

constexpr int FirstTextId = 100001;
constexpr int LastTextId = 101303;
// Distinct ids that have a target.
constexpr int TextIdCount = 255;

enum class TextTargetKind : std::uint8_t {
    TabCaption, // the tab text of page `name` in its page control
    MenuCaption, // the menu or menu item `name`
    Caption, // caption or text of the label, button or check box `name`
    OnOffTexts, // both texts of the two-state button `name`
    OnText, // the on-text of the two-state button or toggle switch `name`
    OffText, // its off-text
    ComboItem, // item `index` of the combo box `name`
    StatusText, // the StatusTexts member `name` ("gasoline", "autoMode", "gaz", "error", ...)
    GlobalText, // the GlobalTexts member `name` ("serviceTimeLeft", "serviceOff")
    FaultText, // the text of fault code `index` (0-29)
    AdaptationText, // adaptation text `index` in the AdaptText order: 0 T0, 1 the cold text, 2-16 T1-T15
};

struct TextTarget {
    int id;
    TextTargetKind kind;
    const char *name; // object or member name; nullptr for FaultText and AdaptationText
    int index; // combo item, fault code or adaptation text; -1 for the other kinds
    const char *text; // the window's own text, UTF-8, where this table holds it; nullptr where its owner does
};

// The window's own (English) text of a target; empty when the owner has none for it.
QString defaultText(const TextTarget &target);

// All targets, in id order; an id that names several targets has several rows (100220 sets the
// status text "gaz" and the caption of LabelPasInjG; 100224 the off-texts of eight switches).
const std::vector<TextTarget> &textTargets();
// The rows of one id; empty for an id without a target.
std::vector<const TextTarget *> targetsOf(int id);
bool hasTarget(int id);
// The distinct ids with a target, ascending.
std::vector<int> textIds();
// The text the English file gives an id: its first target's default text (for an id whose targets
// differ, such as 100220, the caption's "propane" rather than the status text's "gaz").
QString englishText(int id);
const char *kindName(TextTargetKind kind);

// After the text of a combo box's highest item id is applied, the box chooses its item again: the
// item its field shows when the image is shown, or the first item for a box that shows no field.
struct ComboReselect {
    const char *combo; // object name
    int lastId;
    const char *field; // the field of the field table the box shows; nullptr: item 0
};

const std::vector<ComboReselect> &comboReselectRules();
// The rule whose last id is `id`; nullptr for any other id.
const ComboReselect *reselectRuleFor(int id);
// The item to select, decoded from the Parameter image as when the image is shown; -1 (no
// selection) when the field's value is no item of the box.
int reselectedItem(const ComboReselect &rule, const ParameterImage &image, const TimeBases &timeBases);

} // namespace kelvane

#pragma once
// The texts of the controller's fault codes: the table the error memory's list is drawn with, each
// text replaceable from a language file. This table is where the fault texts are written down; the
// language table asks it for the English ones.

#include <array>
#include <cstdint>
#include <string>

namespace kelvane {

constexpr int FaultTextCount = 31; // texts of codes 0-30

// The built-in text of a fault code, UTF-8; nullptr for a code without one (below 0, above 30).
const char *defaultFaultText(int code);

// The fault text table. Codes 0-29 can be replaced from a language file (ids 100701-100730);
// code 30 keeps its text.
struct FaultTexts {
    FaultTexts();
    std::array<std::string, FaultTextCount> text;

    static constexpr int FirstId = 100701;
    // The language id of a code's text, or 0 when the text cannot be replaced.
    static int idFor(int code);
    // Replaces the text with that language id; false (nothing changed) for any other id.
    bool replace(int id, const std::string &replacement);
    // The table text of a code, nullptr for a code without one (above 30).
    const std::string *find(unsigned code) const;
};

// One line of the list: the code in decimal, a blank and the table text; a code without a text
// shows the number alone.
std::string faultLine(std::uint16_t code, const FaultTexts &texts);

} // namespace kelvane

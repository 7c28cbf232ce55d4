#pragma once
// The settings a journal entry changed, in words, as the controls show them: the field-by-field
// compare of the images before and after the action (the one "compare with ECU" and
// `kelvane-cli verify` use), narrowed to the image bytes the action sent.

#include "JournalEntry.h"
#include "ParameterImage.h"

#include <QString>

#include <functional>
#include <vector>

namespace kelvane {

struct FieldDef;

// The words a field is named by; the field table's name when none is given (as verify prints it).
using FieldCaption = std::function<QString(const FieldDef &)>;

// One line per field whose bytes the entry sent and whose shown value (or stored bits) differ
// between the two images, in field-table order: setting = the caption, before and after = what the
// control shows ("4 cylinders" -> "6 cylinders"; a spin edit's number with its decimals, "2.50");
// when both read the same, each gets its stored value added ("1 (stored 0)"). Then one line per map with sent cells
// that differ, in image order: "reducer temperature map", "gas temperature map", "main map", "2D map", "rpm axis",
// "injection-time axis", before empty, after the count ("128 cells", "1 point"; the grids of the
// main and temperature maps have cells, the 2D map and the axes points). Last, sent bytes that
// differ where no setting or map lies make one line "other bytes" with their count ("3 bytes").
// The upload marker (word 0) is left out. Bytes sent with the value they held give no line.
std::vector<ChangeLine> describeChanges(const JournalEntry &entry, const ImageBytes &before, const ImageBytes &after,
    const TimeBases &timeBases, const FieldCaption &caption = {});

// "engine type: 4 cylinders -> 6 cylinders", or with no before "main map: 128 cells".
QString changeText(const ChangeLine &line);

} // namespace kelvane

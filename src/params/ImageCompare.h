#pragma once
// Comparing two Parameter images: which settings (field table rows) a user would see differ, and
// which map cells and other bytes differ, each with both values as shown. Used by "compare with
// ECU" in the window and by `kelvane-cli verify`.

#include "FieldCodec.h"
#include "FieldTable.h"
#include "ParameterImage.h"

#include <QString>

#include <vector>

namespace kelvane {

struct FieldDifference {
    const FieldDef *field = nullptr; // the row of fieldTable()
    Shown a, b; // what the field's control shows for each image
    QString storedA, storedB; // the raw values as stored (a table as its numbers)
    // The shown values are the same and only the stored ones differ (a control's range or a
    // division hides the difference on screen).
    bool storedOnly() const;
};

// Another difference: a map cell, an axis point, a temperature-map point, or bytes that no field
// row covers (the controller's own tables, bits no control shows, bytes no field is known for).
struct RegionDifference {
    QString name; // "MainMap row 3 column 5", "Map2D 4", "RpmAxis 2", "InjTimeAxis 16",
                  // "GasTempMap point 1", "ReducerTempMap correction 6", "bytes 76-79", "byte 553"
    QString a, b; // shown values (percent, rpm, ms, degrees) or the bytes in hexadecimal
    int offset = 0; // the image bytes the difference lies in: [offset, offset + size)
    int size = 1;
};

struct ImageComparison {
    std::vector<FieldDifference> fields; // in field-table order
    std::vector<RegionDifference> regions; // in image order
    bool equal() const { return fields.empty() && regions.empty(); }
};

struct CompareOptions {
    // Word 0 is the upload marker: every upload leaves 0xAAAA there, whatever the file held, so
    // it is left out unless asked for.
    bool includeMarker = false;
};

// Both images decode with the same time bases (the link speed's); engine speeds convert with each
// image's own engine type and signal source. A field row is listed when its shown values differ or
// its stored bits differ.
ImageComparison compareImages(
    const ParameterImage &a, const ParameterImage &b, const TimeBases &timeBases, const CompareOptions &options = {});

// A shown value as text: the item text of a combo box, a number, "on"/"off", "(no selection)",
// "(empty)" for an empty combo-box text, a table as its numbers.
QString shownText(const Shown &shown);

} // namespace kelvane

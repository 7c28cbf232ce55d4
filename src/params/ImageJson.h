#pragma once
// A parameter file read from disk, and the whole Parameter image as one JSON object
// (what `kelvane-cli show` prints).

#include "FieldCodec.h"
#include "ParameterImage.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

namespace kelvane {

// {
//   "fields": { "<name>": {"stored": raw integer (an array for ValvetronicTable),
//                          "shown": number | item index | track-bar position | true/false | null
//                                   (an array of milliseconds for ValvetronicTable)}, ... },
//   "MainMap": 16 rows (injection-time bands, shortest first) of 8 percentages (engine-speed bands),
//   "Map2D": 16 percentages,
//   "RpmAxis": 8 rpm, "InjTimeAxis": 16 ms,
//   "GasTempMap": {"points": 6 degrees C, "corrections": 6 percent}, "ReducerTempMap": likewise
// }
// Engine speeds convert with the image's own engine type and signal source.
QJsonObject imageToJson(const ParameterImage &image, const TimeBases &timeBases);

// One decoded value as JSON: null where the control shows no selection or an empty text.
QJsonValue shownToJson(const Shown &shown);

// Reads a parameter file into `out` (cleared to zeros first). A file shorter than 768 bytes
// leaves the missing bytes 0; a longer one gives its first 768 bytes; either sets `warning`.
// A missing or unreadable file sets `error` and returns false with `out` unchanged.
bool loadImageFile(const QString &path, ParameterImage &out, QString *warning, QString *error);

} // namespace kelvane

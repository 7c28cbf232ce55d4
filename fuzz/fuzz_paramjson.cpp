// The image of a parameter file as `kelvane-cli show` prints it: every field, map and axis decoded
// into a JSON object, then the text. The input is the file's bytes (FuzzInput.h), taken as the
// loader takes them (fuzz_paramfile drives the loader itself, many times faster).

#include "FuzzInput.h"
#include "ImageCompare.h"
#include "ImageJson.h"
#include "ParameterImage.h"

#include <QJsonArray>
#include <QJsonDocument>

using namespace kelvane;
using namespace kelvane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ParameterImage image;
    for (std::size_t i = 0; i < ImageFileBytes && i < size; ++i)
        image.bytes[i] = data[i];

    const bool baud38400 = size > ImageFileBytes && (data[ImageFileBytes] & 1);
    const QJsonObject json = imageToJson(image, timeBasesFor(baud38400 ? 1 : 0));
    check(json.value("fields").isObject() && !json.value("fields").toObject().isEmpty(), "fields decoded");
    const QJsonArray mainMap = json.value("MainMap").toArray();
    check(mainMap.size() == 16, "MainMap has 16 rows");
    for (const QJsonValue &row : mainMap)
        check(row.toArray().size() == 8, "MainMap row has 8 cells");
    check(json.value("RpmAxis").toArray().size() == 8 && json.value("InjTimeAxis").toArray().size() == 16,
        "axes have 8 and 16 points");
    // `verify` and "compare with ECU" of the image with itself: nothing differs.
    check(compareImages(image, image, timeBasesFor(baud38400 ? 1 : 0)).equal(), "an image compares equal to itself");

    // The text `show` prints, read back: the same object.
    const QByteArray text = QJsonDocument(json).toJson(QJsonDocument::Indented);
    check(QJsonDocument::fromJson(text).object() == json, "the printed JSON reads back as the same object");
    KELVANE_FUZZ_TRACE("%zu bytes, %s time bases, %d bytes of JSON\n", size, baud38400 ? "38400-baud" : "57600-baud",
        int(text.size()));
    return 0;
}

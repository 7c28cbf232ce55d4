// The configuration memory of a controller as it leaves the factory, set up for a
// sequential 4-cylinder petrol engine with OBD, and reading parameter files.

#include "Simulator.h"

#include "Conversions.h"
#include "Defaults.h"
#include "ParameterImage.h"

#include <fstream>
#include <iterator>

namespace kelvane::sim {

TimeBases timeBasesForBaud(int baud)
{
    return timeBasesFor(baud == 38400 ? 1 : 0);
}

namespace {

using V = FieldValue;

// How a new controller differs from a reset one: a sequential 4-cylinder car with a "0-20k" level
// sensor, OBD on and no correction in the main map.
const FieldValues &factoryDifferences()
{
    static const FieldValues values = {
        V::stored("ImageMarker", 0xAAAA), // written last by every whole-image upload
        V::item("RpmSet", "4 cylinders"),
        V::item("LevSensor", "0-20k"),
        V::item("InjTyp", "H2000 black"),
        V::item("InjNum", "4"),
        V::item("LambdaTyp", "0-1V"),
        V::shown("WzbogacenieGlowne", 15),
        V::shown("MinInj", 1.2),
        V::shown("Hold", 35),
        V::shown("Peak", 4.0),
        V::shown("CisnieniePracy", 1.1),
        // Speeds again, now for four cylinders.
        V::item("RpmSw", "1500"),
        V::shown("MazdaMinRpm", 1200),
        // Level points of a "0-20k" sensor: 2.0, 2.6, 3.0 and 4.3 V.
        V::stored("LevelE", 1638),
        V::stored("Level14", 2129),
        V::stored("Level24", 2457),
        V::stored("Level34", 3522),
        V::stored("CylinderTimeQuarter", 50 / 4), // a quarter of CylinderTime
        V::item("Obd", "ENABLE"),
        V::shown("AccelEnrich", 50),
    };
    return values;
}

constexpr std::uint32_t FactoryPetrolWorkTime = 40213; // work-time counters as last saved
constexpr std::uint32_t FactoryGasWorkTime = 512733;
constexpr int MainMapOffset = 167;
constexpr int MainMapCells = 128;

} // namespace

ImageBytes factoryImage(int baud)
{
    const TimeBases tb = timeBasesForBaud(baud);
    ParameterImage im; // a cleared memory: the reset keeps nothing of it
    applyResetDefaults(im, tb, FactoryPetrolWorkTime, FactoryGasWorkTime);
    applyFieldValues(im, tb, factoryDifferences());
    for (int i = 0; i < MainMapCells; ++i)
        im.setByte(MainMapOffset + i, 100); // main map: no correction
    setRpmAxis(im, tb, DefaultRpmAxis); // the reset's speeds, now for four cylinders
    return im.bytes;
}

bool loadImageFile(const std::string &path, ImageBytes &image, std::string *error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error)
            *error = "cannot read " + path;
        return false;
    }
    std::vector<char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        if (error)
            *error = "cannot read " + path;
        return false;
    }
    if (data.size() != image.size()) {
        if (error)
            *error = path + " holds " + std::to_string(data.size()) + " bytes, a parameter file holds "
                + std::to_string(image.size());
        return false;
    }
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(data[i]);
    return true;
}

} // namespace kelvane::sim

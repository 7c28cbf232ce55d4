#pragma once
// The picture of the auto-mapping view (PaintBoxMapowanie): white ground, the zero-percent line,
// the time and pressure grids, the percentage scale, both sample sets, the readouts under the
// pointer, the 2D-map curve with its vertex marks and the live operating point. Drawn into an
// image off screen and copied onto the view in one piece.

#include "LiveRecord.h"
#include "Map2D.h"
#include "MappingView.h"

#include <QColor>
#include <QImage>

namespace kelvane {

struct MappingPicture {
    const ParameterImage &image;
    const TimeBases &timeBases;
    const maps::SampleStore &samples;
    const LiveData &live;
    int mouseX = 0;
    int mouseY = 0;
    int selected = 0; // MapSelectedPoint
    QColor highlight { 0, 120, 215 }; // brush of sample set B: the system highlight colour
    char decimalPoint = '.';
};

// Draws the whole view for a W x H paint box and the given state; g is the geometry it was
// drawn with (the mouse handlers use it until the next paint).
QImage paintMappingPicture(int width, int height, const MappingPicture &in, maps::MappingGeometry *g = nullptr);

// Colours of the picture.
namespace mappingColours {
inline QColor grid()
{
    return { 162, 162, 162 };
}
inline QColor setA()
{
    return { 255, 0, 0 };
}
inline QColor curve()
{
    return { 230, 0, 5 };
}
inline QColor selectedMark()
{
    return { 255, 128, 0 };
}
inline QColor mark()
{
    return { 128, 0, 0 };
}
inline QColor livePoint()
{
    return { 230, 0, 5 };
}
} // namespace mappingColours

} // namespace kelvane

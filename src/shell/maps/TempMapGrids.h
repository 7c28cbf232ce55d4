#pragma once
// The two temperature-correction maps on "[F3]parameters", page "zaawansowane": the grid
// StringGridMapTempGaz in section 3 (GroupBoxAdv3) and StringGridMapTempRed in section 4
// (GroupBoxAdv4), each six temperature points over six corrections, with its check box
// "mod. temp. points" that switches the grid to editing the points. The column of the live
// temperature is drawn red while the controller is connected.

#include "LiveCells.h"
#include "MapContext.h"
#include "MapGrid.h"

#include <QWidget>

#include <optional>

class QCheckBox;
class QLabel;

namespace kelvane {

class TempMapEditor : public QWidget {
    Q_OBJECT
public:
    TempMapEditor(MapContext &context, maps::TempMap map, QWidget *parent = nullptr);

    MapGrid *grid() const { return m_grid; }
    QCheckBox *checkBox() const { return m_check; }

    // ShowTempMaps for this map: the texts from the image.
    void ShowTempMap();
    // Repaints the grid (the red column follows the temperature) while its section is open.
    void repaintIfShown();
    // Column of the live temperature; nothing while not connected.
    std::optional<int> liveColumn() const;

    // StringGridMapTempGazKeyUp / StringGridMapTempRedKeyUp.
    void KeyUp(int keyCode, bool shift);
    // CheckBoxGazVectorClick / CheckBoxReducerVectorClick.
    void VectorClick(bool checked);
    void copySelection();
    void pasteAtSelection();

private:
    void drawCell(QPainter &painter, int col, int row, const QRect &rect, MapGrid::CellState state) const;
    maps::Region regionOfSelection() const;
    // "gas temperature map" or "reducer temperature map", as the journal names its edits.
    QString mapName() const;

    MapContext &m_context;
    maps::TempMap m_map;
    MapGrid *m_grid = nullptr;
    QCheckBox *m_check = nullptr;
    QLabel *m_percentLabel = nullptr;
};

} // namespace kelvane

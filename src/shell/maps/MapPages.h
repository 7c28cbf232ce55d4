#pragma once
// The fuel-map editors of the window in one place: the main map and its axes on "[F7]advanced
// map", the auto-mapping view and the 2D map on "[F6]mapping", the two temperature maps in the
// sections of "[F3]parameters", and the value-entry dialog Form2. The window calls in from its
// hooks: show the maps after an image arrived, repaint the grids when the operating point moves,
// redraw the mapping view from each live record.

#include "MapContext.h"

#include <QObject>

class QGroupBox;
class TForm2;

namespace kelvane {

class AdjustmentPage;
class MapAdvancedPage;
class MappingViewPage;
class TempMapEditor;

class MapPages : public QObject {
    Q_OBJECT
public:
    // Where the editors go: the adjustment page's sheets "[F7]advanced map" and "[F6]mapping" (whose
    // size follows the settings panel above them) and the parameter sections of the two temperature
    // maps.
    struct Places {
        AdjustmentPage &adjustment;
        QGroupBox *gasTempGroup;
        QGroupBox *reducerTempGroup;
    };
    MapPages(QWidget &window, const Places &places, AppState &state, UserInteraction &user);
    ~MapPages() override;

    // Every map from the image (after an image read, a file load or a reset).
    void showMaps();
    // The operating point moved: the lime cells follow.
    void repaintMapGrids();
    // After every processed live record: the red temperature columns follow.
    void repaintTemperatureGrids();
    // After every processed live record while "[F6]mapping" is selected.
    void paintMappingView();
    // The window was resized to this outer size.
    void applyWindowSize(int windowWidth, int windowHeight);
    // The engine type or speed signal was stored and sent: the speed axis is re-encoded and sent.
    void engineTypeChanged();
    // The keyboard focus goes to the grid of sub-page 0 ("[F6]mapping": the 2D map) or 1 ("[F7]advanced
    // map": the main map), with a cell selected, so the plus and minus keys act on it at once.
    void focusGrid(int subPage);

    MapAdvancedPage *advancedMap() const { return m_advanced; }
    MappingViewPage *mapping() const { return m_mapping; }
    TempMapEditor *gasTempMap() const { return m_gas; }
    TempMapEditor *reducerTempMap() const { return m_reducer; }
    TForm2 *form2() const { return m_form2; }

private:
    MapContext m_context;
    QWidget *m_settingsPanel = nullptr;
    TForm2 *m_form2 = nullptr;
    MapAdvancedPage *m_advanced = nullptr;
    MappingViewPage *m_mapping = nullptr;
    TempMapEditor *m_gas = nullptr;
    TempMapEditor *m_reducer = nullptr;
};

} // namespace kelvane

#pragma once
// "[F7]advanced map" (TabSheet51): the main correction map StringGridMapa (16 injection-time
// rows by 8 engine-speed columns under a header row in rpm and a header column in milliseconds)
// and the panel PanelMapAdj below it: the step buttons, the preset maps, smoothing, the
// header-editing mode of the axes with its presets, and ProgressBarMapa. Every operation changes
// the image through the map logic, sends what it changed at once and shows the image again.

#include "MapAxes.h"
#include "MapContext.h"
#include "MapGrid.h"
#include "MapRegions.h"

#include <QWidget>

#include <optional>

class QCheckBox;
class QComboBox;
class QFrame;
class QProgressBar;
class QPushButton;
class TForm2;

namespace kelvane {

class MapAdvancedPage : public QWidget {
    Q_OBJECT
public:
    MapAdvancedPage(MapContext &context, TForm2 &form2, QWidget *parent = nullptr);

    MapGrid *grid() const { return StringGridMapa; }
    QFrame *panelMapAdj() const { return PanelMapAdj; }
    QProgressBar *progressBar() const { return ProgressBarMapa; }

    // The 128 data cells from the image.
    void ShowMainMapCells();
    // The header row (rpm) and header column (milliseconds) from the image.
    void ShowMapAxes();
    // The grid is repainted so that the live cell follows the engine.
    void repaintGrid();

    // The grid's size from the window's outer size and the panels above and below it.
    void applyWindowSize(int windowWidth, int windowHeight, int panelAdjHeight);

    // The engine type (or speed signal) was stored and sent: the rpm headers are converted to
    // periods with the new settings and sent.
    void engineTypeChanged();

    // Grid column and row of the live cell; nothing while not connected.
    std::optional<GridRect> liveCell() const;
    bool headerEditing() const;

    // Handlers, named after their controls.
    void StringGridMapaKeyUp(int keyCode, bool shift);
    void StringGridMapaClick(int col, int row);
    void ButtonInc1Click() { stepSelection(1); }
    void ButtonInc5Click() { stepSelection(5); }
    void ButtonDecr1Click() { stepSelection(-1); }
    void ButtonDecr5Click() { stepSelection(-5); }
    void ButtonMapClick(int preset);
    void ComboBoxMapResetChange(int item);
    void ButtonMapSmoothClick();
    void CheckBoxModPcharClick(bool checked);
    void ComboBoxRpmDefsChange(int item);
    void ComboBoxInjTdefsChange(int item);
    void ButtonSaveMapCharPClick();
    void copySelection();
    void pasteAtSelection();

private:
    void build();
    void drawCell(QPainter &painter, int col, int row, const QRect &rect, MapGrid::CellState state) const;
    // The selection as main-map cells (headers dropped); nothing when only headers are selected.
    std::optional<maps::MapRect> selectedCells() const;
    void stepSelection(int step);
    void dialogEdit();
    // Until the first image is shown the grid shows zeros while the image holds nothing: the
    // first edit takes the cells as shown into the image, so that what is edited is what the
    // fitter sees.
    void takeShownCellsIntoImage();
    void showCells(const maps::MapRect &rect);
    maps::AxisTexts headerTexts() const;

    MapContext &m_context;
    TForm2 &m_form2;
    bool m_cellsFromImage = false;

    MapGrid *StringGridMapa = nullptr;
    QFrame *PanelMapAdj = nullptr;
    QPushButton *ButtonInc5 = nullptr;
    QPushButton *ButtonInc1 = nullptr;
    QPushButton *ButtonDecr1 = nullptr;
    QPushButton *ButtonDecr5 = nullptr;
    QComboBox *ComboBoxMapReset = nullptr;
    QPushButton *ButtonMap[4] = {};
    QPushButton *ButtonMapSmooth = nullptr;
    QProgressBar *ProgressBarMapa = nullptr;
    QCheckBox *CheckBoxModPchar = nullptr;
    QComboBox *ComboBoxRpmDefs = nullptr;
    QComboBox *ComboBoxInjTdefs = nullptr;
    QPushButton *ButtonSaveMapCharP = nullptr;
};

} // namespace kelvane

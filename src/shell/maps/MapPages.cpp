#include "MapPages.h"

#include "AdjustmentPage.h"
#include "MapAdvancedPage.h"
#include "MappingViewPage.h"
#include "TempMapGrids.h"
#include "ValueDialog.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

namespace kelvane {

namespace {

// The layout of a sheet, made when the sheet has none yet.
QBoxLayout *sheetLayout(QWidget *sheet)
{
    if (auto *l = qobject_cast<QBoxLayout *>(sheet->layout()))
        return l;
    auto *v = new QVBoxLayout(sheet);
    v->setContentsMargins(0, 0, 0, 0);
    return v;
}

// Puts a temperature map at the end of its section's group box, whatever layout the box has.
void addToGroup(QGroupBox *box, QWidget *editor)
{
    QLayout *layout = box->layout();
    if (auto *grid = qobject_cast<QGridLayout *>(layout)) {
        const int row = grid->count() == 0 ? 0 : grid->rowCount();
        grid->addWidget(editor, row, 0, 1, std::max(1, grid->columnCount()));
    } else if (auto *boxLayout = qobject_cast<QBoxLayout *>(layout)) {
        boxLayout->addWidget(editor);
    } else if (!layout) {
        (new QVBoxLayout(box))->addWidget(editor);
    } else {
        editor->setParent(box);
    }
}

} // namespace

MapPages::MapPages(QWidget &window, const Places &places, AppState &state, UserInteraction &user)
    : QObject(&window)
    , m_context { state, user, &window }
    , m_settingsPanel(places.adjustment.settingsPanel())
{
    setObjectName(QStringLiteral("MapPages"));
    // Created once with the window; it keeps its mode between uses.
    m_form2 = new TForm2(&window);

    QWidget *advancedSheet = places.adjustment.advancedMapSheet();
    m_advanced = new MapAdvancedPage(m_context, *m_form2, advancedSheet);
    sheetLayout(advancedSheet)->addWidget(m_advanced);
    QWidget *mappingSheet = places.adjustment.mappingSheet();
    m_mapping = new MappingViewPage(m_context, mappingSheet);
    sheetLayout(mappingSheet)->addWidget(m_mapping);

    m_gas = new TempMapEditor(m_context, maps::TempMap::Gas);
    addToGroup(places.gasTempGroup, m_gas);
    m_reducer = new TempMapEditor(m_context, maps::TempMap::Reducer);
    addToGroup(places.reducerTempGroup, m_reducer);
}

MapPages::~MapPages() = default;

void MapPages::showMaps()
{
    if (m_advanced) {
        m_advanced->ShowMainMapCells();
        m_advanced->ShowMapAxes();
        m_advanced->repaintGrid();
    }
    if (m_mapping) {
        m_mapping->showMap2DRows();
        m_mapping->repaintGrid();
    }
    m_gas->ShowTempMap();
    m_reducer->ShowTempMap();
}

void MapPages::repaintMapGrids()
{
    if (m_advanced)
        m_advanced->repaintGrid();
    if (m_mapping)
        m_mapping->repaintGrid();
}

void MapPages::repaintTemperatureGrids()
{
    m_gas->repaintIfShown();
    m_reducer->repaintIfShown();
}

void MapPages::paintMappingView()
{
    if (m_mapping)
        m_mapping->PaintMappingView();
}

void MapPages::applyWindowSize(int windowWidth, int windowHeight)
{
    if (!m_advanced)
        return;
    m_advanced->applyWindowSize(windowWidth, windowHeight, m_settingsPanel->sizeHint().height());
}

void MapPages::focusGrid(int subPage)
{
    MapGrid *grid = nullptr;
    if (subPage == 0 && m_mapping)
        grid = m_mapping->grid2D();
    else if (subPage == 1 && m_advanced)
        grid = m_advanced->grid();
    if (!grid || !grid->isEnabled())
        return;
    if (!grid->currentIndex().isValid())
        grid->setSelection({ grid->fixedCols(), grid->fixedRows(), grid->fixedCols(), grid->fixedRows() });
    grid->setFocus(Qt::OtherFocusReason);
}

void MapPages::engineTypeChanged()
{
    if (m_advanced)
        m_advanced->engineTypeChanged();
}

} // namespace kelvane

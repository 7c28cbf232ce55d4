#include "MapPages.h"

#include "ValueDialog.h"
#include "MainWindow.h"
#include "MapAdvancedPage.h"
#include "MappingViewPage.h"
#include "TempMapGrids.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QMessageBox>
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

MapPages::MapPages(TForm1 &form, AppState &state)
    : QObject(&form)
    , m_form(form)
    , m_context { state, {}, {}, &form }
{
    setObjectName(QStringLiteral("MapPages"));
    m_context.message = [&form](const QString &text) { form.showMessage(text.toStdString()); };
    m_context.confirm = [&form, &state](const QString &question) {
        return QMessageBox::warning(&form, QString::fromStdString(state.texts.applicationTitle), question,
                   QMessageBox::Ok | QMessageBox::Cancel)
            == QMessageBox::Ok;
    };
    // Created once with the window; it keeps its mode between uses.
    m_form2 = new TForm2(&form);

    if (auto *sheet = form.findChild<QWidget *>(QStringLiteral("TabSheet51"))) {
        m_advanced = new MapAdvancedPage(m_context, *m_form2, sheet);
        sheetLayout(sheet)->addWidget(m_advanced);
    }
    if (auto *sheet = form.findChild<QWidget *>(QStringLiteral("TabSheet41"))) {
        m_mapping = new MappingViewPage(m_context, sheet);
        sheetLayout(sheet)->addWidget(m_mapping);
    }
    const struct {
        const char *group;
        maps::TempMap map;
        TempMapEditor **editor;
    } temps[]
        = { { "GroupBoxAdv3", maps::TempMap::Gas, &m_gas }, { "GroupBoxAdv4", maps::TempMap::Reducer, &m_reducer } };
    for (const auto &t : temps) {
        *t.editor = new TempMapEditor(m_context, t.map);
        if (auto *box = form.findChild<QGroupBox *>(QString::fromLatin1(t.group))) {
            addToGroup(box, *t.editor);
        } else {
            // Fallback while the parameter page has no such section: the editor lives hidden
            // under the window, so that the program runs; the grid is not shown anywhere.
            qWarning("kelvane: no %s for the temperature map", t.group);
            (*t.editor)->setParent(&form);
            (*t.editor)->hide();
        }
    }
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
    const QWidget *panelAdj = m_form.findChild<QWidget *>(QStringLiteral("PanelAdj"));
    m_advanced->applyWindowSize(windowWidth, windowHeight, panelAdj ? panelAdj->sizeHint().height() : 0);
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

// The window's hooks of the display steps.
void TForm1::repaintMapGrids()
{
    m_maps->repaintMapGrids();
}
void TForm1::repaintTemperatureGrids()
{
    m_maps->repaintTemperatureGrids();
}
void TForm1::paintMappingView()
{
    m_maps->paintMappingView();
}

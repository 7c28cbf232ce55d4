// The advanced map page's editing: stepping, the value dialog, reset, smooth, copy and paste of the cells, and the
// axes.
#include "MapAdvancedPage.h"

#include "MapEditing.h"
#include "MapLayout.h"
#include "ValueDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

namespace kelvane {

// ---------------------------------------------------------------------------------------------------
// Editing the cells

std::optional<maps::MapRect> MapAdvancedPage::selectedCells() const
{
    const GridRect s = StringGridMapa->selection();
    return maps::mainMapRectFromGrid(s.left, s.top, s.right, s.bottom);
}

void MapAdvancedPage::takeShownCellsIntoImage()
{
    if (m_cellsFromImage)
        return;
    ParameterImage &image = m_context.state.session.image;
    for (int r = 0; r < maps::MainMapRows; ++r)
        for (int c = 0; c < maps::MainMapCols; ++c) {
            const int v = maps::parseMapInteger(StringGridMapa->cell(c + 1, r + 1)).value_or(0);
            maps::setCellValue(image, maps::Region::MainMap, r, c, std::clamp(v, -40, 80));
        }
    m_cellsFromImage = true;
}

void MapAdvancedPage::stepSelection(int step)
{
    const auto rect = selectedCells();
    if (!rect)
        return;
    const ActionScope action = m_context.action(QStringLiteral("main map: %1%2").arg(step > 0 ? "+" : "").arg(step));
    takeShownCellsIntoImage();
    const maps::WritePlan plan = maps::stepCells(m_context.state.session.image, maps::Region::MainMap, *rect, step);
    m_context.send(plan, ProgressBarMapa, rect->cellCount());
    showCells(*rect);
}

void MapAdvancedPage::StringGridMapaKeyUp(int keyCode, bool shift)
{
    if (keyCode == maps::KeyEnter && !m_form2.isVisible())
        dialogEdit();
    // The plus and minus keys act as the step buttons: with Shift by 5, without by 1.
    switch (maps::keyStep(keyCode, shift)) {
    case 5:
        ButtonInc5Click();
        break;
    case 1:
        ButtonInc1Click();
        break;
    case -1:
        ButtonDecr1Click();
        break;
    case -5:
        ButtonDecr5Click();
        break;
    default:
        break;
    }
}

void MapAdvancedPage::dialogEdit()
{
    const auto rect = selectedCells();
    if (!rect)
        return; // only header cells selected: nothing to edit
    const ActionScope action = m_context.action(QStringLiteral("main map: value"));
    takeShownCellsIntoImage();
    ParameterImage &image = m_context.state.session.image;
    m_form2.Edit1->setText(maps::dialogPrefill(image, *rect, m_form2.ComboBox1->currentIndex(), m_form2.Edit1->text()));
    if (m_form2.showModal() != TForm2::ResultOK)
        return;
    const maps::EditResult r = maps::dialogEdit(image, *rect, m_form2.ComboBox1->currentIndex(), m_form2.Edit1->text());
    if (!r.ok) {
        m_context.message(r.error);
        return;
    }
    m_context.send(r.writes, ProgressBarMapa, rect->cellCount());
    showCells(*rect);
}

void MapAdvancedPage::ButtonMapClick(int preset)
{
    maps::loadPreset(m_context.state.session.image, preset);
    ShowMainMapCells();
}

void MapAdvancedPage::ComboBoxMapResetChange(int item)
{
    ProgressBarMapa->setRange(0, 128);
    ProgressBarMapa->setValue(0);
    if (item >= 1 && item <= maps::PresetCount) {
        const ActionScope action
            = m_context.action(QStringLiteral("main map: preset %1").arg(ComboBoxMapReset->itemText(item)));
        // The button shows the preset; the whole map is then sent in image order.
        ButtonMap[item - 1]->click();
        const maps::WritePlan plan = maps::resetMainMap(m_context.state.session.image, item);
        m_context.send(plan, ProgressBarMapa, 128);
    }
    const QSignalBlocker block(ComboBoxMapReset);
    ComboBoxMapReset->setCurrentIndex(0);
}

void MapAdvancedPage::ButtonMapSmoothClick()
{
    const ActionScope action = m_context.action(QStringLiteral("main map: smoothing"));
    takeShownCellsIntoImage();
    const maps::WritePlan plan = maps::smoothMainMap(m_context.state.session.image);
    ShowMainMapCells();
    m_context.send(plan, ProgressBarMapa, 128);
}

void MapAdvancedPage::copySelection()
{
    const auto rect = selectedCells();
    if (!rect)
        return;
    takeShownCellsIntoImage();
    QApplication::clipboard()->setText(maps::copyCells(m_context.state.session.image, maps::Region::MainMap, *rect));
}

void MapAdvancedPage::pasteAtSelection()
{
    const auto rect = selectedCells();
    if (!rect)
        return;
    const ActionScope action = m_context.action(QStringLiteral("main map: paste"));
    takeShownCellsIntoImage();
    const maps::PasteResult r = maps::pasteCells(m_context.state.session.image, maps::Region::MainMap,
        { rect->top, rect->left }, QApplication::clipboard()->text());
    if (!r.ok) {
        m_context.message(QStringLiteral("Nothing was pasted: %1").arg(r.error));
        return;
    }
    m_context.send(r.writes, ProgressBarMapa, r.rect.cellCount());
    showCells(r.rect);
    StringGridMapa->setSelection({ r.rect.left + 1, r.rect.top + 1, r.rect.right + 1, r.rect.bottom + 1 });
}

// ---------------------------------------------------------------------------------------------------
// The axes

void MapAdvancedPage::StringGridMapaClick(int col, int row)
{
    // In header-editing mode a click on a header cell opens its editor; data cells are never
    // typed into.
    if (headerEditing() && (col == 0) != (row == 0))
        StringGridMapa->edit(StringGridMapa->model()->index(row, col));
}

void MapAdvancedPage::CheckBoxModPcharClick(bool checked)
{
    if (checked) {
        StringGridMapa->setFixed(0, 0);
        ComboBoxRpmDefs->show();
        ComboBoxInjTdefs->show();
        return;
    }
    // What is being typed into a header counts.
    StringGridMapa->finishEditing();
    StringGridMapa->setFixed(1, 1);
    for (QComboBox *c : { ComboBoxRpmDefs, ComboBoxInjTdefs }) {
        c->hide();
        const QSignalBlocker block(c);
        c->setCurrentIndex(0);
    }
    ButtonSaveMapCharP->click();
}

void MapAdvancedPage::ComboBoxRpmDefsChange(int item)
{
    if (const auto texts = maps::rpmPresetTexts(item))
        for (int i = 0; i < maps::RpmAxisCount; ++i)
            StringGridMapa->setCell(i + 1, 0, (*texts)[static_cast<std::size_t>(i)]);
}

void MapAdvancedPage::ComboBoxInjTdefsChange(int item)
{
    if (const auto texts = maps::injPresetTexts(item, m_context.decimalPoint()))
        for (int j = 0; j < maps::InjAxisCount; ++j)
            StringGridMapa->setCell(0, j + 1, (*texts)[static_cast<std::size_t>(j)]);
}

maps::AxisTexts MapAdvancedPage::headerTexts() const
{
    maps::AxisTexts t;
    for (int i = 0; i < maps::RpmAxisCount; ++i)
        t.rpm[static_cast<std::size_t>(i)] = StringGridMapa->cell(i + 1, 0);
    for (int j = 0; j < maps::InjAxisCount; ++j)
        t.injMs[static_cast<std::size_t>(j)] = StringGridMapa->cell(0, j + 1);
    return t;
}

void MapAdvancedPage::ButtonSaveMapCharPClick()
{
    const ActionScope action = m_context.action(QStringLiteral("map axes: save"));
    const maps::AxisSaveResult r = maps::saveAxes(m_context.state.session.image, headerTexts(), m_context.connected(),
        m_context.state.session.timeBases, m_context.decimalPoint());
    switch (r.status) {
    case maps::AxisSaveResult::NotConnected:
        return; // the grid keeps the edited texts; the image keeps its axes
    case maps::AxisSaveResult::InvalidText: {
        m_context.message(r.error);
        // Back into header editing with the bad text selected, so that it can be put right.
        const GridRect bad = r.badIndex < maps::RpmAxisCount ? GridRect { r.badIndex + 1, 0, r.badIndex + 1, 0 }
                                                             : GridRect { 0, r.badIndex - 7, 0, r.badIndex - 7 };
        {
            const QSignalBlocker block(CheckBoxModPchar);
            CheckBoxModPchar->setChecked(true);
        }
        CheckBoxModPcharClick(true);
        StringGridMapa->setSelection(bad);
        return;
    }
    case maps::AxisSaveResult::Saved:
        m_context.send(r.writes, ProgressBarMapa, 24);
        // The headers show what the controller now holds (typed values fall on its grid).
        ShowMapAxes();
        return;
    }
}

void MapAdvancedPage::engineTypeChanged()
{
    maps::RpmTexts rpm;
    for (int i = 0; i < maps::RpmAxisCount; ++i)
        rpm[static_cast<std::size_t>(i)] = StringGridMapa->cell(i + 1, 0);
    const maps::AxisSaveResult r
        = maps::reencodeRpmAxis(m_context.state.session.image, rpm, m_context.state.session.timeBases);
    if (r.status == maps::AxisSaveResult::InvalidText) {
        m_context.message(r.error);
        return;
    }
    m_context.send(r.writes);
}

} // namespace kelvane

#include "TempMapGrids.h"

#include "MapEditing.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace kelvane {

namespace {
constexpr int Points = 6;
constexpr int CellWidth = 38;
constexpr int CellHeight = 20;
const QColor Maroon(128, 0, 0);
const QColor LightYellow(255, 255, 210);
const QColor LiveRed(255, 0, 0);
} // namespace

TempMapEditor::TempMapEditor(MapContext &context, maps::TempMap map, QWidget *parent)
    : QWidget(parent)
    , m_context(context)
    , m_map(map)
{
    const bool gas = map == maps::TempMap::Gas;
    setObjectName(gas ? QStringLiteral("TempMapGaz") : QStringLiteral("TempMapRed"));
    auto *h = new QHBoxLayout(this);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(4);

    m_grid = new MapGrid(
        gas ? QStringLiteral("StringGridMapTempGaz") : QStringLiteral("StringGridMapTempRed"), Points, 2, this);
    m_grid->setFixed(0, 1);
    m_grid->setDefaultColWidth(CellWidth);
    m_grid->setDefaultRowHeight(CellHeight);
    m_grid->setCellColors(LightYellow, Maroon);
    QFont f(QStringLiteral("Arial"));
    f.setBold(true);
    f.setPixelSize(
        fittingPixelSize(f, 16, CellWidth - 3, { QStringLiteral("-25"), QStringLiteral("100") }, CellHeight - 1));
    m_grid->setCellFont(f);
    m_grid->setDrawCell(
        [this](QPainter &p, int c, int r, const QRect &rect, MapGrid::CellState s) { drawCell(p, c, r, rect, s); });
    m_grid->setKeyUp([this](int key, bool shift) { KeyUp(key, shift); });
    m_grid->setCopy([this] { copySelection(); });
    m_grid->setPaste([this] { pasteAtSelection(); });
    m_grid->fitToCells();
    h->addWidget(m_grid, 0, Qt::AlignTop);

    // The units beside the rows.
    auto *units = new QVBoxLayout;
    units->setContentsMargins(0, m_grid->frameWidth(), 0, 0);
    units->setSpacing(0);
    auto *degrees = new QLabel(QStringLiteral("\u00B0C"), this);
    degrees->setFixedHeight(CellHeight);
    m_percentLabel = new QLabel(QStringLiteral("%"), this);
    m_percentLabel->setFixedHeight(CellHeight);
    units->addWidget(degrees);
    units->addWidget(m_percentLabel);
    units->addStretch(1);
    h->addLayout(units);
    h->addSpacing(12);

    m_check = new QCheckBox(QStringLiteral("mod. temp. points"), this);
    m_check->setObjectName(gas ? QStringLiteral("CheckBoxGazVector") : QStringLiteral("CheckBoxReducerVector"));
    m_check->setFocusPolicy(Qt::NoFocus);
    h->addWidget(m_check, 0, Qt::AlignTop);
    h->addStretch(1);
    connect(m_check, &QCheckBox::toggled, this, &TempMapEditor::VectorClick);

    ShowTempMap();
    m_grid->setSelection({ 0, 1, 0, 1 });
}

void TempMapEditor::ShowTempMap()
{
    const ParameterImage &image = m_context.state.session.image;
    for (int c = 0; c < Points; ++c) {
        m_grid->setCell(c, 0, QString::number(maps::cellValue(image, maps::tempPointsRegion(m_map), 0, c)));
        if (m_grid->rowCount() > 1)
            m_grid->setCell(c, 1, QString::number(maps::cellValue(image, maps::tempCorrectionsRegion(m_map), 0, c)));
    }
}

void TempMapEditor::repaintIfShown()
{
    // The section is open (its group box is not hidden), whether or not its page is on screen.
    for (QWidget *w = parentWidget(); w; w = w->parentWidget())
        if (qobject_cast<QGroupBox *>(w)) {
            if (w->isHidden())
                return;
            break;
        }
    m_grid->viewport()->update();
}

std::optional<int> TempMapEditor::liveColumn() const
{
    return maps::liveTempColumn(
        m_context.state.session.image, m_map, m_context.state.session.live, m_context.connected());
}

void TempMapEditor::drawCell(QPainter &p, int col, int row, const QRect &rect, MapGrid::CellState) const
{
    const auto live = liveColumn();
    if (!live || *live != col)
        return;
    // The column of the live temperature, in either row; white text keeps it readable on red.
    p.fillRect(rect, LiveRed);
    p.setPen(Qt::white);
    p.setFont(m_grid->cellFont());
    p.drawText(rect.adjusted(1, 1, 0, 0), Qt::AlignLeft | Qt::AlignTop, m_grid->cell(col, row));
}

maps::Region TempMapEditor::regionOfSelection() const
{
    // Only the selection's top row decides: row 0 (selectable in point-editing mode) is the
    // points, any other row the corrections.
    return maps::tempRegionForTopRow(m_map, m_grid->selection().top);
}

QString TempMapEditor::mapName() const
{
    return m_map == maps::TempMap::Gas ? QStringLiteral("gas temperature map")
                                       : QStringLiteral("reducer temperature map");
}

void TempMapEditor::KeyUp(int keyCode, bool shift)
{
    const int step = maps::keyStep(keyCode, shift);
    const GridRect sel = m_grid->selection();
    const ActionScope action
        = m_context.action(QStringLiteral("%1: %2%3").arg(mapName(), step > 0 ? "+" : "").arg(step));
    m_context.send(maps::stepCells(
        m_context.state.session.image, regionOfSelection(), maps::columnsRect(sel.left, sel.right), step));
    ShowTempMap();
}

void TempMapEditor::VectorClick(bool checked)
{
    if (checked) {
        m_grid->setFixed(0, 0);
        m_grid->setRowCount(1);
    } else {
        m_grid->setRowCount(2);
        m_grid->setFixed(0, 1);
    }
    m_percentLabel->setVisible(!checked);
    ShowTempMap();
    m_grid->fitToCells();
}

void TempMapEditor::copySelection()
{
    const GridRect sel = m_grid->selection();
    QApplication::clipboard()->setText(
        maps::copyCells(m_context.state.session.image, regionOfSelection(), maps::columnsRect(sel.left, sel.right)));
}

void TempMapEditor::pasteAtSelection()
{
    const GridRect sel = m_grid->selection();
    const ActionScope action = m_context.action(QStringLiteral("%1: paste").arg(mapName()));
    const maps::PasteResult r = maps::pasteCells(
        m_context.state.session.image, regionOfSelection(), { 0, sel.left }, QApplication::clipboard()->text());
    if (!r.ok) {
        m_context.message(QStringLiteral("Nothing was pasted: %1").arg(r.error));
        return;
    }
    m_context.send(r.writes);
    ShowTempMap();
    m_grid->setSelection({ r.rect.left, sel.top, r.rect.right, sel.top });
}

} // namespace kelvane

#include "MappingViewPage.h"

#include "LiveCells.h"
#include "Map2D.h"
#include "MapAxes.h"
#include "MapEditing.h"
#include "MapLayout.h"
#include "MappingViewPaint.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace kelvane {

namespace {

constexpr int RowHeight2D = 20;

const QColor Maroon(128, 0, 0);
const QColor LightYellow(255, 255, 210);
const QColor HeaderGrey(128, 128, 128);

} // namespace

// ---------------------------------------------------------------------------------------------------
// The page

MappingViewPage::MappingViewPage(MapContext &context, QWidget *parent)
    : QWidget(parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("MappingViewPage"));
    build();
}

void MappingViewPage::build()
{
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(2, 2, 2, 2);
    v->setSpacing(3);
    PaintBoxMapowanie = new MappingPaintBox(this);
    PaintBoxMapowanie->setShowPicture([this] { return m_context.connected(); });
    v->addWidget(PaintBoxMapowanie, 1);

    PanelMapowaniePrzyciski = new QFrame(this);
    PanelMapowaniePrzyciski->setObjectName(QStringLiteral("PanelMapowaniePrzyciski"));
    PanelMapowaniePrzyciski->setFrameShape(QFrame::StyledPanel);
    PanelMapowaniePrzyciski->installEventFilter(this);
    auto *pv = new QVBoxLayout(PanelMapowaniePrzyciski);
    pv->setContentsMargins(4, 3, 4, 3);
    pv->setSpacing(3);

    // The 2D grid with its row labels.
    auto *gridLine = new QHBoxLayout;
    gridLine->setSpacing(2);
    auto *labels = new QVBoxLayout;
    labels->setSpacing(0);
    labels->setContentsMargins(0, 1, 0, 1);
    for (const char *text : { "[ms]", "[%]" }) {
        auto *l = new QLabel(QString::fromLatin1(text), PanelMapowaniePrzyciski);
        l->setFixedHeight(RowHeight2D);
        labels->addWidget(l);
    }
    gridLine->addLayout(labels);
    StringGridMapa2D = new MapGrid(QStringLiteral("StringGridMapa2D"), maps::Map2DEntries, 2, PanelMapowaniePrzyciski);
    StringGridMapa2D->setFixed(0, 1);
    StringGridMapa2D->setDefaultColWidth(32);
    StringGridMapa2D->setColWidth(1, 33);
    StringGridMapa2D->setDefaultRowHeight(RowHeight2D);
    StringGridMapa2D->setCellColors(LightYellow, Maroon);
    QFont f(QStringLiteral("Arial"));
    f.setBold(true);
    f.setPixelSize(15);
    StringGridMapa2D->setCellFont(f);
    for (int k = 0; k < maps::Map2DEntries; ++k)
        StringGridMapa2D->setCell(k, 1, QStringLiteral("0"));
    StringGridMapa2D->setDrawCell(
        [this](QPainter &p, int c, int r, const QRect &rect, MapGrid::CellState s) { drawCell(p, c, r, rect, s); });
    StringGridMapa2D->setKeyUp([this](int key, bool shift) { StringGridMapa2DKeyUp(key, shift); });
    StringGridMapa2D->setCopy([this] { copySelection(); });
    StringGridMapa2D->setPaste([this] { pasteAtSelection(); });
    StringGridMapa2D->fitToCells();
    StringGridMapa2D->setSelection({ 0, 1, 0, 1 });
    gridLine->addWidget(StringGridMapa2D);
    gridLine->addStretch(1);
    pv->addLayout(gridLine);

    // The buttons.
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    ButtonPlus1 = mapButton(PanelMapowaniePrzyciski, "ButtonPlus1", QStringLiteral("+1"));
    ButtonPlus5 = mapButton(PanelMapowaniePrzyciski, "ButtonPlus5", QStringLiteral("+5"));
    ButtonMinus1 = mapButton(PanelMapowaniePrzyciski, "ButtonMinus1", QStringLiteral("-1"));
    ButtonMinus5 = mapButton(PanelMapowaniePrzyciski, "ButtonMinus5", QStringLiteral("-5"));
    for (QPushButton *b : { ButtonPlus1, ButtonPlus5, ButtonMinus1, ButtonMinus5 }) {
        b->setFixedWidth(36);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    ButtonMapowanieSmooth = mapButton(PanelMapowaniePrzyciski, "ButtonMapowanieSmooth", QStringLiteral("smooth"));
    ButtonResetBenz = mapButton(PanelMapowaniePrzyciski, "ButtonResetBenz", QStringLiteral("reset gasoline"));
    ButtonResetGaz = mapButton(PanelMapowaniePrzyciski, "ButtonResetGaz", QStringLiteral("reset propane"));
    ButtonCallculateMap = mapButton(PanelMapowaniePrzyciski, "ButtonCallculateMap", QStringLiteral("calculate map"));
    for (QPushButton *b : { ButtonMapowanieSmooth, ButtonResetBenz, ButtonResetGaz, ButtonCallculateMap })
        buttons->addWidget(b);
    pv->addLayout(buttons);
    v->addWidget(PanelMapowaniePrzyciski);

    connect(PaintBoxMapowanie, &MappingPaintBox::mouseMoved, this, &MappingViewPage::PaintBoxMapowanieMouseMove);
    connect(PaintBoxMapowanie, &MappingPaintBox::clicked, this, &MappingViewPage::PaintBoxMapowanieClick);
    connect(ButtonPlus1, &QPushButton::clicked, this, &MappingViewPage::ButtonPlus1Click);
    connect(ButtonPlus5, &QPushButton::clicked, this, &MappingViewPage::ButtonPlus5Click);
    connect(ButtonMinus1, &QPushButton::clicked, this, &MappingViewPage::ButtonMinus1Click);
    connect(ButtonMinus5, &QPushButton::clicked, this, &MappingViewPage::ButtonMinus5Click);
    connect(ButtonMapowanieSmooth, &QPushButton::clicked, this, &MappingViewPage::ButtonMapowanieSmoothClick);
    connect(ButtonResetBenz, &QPushButton::clicked, this, &MappingViewPage::ButtonResetBenzClick);
    connect(ButtonResetGaz, &QPushButton::clicked, this, &MappingViewPage::ButtonResetGazClick);
    connect(ButtonCallculateMap, &QPushButton::clicked, this, &MappingViewPage::ButtonCallculateMapClick);
}

bool MappingViewPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == PanelMapowaniePrzyciski && event->type() == QEvent::Resize)
        apply2DGridWidth(PanelMapowaniePrzyciski->width());
    return QWidget::eventFilter(watched, event);
}

void MappingViewPage::apply2DGridWidth(int panelWidth)
{
    const layout::Map2DGridSize s = layout::map2DGridSize(panelWidth);
    StringGridMapa2D->setDefaultColWidth(s.colWidth);
    StringGridMapa2D->setColWidth(1, s.colWidth == 32 ? 33 : 0);
    QFont f = StringGridMapa2D->cellFont();
    f.setPixelSize(
        fittingPixelSize(f, 15, s.colWidth - 3, { QStringLiteral("-40"), QStringLiteral("24.0") }, RowHeight2D - 1));
    StringGridMapa2D->setCellFont(f);
    StringGridMapa2D->fitToCells();
    // The grid takes the width the rule gives it, and never less than its cells.
    const QSize cells = StringGridMapa2D->cellsSize();
    StringGridMapa2D->setFixedSize(std::max(cells.width(), s.width), cells.height());
}

// ---------------------------------------------------------------------------------------------------
// The view

const maps::MappingGeometry &MappingViewPage::geometry()
{
    // The mouse handlers use the geometry of the last paint; before the first one, the start-up
    // breakpoints over the view's present size.
    if (!m_painted)
        m_geometry = maps::mappingGeometry(PaintBoxMapowanie->width(), PaintBoxMapowanie->height(),
            maps::isTurbo(m_context.state.session.image), maps::InitialAxisMs);
    return m_geometry;
}

void MappingViewPage::PaintMappingView()
{
    showMap2DRows();
    const ControllerSession &s = m_context.state.session;
    const int width = std::max(1, PaintBoxMapowanie->width()), height = std::max(1, PaintBoxMapowanie->height());
    // The geometry the mouse handlers use is this record's at once; the picture is drawn from a
    // copy of what it shows when the view is painted.
    m_geometry = maps::mappingGeometry(width, height, s.image, s.timeBases);
    m_painted = true;
    struct Seen {
        ParameterImage image;
        TimeBases timeBases;
        LiveData live;
        int mouseX, mouseY, selected;
        QColor highlight;
        char decimalPoint;
    };
    auto seen = std::make_shared<const Seen>(Seen { s.image, s.timeBases, s.live, m_mouseX, m_mouseY, m_selected,
        PaintBoxMapowanie->palette().color(QPalette::Active, QPalette::Highlight),
        m_context.decimalPoint().toLatin1() });
    PaintBoxMapowanie->setPictureSource([seen, width, height] {
        MappingPicture in { seen->image, seen->timeBases, seen->live.AutoMapStore, seen->live };
        in.mouseX = seen->mouseX;
        in.mouseY = seen->mouseY;
        in.selected = seen->selected;
        in.highlight = seen->highlight;
        in.decimalPoint = seen->decimalPoint;
        return paintMappingPicture(width, height, in);
    });
}

void MappingViewPage::PaintBoxMapowanieMouseMove(int x, int y)
{
    m_mouseX = x;
    m_mouseY = y;
    m_selected = maps::selectedEntryAt(geometry(), x, m_selected);
}

void MappingViewPage::PaintBoxMapowanieClick()
{
    const ActionScope action = m_context.action(QStringLiteral("2D map: point"));
    takeShownValuesIntoImage();
    const int percent = maps::clickPercent(geometry(), m_mouseY);
    m_context.send(maps::setMap2DEntry(m_context.state.session.image, m_selected, percent));
    showValues();
}

// ---------------------------------------------------------------------------------------------------
// The 2D grid

void MappingViewPage::showMap2DRows()
{
    const ControllerSession &s = m_context.state.session;
    for (int k = 0; k < maps::Map2DEntries; ++k)
        StringGridMapa2D->setCell(k, 0, maps::injAxisText(s.image, k, s.timeBases, m_context.decimalPoint(), 1));
    showValues();
}

void MappingViewPage::showValues()
{
    for (int k = 0; k < maps::Map2DEntries; ++k)
        StringGridMapa2D->setCell(k, 1, QString::number(maps::map2DValue(m_context.state.session.image, k)));
    m_valuesFromImage = true;
}

void MappingViewPage::takeShownValuesIntoImage()
{
    if (m_valuesFromImage)
        return;
    for (int k = 0; k < maps::Map2DEntries; ++k) {
        const int v = maps::parseMapInteger(StringGridMapa2D->cell(k, 1)).value_or(0);
        maps::setCellValue(m_context.state.session.image, maps::Region::Map2D, 0, k, std::clamp(v, -40, 80));
    }
    m_valuesFromImage = true;
}

void MappingViewPage::repaintGrid()
{
    StringGridMapa2D->viewport()->update();
}

std::optional<int> MappingViewPage::liveColumn() const
{
    return maps::liveMap2DEntry(m_context.state.session.live, m_context.connected());
}

void MappingViewPage::drawCell(QPainter &p, int col, int row, const QRect &rect, MapGrid::CellState state) const
{
    const QString text = StringGridMapa2D->cell(col, row);
    const QRect textRect = rect.adjusted(1, 1, 0, 0);
    p.setFont(StringGridMapa2D->cellFont());
    if (row == 0) {
        // Breakpoint times in grey.
        p.fillRect(rect, StringGridMapa2D->fixedBackground());
        p.setPen(HeaderGrey);
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignTop, text);
        return;
    }
    const std::optional<int> v = maps::parseMapInteger(text);
    if (v && !state.selected) {
        p.fillRect(rect, toColor(maps::MapCellColour(*v)));
        p.setPen(Maroon);
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignTop, text);
    }
    const auto live = liveColumn();
    if (live && *live == col) {
        p.fillRect(rect, toColor(maps::LiveCellColour));
        p.setPen(Maroon);
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignTop, text);
    }
}

void MappingViewPage::step2D(int step)
{
    const GridRect sel = StringGridMapa2D->selection();
    const ActionScope action = m_context.action(QStringLiteral("2D map: %1%2").arg(step > 0 ? "+" : "").arg(step));
    takeShownValuesIntoImage();
    m_context.send(maps::stepCells(
        m_context.state.session.image, maps::Region::Map2D, maps::columnsRect(sel.left, sel.right), step));
    showValues();
}

void MappingViewPage::StringGridMapa2DKeyUp(int keyCode, bool shift)
{
    step2D(maps::keyStep(keyCode, shift));
}

void MappingViewPage::copySelection()
{
    const GridRect sel = StringGridMapa2D->selection();
    takeShownValuesIntoImage();
    QApplication::clipboard()->setText(
        maps::copyCells(m_context.state.session.image, maps::Region::Map2D, maps::columnsRect(sel.left, sel.right)));
}

void MappingViewPage::pasteAtSelection()
{
    const GridRect sel = StringGridMapa2D->selection();
    const ActionScope action = m_context.action(QStringLiteral("2D map: paste"));
    takeShownValuesIntoImage();
    const maps::PasteResult r = maps::pasteCells(
        m_context.state.session.image, maps::Region::Map2D, { 0, sel.left }, QApplication::clipboard()->text());
    if (!r.ok) {
        m_context.message(QStringLiteral("Nothing was pasted: %1").arg(r.error));
        return;
    }
    m_context.send(r.writes);
    showValues();
    StringGridMapa2D->setSelection({ r.rect.left, 1, r.rect.right, 1 });
}

// ---------------------------------------------------------------------------------------------------
// Smoothing, resets, calculation

void MappingViewPage::ButtonMapowanieSmoothClick()
{
    const ActionScope action = m_context.action(QStringLiteral("2D map: smoothing"));
    takeShownValuesIntoImage();
    m_context.send(maps::smoothMap2D(m_context.state.session.image));
    showValues();
}

void MappingViewPage::ButtonResetBenzClick()
{
    m_context.state.session.writes.command(ControllerCommand::ResetMapPetrol);
}

void MappingViewPage::ButtonResetGazClick()
{
    m_context.state.session.writes.command(ControllerCommand::ResetMapGas);
}

void MappingViewPage::ButtonCallculateMapClick()
{
    if (!m_context.confirm(ButtonCallculateMap->text()))
        return;
    const ActionScope action = m_context.action(QStringLiteral("2D map: calculation"));
    takeShownValuesIntoImage();
    ControllerSession &s = m_context.state.session;
    const maps::MapCalculation calc = maps::calculateMap(s.image, s.live.AutoMapStore, s.timeBases);
    if (!calc.applied)
        return; // fewer than two valid bands: nothing changes
    m_context.send(calc.writes);
    showValues();
}

} // namespace kelvane

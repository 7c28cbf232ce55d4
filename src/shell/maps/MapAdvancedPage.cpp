#include "MapAdvancedPage.h"

#include "LiveCells.h"
#include "MapEditing.h"
#include "MapLayout.h"
#include "ValueDialog.h"
#include "WheelGuard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelvane {

namespace {

constexpr int GridCols = 1 + maps::MainMapCols;
constexpr int GridRows = 1 + maps::MainMapRows;

// The engine-speed headers the window shows before the first connect.
const char *const StartRpmHeaders[8] = { "1000", "1500", "1800", "2500", "3500", "4500", "5500", "6500" };

// Pixels of a font size in points on the 96-dpi grid the window is designed on.
int pointsToPixels(int points)
{
    return (points * 4 + 2) / 3;
}

} // namespace

MapAdvancedPage::MapAdvancedPage(MapContext &context, TForm2 &form2, QWidget *parent)
    : QWidget(parent)
    , m_context(context)
    , m_form2(form2)
{
    setObjectName(QStringLiteral("MapAdvancedPage"));
    build();
}

void MapAdvancedPage::build()
{
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(2, 2, 2, 2);
    v->setSpacing(3);

    StringGridMapa = new MapGrid(QStringLiteral("StringGridMapa"), GridCols, GridRows, this);
    StringGridMapa->setFixed(1, 1);
    StringGridMapa->setDefaultColWidth(60);
    StringGridMapa->setDefaultRowHeight(20);
    QFont f(QStringLiteral("Arial"));
    f.setBold(true);
    f.setPixelSize(16);
    StringGridMapa->setCellFont(f);
    for (int c = 1; c < GridCols; ++c)
        StringGridMapa->setCell(c, 0, QString::fromLatin1(StartRpmHeaders[c - 1]));
    // A cell whose text is empty is drawn as "0".
    for (int r = 0; r < GridRows; ++r)
        for (int c = 0; c < GridCols; ++c)
            if (StringGridMapa->cell(c, r).isEmpty())
                StringGridMapa->setCell(c, r, QStringLiteral("0"));
    StringGridMapa->setEditableCell([this](int c, int r) { return headerEditing() && (c == 0) != (r == 0); });
    StringGridMapa->setDrawCell(
        [this](QPainter &p, int c, int r, const QRect &rect, MapGrid::CellState s) { drawCell(p, c, r, rect, s); });
    StringGridMapa->setKeyUp([this](int key, bool shift) { StringGridMapaKeyUp(key, shift); });
    StringGridMapa->setCopy([this] { copySelection(); });
    StringGridMapa->setPaste([this] { pasteAtSelection(); });
    connect(StringGridMapa, &MapGrid::cellClicked, this, &MapAdvancedPage::StringGridMapaClick);
    StringGridMapa->fitToCells();
    StringGridMapa->setSelection({ 1, 1, 1, 1 });
    v->addWidget(StringGridMapa, 0, Qt::AlignLeft | Qt::AlignTop);

    PanelMapAdj = new QFrame(this);
    PanelMapAdj->setObjectName(QStringLiteral("PanelMapAdj"));
    PanelMapAdj->setFrameShape(QFrame::StyledPanel);
    auto *g = new QGridLayout(PanelMapAdj);
    g->setContentsMargins(4, 3, 4, 3);
    g->setHorizontalSpacing(4);
    g->setVerticalSpacing(3);

    // First line: the step buttons, the preset maps, smoothing.
    auto *line1 = new QHBoxLayout;
    ButtonInc5 = mapButton(PanelMapAdj, "ButtonInc5", QStringLiteral("+5"));
    ButtonInc1 = mapButton(PanelMapAdj, "ButtonInc1", QStringLiteral("+1"));
    ButtonDecr1 = mapButton(PanelMapAdj, "ButtonDecr1", QStringLiteral("-1"));
    ButtonDecr5 = mapButton(PanelMapAdj, "ButtonDecr5", QStringLiteral("-5"));
    for (QPushButton *b : { ButtonInc5, ButtonInc1, ButtonDecr1, ButtonDecr5 }) {
        b->setFixedWidth(36);
        line1->addWidget(b);
    }
    line1->addSpacing(8);
    auto *mapDefine = new QLabel(QStringLiteral("map reset:"), PanelMapAdj);
    mapDefine->setObjectName(QStringLiteral("LabelMapDefine"));
    line1->addWidget(mapDefine);
    ComboBoxMapReset = new QComboBox(PanelMapAdj);
    ComboBoxMapReset->setObjectName(QStringLiteral("ComboBoxMapReset"));
    ComboBoxMapReset->addItems(maps::mapResetItems());
    ComboBoxMapReset->setFocusPolicy(Qt::NoFocus);
    // One turn would replace all 128 cells: the list changes by a pick from its list only.
    WheelGuard::neverTakeWheel(ComboBoxMapReset);
    line1->addWidget(ComboBoxMapReset);
    static const char *const mapButtons[4][2] = { { "ButtonMap1", "LowFlow" }, { "ButtonMap2", "MidFlow" },
        { "ButtonMap3", "HigFlow" }, { "ButtonMap4", "VhigFlow" } };
    for (int i = 0; i < 4; ++i) {
        ButtonMap[i] = mapButton(PanelMapAdj, mapButtons[i][0], QString::fromLatin1(mapButtons[i][1]));
        ButtonMap[i]->hide(); // clicked by the reset list only
        connect(ButtonMap[i], &QPushButton::clicked, this, [this, i] { ButtonMapClick(i + 1); });
    }
    line1->addSpacing(8);
    auto *mapSmooth = new QLabel(QStringLiteral("map smooth:"), PanelMapAdj);
    mapSmooth->setObjectName(QStringLiteral("Label90"));
    line1->addWidget(mapSmooth);
    ButtonMapSmooth = mapButton(PanelMapAdj, "ButtonMapSmooth", QStringLiteral("smooth"));
    line1->addWidget(ButtonMapSmooth);
    line1->addStretch(1);
    g->addLayout(line1, 0, 0);

    // Second line: the header-editing mode with its presets, the progress of the sending.
    auto *line2 = new QHBoxLayout;
    CheckBoxModPchar = new QCheckBox(QStringLiteral("Mod.Char. Poin."), PanelMapAdj);
    CheckBoxModPchar->setObjectName(QStringLiteral("CheckBoxModPchar"));
    CheckBoxModPchar->setFocusPolicy(Qt::NoFocus);
    line2->addWidget(CheckBoxModPchar);
    ComboBoxRpmDefs = new QComboBox(PanelMapAdj);
    ComboBoxRpmDefs->setObjectName(QStringLiteral("ComboBoxRpmDefs"));
    ComboBoxRpmDefs->addItems(maps::rpmPresetItems());
    ComboBoxRpmDefs->hide();
    line2->addWidget(ComboBoxRpmDefs);
    ComboBoxInjTdefs = new QComboBox(PanelMapAdj);
    ComboBoxInjTdefs->setObjectName(QStringLiteral("ComboBoxInjTdefs"));
    ComboBoxInjTdefs->addItems(maps::injPresetItems());
    ComboBoxInjTdefs->hide();
    // A preset replaces a whole axis: never by the wheel.
    WheelGuard::neverTakeWheel(ComboBoxRpmDefs);
    WheelGuard::neverTakeWheel(ComboBoxInjTdefs);
    line2->addWidget(ComboBoxInjTdefs);
    ButtonSaveMapCharP = mapButton(PanelMapAdj, "ButtonSaveMapCharP", QStringLiteral("Save Char. Poin."));
    ButtonSaveMapCharP->hide(); // clicked when the header-editing mode is left
    ProgressBarMapa = new QProgressBar(PanelMapAdj);
    ProgressBarMapa->setObjectName(QStringLiteral("ProgressBarMapa"));
    ProgressBarMapa->setRange(0, 128);
    ProgressBarMapa->setValue(0);
    ProgressBarMapa->setTextVisible(false);
    ProgressBarMapa->setMaximumHeight(14);
    line2->addWidget(ProgressBarMapa, 1);
    g->addLayout(line2, 1, 0);
    v->addWidget(PanelMapAdj);
    v->addStretch(1);

    connect(ButtonInc5, &QPushButton::clicked, this, &MapAdvancedPage::ButtonInc5Click);
    connect(ButtonInc1, &QPushButton::clicked, this, &MapAdvancedPage::ButtonInc1Click);
    connect(ButtonDecr1, &QPushButton::clicked, this, &MapAdvancedPage::ButtonDecr1Click);
    connect(ButtonDecr5, &QPushButton::clicked, this, &MapAdvancedPage::ButtonDecr5Click);
    connect(ComboBoxMapReset, qOverload<int>(&QComboBox::activated), this, &MapAdvancedPage::ComboBoxMapResetChange);
    connect(ButtonMapSmooth, &QPushButton::clicked, this, &MapAdvancedPage::ButtonMapSmoothClick);
    connect(CheckBoxModPchar, &QCheckBox::toggled, this, &MapAdvancedPage::CheckBoxModPcharClick);
    connect(ComboBoxRpmDefs, qOverload<int>(&QComboBox::activated), this, &MapAdvancedPage::ComboBoxRpmDefsChange);
    connect(ComboBoxInjTdefs, qOverload<int>(&QComboBox::activated), this, &MapAdvancedPage::ComboBoxInjTdefsChange);
    connect(ButtonSaveMapCharP, &QPushButton::clicked, this, &MapAdvancedPage::ButtonSaveMapCharPClick);
}

// ---------------------------------------------------------------------------------------------------
// Showing

void MapAdvancedPage::ShowMainMapCells()
{
    const ParameterImage &image = m_context.state.session.image;
    for (int r = 0; r < maps::MainMapRows; ++r)
        for (int c = 0; c < maps::MainMapCols; ++c)
            StringGridMapa->setCell(
                c + 1, r + 1, maps::FormatMapCell(image.byte(maps::cellOffset(maps::Region::MainMap, r, c))));
    m_cellsFromImage = true;
}

void MapAdvancedPage::ShowMapAxes()
{
    const maps::AxisTexts t
        = maps::axisTexts(m_context.state.session.image, m_context.state.session.timeBases, m_context.decimalPoint());
    for (int i = 0; i < maps::RpmAxisCount; ++i)
        StringGridMapa->setCell(i + 1, 0, t.rpm[static_cast<std::size_t>(i)]);
    for (int j = 0; j < maps::InjAxisCount; ++j)
        StringGridMapa->setCell(0, j + 1, t.injMs[static_cast<std::size_t>(j)]);
}

void MapAdvancedPage::showCells(const maps::MapRect &rect)
{
    const ParameterImage &image = m_context.state.session.image;
    for (int r = rect.top; r <= rect.bottom; ++r)
        for (int c = rect.left; c <= rect.right; ++c)
            StringGridMapa->setCell(
                c + 1, r + 1, maps::FormatMapCell(image.byte(maps::cellOffset(maps::Region::MainMap, r, c))));
}

void MapAdvancedPage::repaintGrid()
{
    StringGridMapa->viewport()->update();
}

std::optional<GridRect> MapAdvancedPage::liveCell() const
{
    const auto cell = maps::liveMainMapCell(m_context.state.session.live, m_context.connected());
    if (!cell)
        return std::nullopt;
    return GridRect { cell->col + 1, cell->row + 1, cell->col + 1, cell->row + 1 };
}

bool MapAdvancedPage::headerEditing() const
{
    return CheckBoxModPchar && CheckBoxModPchar->isChecked();
}

void MapAdvancedPage::drawCell(QPainter &p, int col, int row, const QRect &rect, MapGrid::CellState state) const
{
    // Header cells keep the grid's own drawing.
    if (col == 0 || row == 0)
        return;
    const QString text = StringGridMapa->cell(col, row);
    const std::optional<int> v = maps::parseMapInteger(text);
    const QRect textRect = rect.adjusted(1, 1, 0, 0);
    p.setFont(StringGridMapa->cellFont());
    if (v && !state.selected) {
        p.fillRect(rect, toColor(maps::MapCellColour(*v)));
        p.setPen(Qt::black);
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignTop, text);
    }
    const auto live = liveCell();
    if (live && live->left == col && live->top == row) {
        p.fillRect(rect, toColor(maps::LiveCellColour));
        p.setPen(Qt::black);
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignTop, text);
    }
}

void MapAdvancedPage::applyWindowSize(int windowWidth, int windowHeight, int panelAdjHeight)
{
    const layout::MainMapGridSize s
        = layout::mainMapGridSize(windowWidth, windowHeight, panelAdjHeight, PanelMapAdj->sizeHint().height());
    StringGridMapa->setDefaultColWidth(s.colWidth);
    StringGridMapa->setDefaultRowHeight(s.rowHeight);
    QFont f = StringGridMapa->cellFont();
    // The rule's size, made smaller where the widest texts would not fit their cells.
    f.setPixelSize(fittingPixelSize(f, pointsToPixels(s.fontPoints), s.colWidth - 3,
        { QStringLiteral("-100"), QStringLiteral("8000"), QStringLiteral("24.0") }, s.rowHeight - 1));
    StringGridMapa->setCellFont(f);
    StringGridMapa->fitToCells();
}

} // namespace kelvane

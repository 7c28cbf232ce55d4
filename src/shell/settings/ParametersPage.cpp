#include "ParametersPage.h"

#include "AppState.h"
#include "Build.h"
#include "LayoutRules.h"
#include "SettingsControls.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>
#include <utility>

namespace kelvane {

std::vector<SectionPlace> placeSections(int firstTop, const std::vector<SectionMeasure> &sections, int *height)
{
    std::vector<SectionPlace> out(sections.size());
    if (sections.empty()) {
        if (height)
            *height = firstTop;
        return out;
    }
    int y = firstTop + sections.front().headerHeight;
    out.front().headerTop = firstTop;
    for (std::size_t i = 0; i < sections.size(); ++i) {
        out[i].boxTop = y;
        if (i + 1 == sections.size()) {
            if (sections[i].open)
                y += sections[i].boxHeight;
            break;
        }
        y += sections[i].open ? sections[i].boxHeight + 1 : 1;
        out[i + 1].headerTop = y;
        y += sections[i + 1].headerHeight;
    }
    if (height)
        *height = y;
    return out;
}

int sectionWidth(int measuredWidth)
{
    return layout::parameterGroupWidth(measuredWidth);
}

// Stacks the header rows and group boxes of one page by the rule of placeSections, all of the width V
// its scroll box's resize handler gives them, and puts each expand mark at left V - 51 in the
// scrolling content; a narrower view scrolls sideways.
class SectionStack : public QLayout {
public:
    struct Row {
        QWidget *header = nullptr;
        QGroupBox *box = nullptr;
        QLabel *mark = nullptr; // a child of the header outside its layout
    };

    explicit SectionStack(QWidget *content)
        : QLayout(content)
    {
        // The sections start at the content's left edge, so the marks' left is the same in the
        // header and in the scrolling content.
        setContentsMargins(0, 2, 2, 2);
    }
    ~SectionStack() override
    {
        while (QLayoutItem *item = takeAt(0))
            delete item;
    }

    void addSection(QWidget *header, QGroupBox *box, QLabel *mark)
    {
        addChildWidget(header);
        addChildWidget(box);
        m_items.append(new QWidgetItem(header));
        m_items.append(new QWidgetItem(box));
        m_rows.push_back({ header, box, mark });
        invalidate();
    }
    const std::vector<Row> &rows() const { return m_rows; }

    int sectionWidth() const { return m_width; }
    void setSectionWidth(int width)
    {
        if (width == m_width)
            return;
        m_width = width;
        invalidate();
    }

    void addItem(QLayoutItem *item) override { m_items.append(item); }
    int count() const override { return static_cast<int>(m_items.size()); }
    QLayoutItem *itemAt(int index) const override { return m_items.value(index); }
    QLayoutItem *takeAt(int index) override
    {
        if (index < 0 || index >= m_items.size())
            return nullptr;
        QLayoutItem *item = m_items.takeAt(index);
        for (auto it = m_rows.begin(); it != m_rows.end(); ++it) {
            if (it->header == item->widget() || it->box == item->widget()) {
                m_rows.erase(it);
                break;
            }
        }
        return item;
    }
    Qt::Orientations expandingDirections() const override { return {}; }
    QSize sizeHint() const override { return total(); }
    QSize minimumSize() const override { return total(); }

    void setGeometry(const QRect &rect) override
    {
        QLayout::setGeometry(rect);
        const QMargins m = contentsMargins();
        const int width = m_width;
        const int left = rect.x() + m.left();
        const std::vector<SectionMeasure> measures = measure(width);
        const std::vector<SectionPlace> places = placeSections(rect.y() + m.top(), measures);
        for (std::size_t i = 0; i < m_rows.size(); ++i) {
            const Row &row = m_rows[i];
            row.header->setGeometry(left, places[i].headerTop, width, measures[i].headerHeight);
            if (measures[i].open)
                row.box->setGeometry(left, places[i].boxTop, width, measures[i].boxHeight);
            if (row.mark) {
                const QSize mark = markSize(row.mark);
                row.mark->setGeometry(layout::expandMarkLeft(width) - (left - rect.x()),
                    (measures[i].headerHeight - mark.height()) / 2, mark.width(), mark.height());
            }
        }
    }

private:
    // The mark keeps at least its design width and never reaches past the header's right edge.
    static QSize markSize(const QLabel *mark)
    {
        const QSize hint = mark->sizeHint();
        return { std::clamp(hint.width(), 45, 51), hint.height() };
    }
    static int heightOf(const QWidget *w, int width)
    {
        const int h = w->hasHeightForWidth() ? w->heightForWidth(width) : w->sizeHint().height();
        return std::max({ h, w->minimumHeight(), w->minimumSizeHint().height() });
    }
    std::vector<SectionMeasure> measure(int width) const
    {
        std::vector<SectionMeasure> out;
        for (const Row &row : m_rows) {
            int header = heightOf(row.header, width);
            if (row.mark)
                header = std::max(header, markSize(row.mark).height() + 4);
            out.push_back({ header, heightOf(row.box, width), !row.box->isHidden() });
        }
        return out;
    }
    QSize total() const
    {
        const QMargins m = contentsMargins();
        int height = 0;
        placeSections(m.top(), measure(m_width), &height);
        return { m_width + m.left() + m.right(), height + m.bottom() };
    }

    int m_width = layout::MinParameterGroupWidth;
    QList<QLayoutItem *> m_items;
    std::vector<Row> m_rows;
};

ParametersPage::ParametersPage(const GlobalTexts &texts, QWidget *parent)
    : QWidget(parent)
    , m_texts(texts)
{
    setObjectName(QStringLiteral("TabSheet2"));
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(2, 2, 2, 2);
    m_pageControl = new QTabWidget(this);
    m_pageControl->setObjectName(QStringLiteral("PageControlParametry"));
    m_pageControl->setDocumentMode(true);
    v->addWidget(m_pageControl);
    m_tabSheet21 = buildBasicSheet();
    m_tabSheet22 = buildAdvancedSheet();
    m_pageControl->addTab(m_tabSheet21, QStringLiteral("podstawowe"));
    m_pageControl->addTab(m_tabSheet22, QStringLiteral("zaawansowane"));
    // The width of the sections follows the page ("podstawowe") and the scroll box ("zaawansowane"),
    // taken whenever a scroll box is resized.
    m_basic.scroll->installEventFilter(this);
    m_advanced.scroll->installEventFilter(this);
    ScrollBox2Resize();
    ScrollBox1Resize();
    // Only the first section of each page starts open.
    LayoutParameterGroups();
    LayoutAdvancedGroups();
}

ParametersPage::Sheet ParametersPage::beginSheet(const QString &sheetName, const QString &scrollName)
{
    Sheet s;
    s.sheet = new QWidget;
    s.sheet->setObjectName(sheetName);
    auto *outer = new QVBoxLayout(s.sheet);
    outer->setContentsMargins(2, 2, 2, 2);
    s.info = new QHBoxLayout;
    outer->addLayout(s.info);

    s.scroll = new QScrollArea(s.sheet);
    s.scroll->setObjectName(scrollName);
    s.scroll->setWidgetResizable(true);
    s.content = new QWidget;
    s.sections = new SectionStack(s.content);
    s.scroll->setWidget(s.content);
    outer->addWidget(s.scroll, 1);
    return s;
}

void ParametersPage::finishSheet(const Sheet &s)
{
    s.info->addStretch(1);
}

QWidget *ParametersPage::buildBasicSheet()
{
    const Sheet s = beginSheet(QStringLiteral("TabSheet21"), QStringLiteral("ScrollBox2"));
    s.info->addWidget(
        build::label(s.sheet, QStringLiteral("LabelTimeBack"), QStringLiteral("back to propane time [s]:")));
    m_timeBack = build::readOnlyEdit(s.sheet, QStringLiteral("EditTimeBackViz"));
    m_timeBack->setMaximumWidth(80);
    s.info->addWidget(m_timeBack);

    static const char *const captions[6] = { "1.Car setup", "2.Propane injector", "3.Level setup",
        "4.Switch to propane", "5.Back to gasoline", "6.Extra injection, accelerate rich/lean" };
    static const std::vector<const char *> headers[6]
        = { {}, { "ComboBoxInjTyp" }, { "ComboBoxLevSensor" }, {}, {}, {} };
    static const std::vector<const char *> contents[6]
        = { { "ComboBoxRpmSet", "ComboBoxRpmSignal", "AbNumSpinRpmSignalV", "ComboBoxTurbo", "ComboBoxInjNum",
                "ComboBoxLambdaTyp" },
              { "AbNumSpinMinInj", "AbNumSpinPeak", "AbNumSpinHold" },
              { "AbNumSpinE", "AbNumSpin14", "AbNumSpin24", "AbNumSpin34", "CheckBoxLevelSensorNegativ",
                  "AbNumSpinRezRef", "CheckBoxWskaznikZasilany" },
              { "ComboBoxRpmSw", "ComboBoxTempSw", "AbNumSpinOnDelay", "AbNumSpinCylinderTime" },
              { "AbNumSpinOffPres", "ComboBoxMinRpm", "ComboBoxMaxRpm", "AbNumSpinOffDelay", "ComboBoxPowrotZminRpm",
                  "ComboBoxPowrotZminRpmTime", "CheckBoxValvetronic" },
              { "TrackBarExtraInj", "TrackBarAccelEnrich", "ComboBoxAccRich" } };
    for (int n = 1; n <= 6; ++n) {
        const QString num = QString::number(n);
        QGroupBox *box = addSection(s, true, QStringLiteral("ShapePar") + num, QStringLiteral("LabelPar") + num,
            QString::fromLatin1(captions[n - 1]), QStringLiteral("LabelParP") + num,
            QStringLiteral("GroupBoxPar") + num, n == 1, headers[n - 1]);
        m_par[static_cast<std::size_t>(n - 1)] = box;
        fillGroup(box, contents[n - 1]);
    }
    addStepButtons(m_par[5], "TrackBarExtraInj");
    addStepButtons(m_par[5], "TrackBarAccelEnrich");
    addUnitLabel(m_par[4], "ComboBoxPowrotZminRpmTime", "LabelCzasPowrotuG2", QStringLiteral("[s]"));
    // Shown only for the "0-14V" signal source, and while "back to propane after:" is on; the
    // valvetronic box is hidden in this layout.
    for (const char *hidden : { "AbNumSpinRpmSignalV", "CheckBoxValvetronic", "ComboBoxPowrotZminRpmTime",
             "LabelCzasPowrotuG", "LabelCzasPowrotuG2" }) {
        if (QWidget *w = s.content->findChild<QWidget *>(QString::fromLatin1(hidden)))
            w->hide();
    }
    finishSheet(s);
    m_basic = s;
    return s.sheet;
}

QWidget *ParametersPage::buildAdvancedSheet()
{
    const Sheet s = beginSheet(QStringLiteral("TabSheet22"), QStringLiteral("ScrollBox1"));
    m_workTime = build::label(s.sheet, QStringLiteral("LabelWorkTime"), QString());
    s.info->addWidget(m_workTime);

    static const char *const captions[8]
        = { "1.SENSORS:", "2.SERVICE:", "3.Propane Temperature Correction", "4.Reducer Temperature Correction",
              "5.External Relay Driver", "6.Injectors heating", "7.Mazda v.4", "8.Extras" };
    static const char *const headerNames[8] = { "LabelCzujniki", "LabelAdvService", "LabelTempCorPropan",
        "LabelTempCorRed", "LabelAdvRelayDr", "LabelInjHeat", "LabelAdv7", "LabelAdv8" };
    static const std::vector<const char *> headers[8] = { {}, {}, { "AbToggleSwitchTempCorProp" },
        { "AbToggleSwitchTempCorRed" }, {}, { "AbToggleSwitchInjHeat" }, { "AbToggleSwitchAdv7" }, {} };
    static const std::vector<const char *> contents[8]
        = { { "ComboBoxTGsensor", "ComboBoxTRsensor", "ComboBoxPresSensor", "ComboBoxMAPSensType" }, {}, {}, {},
              { "ComboBoxExtRelay" },
              { "AbNumSpinAdvTempHeat", "AbNumSpinAdvHeatT", "AbNumSpinAdvHeatNornal", "AbNumSpinAdvHeatLow",
                  "ComboBoxHeatMode" },
              {}, {} };
    for (int n = 1; n <= 8; ++n) {
        const QString num = QString::number(n);
        const QString toggle
            = n == 1 ? QStringLiteral("LabelR0") : QStringLiteral("LabelAdvR") + QString::number(n - 1);
        QGroupBox *box = addSection(s, false, QStringLiteral("ShapeAdv") + num, QString::fromLatin1(headerNames[n - 1]),
            QString::fromLatin1(captions[n - 1]), toggle, QStringLiteral("GroupBoxAdv") + num, n == 1, headers[n - 1]);
        m_adv[static_cast<std::size_t>(n - 1)] = box;
        if (n == 3 || n == 4) {
            // The temperature correction maps are stacked into these by their own code.
            auto *column = new QVBoxLayout(box);
            column->setContentsMargins(6, 4, 6, 4);
            box->setMinimumHeight(40);
        } else if (n == 7) {
            // The injection limits under their heading.
            fillRows(box,
                { { "=Label12", nullptr }, { "AbNumSpinMazdaMinInj", "AbNumSpinMinRpm" },
                    { "AbNumSpinMazdaMaxInj", "AbNumSpinFilterStep" } });
        } else if (n == 8) {
            // The switch's settings, then the beeper's under their heading.
            fillRows(box,
                { { "ComboBoxDifPenEm28", nullptr }, { "TrackBarSwitchBright", nullptr },
                    { "CheckBoxGazStart", nullptr }, { "=LabelBeeper", nullptr }, { "TrackBarBeepTime", nullptr },
                    { "ComboBoxBeepsWhenEmpty", nullptr }, { "ComboBoxErrorsBeep", nullptr },
                    { "CheckBoxSilentMode", "CheckBoxBeepWhenGazOn" },
                    { "CheckBoxBeepWhenSwClick", "CheckBoxBeepWhenError" } });
        } else {
            fillGroup(box, contents[n - 1]);
        }
    }
    // The injector heating group also shows the controller's heating time.
    auto *grid = static_cast<QGridLayout *>(m_adv[5]->layout());
    const int row = grid->rowCount();
    grid->addWidget(
        build::label(m_adv[5], QStringLiteral("LabelHeatWizTime"), QStringLiteral("heating time [s]:")), row, 0);
    m_heatTime = build::readOnlyEdit(m_adv[5], QStringLiteral("EditHeatWizTime"));
    m_heatTime->setMaximumWidth(80);
    grid->addWidget(m_heatTime, row, 1);
    addPercentEdit(m_adv[7], "TrackBarSwitchBright", "EditSwitchBright");
    addPercentEdit(m_adv[7], "TrackBarBeepTime", "EditBeepTime");
    finishSheet(s);
    m_advanced = s;
    return s.sheet;
}

QGroupBox *ParametersPage::addSection(const Sheet &sheet, bool basic, const QString &shapeName,
    const QString &headerName, const QString &caption, const QString &toggleName, const QString &boxName, bool open,
    const std::vector<const char *> &headerControls)
{
    // The header row: its shape with the caption, the controls of the header and the toggle label
    // (the expand mark), which the page places 51 pixels from the shape's right edge; the header's
    // own controls keep clear of it.
    QFrame *header = build::panel(sheet.content, shapeName);
    auto *h = new QHBoxLayout(header);
    h->setContentsMargins(6, 2, 51 + 4, 2);
    QLabel *title = build::label(header, headerName, caption);
    QFont f = title->font();
    f.setBold(true);
    title->setFont(f);
    h->addWidget(title);
    for (const char *control : headerControls) {
        if (QWidget *w = createSetting(header, control))
            h->addWidget(w);
    }
    h->addStretch(1);
    QLabel *toggle
        = build::label(header, toggleName, QString::fromStdString(open ? m_texts.groupOpen : m_texts.groupClosed));
    toggle->setCursor(Qt::PointingHandCursor);
    toggle->installEventFilter(this);

    QGroupBox *box = build::group(sheet.content, boxName, QString());
    box->setVisible(open);
    sheet.sections->addSection(header, box, toggle);
    m_sections.push_back({ toggle, box, basic, title });
    return box;
}

QLabel *ParametersPage::sectionTitle(const QGroupBox *box) const
{
    for (const Section &s : m_sections) {
        if (s.box == box)
            return s.title;
    }
    return nullptr;
}

namespace {
// Heading rows inside a section: a row whose left entry is "=Name".
struct Heading {
    const char *name;
    const char *text;
};
const Heading Headings[] = {
    { "Label12", "gas injection limits:" },
    { "LabelBeeper", "BEEPER:" },
};
} // namespace

void ParametersPage::fillGroup(QGroupBox *box, const std::vector<const char *> &controls)
{
    // Two columns of caption and control, the first half of the list on the left.
    const std::size_t perColumn = (controls.size() + 1) / 2;
    std::vector<SectionRow> rows;
    for (std::size_t i = 0; i < perColumn; ++i)
        rows.push_back({ controls[i], i + perColumn < controls.size() ? controls[i + perColumn] : nullptr });
    fillRows(box, rows);
}

void ParametersPage::fillRows(QGroupBox *box, const std::vector<SectionRow> &rows)
{
    auto *grid = new QGridLayout(box);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(3);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int row = static_cast<int>(i);
        const char *left = rows[i].left;
        if (left && left[0] == '=') {
            // A heading over the whole width of the section.
            for (const Heading &h : Headings) {
                if (std::strcmp(h.name, left + 1) != 0)
                    continue;
                QLabel *heading = build::label(box, QString::fromLatin1(h.name), QString::fromUtf8(h.text));
                QFont f = heading->font();
                f.setBold(true);
                heading->setFont(f);
                grid->addWidget(heading, row, 0, 1, 4);
            }
            continue;
        }
        const char *right = rows[i].right;
        // Check boxes carry their own text: alone or in pairs they take the whole width of the row,
        // so a long translation is not squeezed into a column of captioned controls.
        auto captionless = [](const char *c) { return c && settingCaption(c).isEmpty(); };
        if (captionless(left) && (!right || captionless(right))) {
            auto *line = new QHBoxLayout;
            line->setSpacing(12);
            for (const char *c : { left, right }) {
                if (QWidget *w = c ? createSetting(box, c) : nullptr)
                    line->addWidget(w);
            }
            line->addStretch(1);
            grid->addLayout(line, row, 0, 1, 5);
            continue;
        }
        if (left)
            addSetting(box, grid, row, 0, left);
        if (right)
            addSetting(box, grid, row, 2, right);
    }
    // The controls keep their natural widths; the room left over goes to the right.
    grid->setColumnStretch(4, 1);
    for (QSlider *track : box->findChildren<QSlider *>())
        track->setMinimumWidth(160);
    if (rows.empty())
        box->setMinimumHeight(40);
}

QHBoxLayout *ParametersPage::lineInPlaceOf(QGroupBox *box, const char *control, QWidget *&widget)
{
    widget = box->findChild<QWidget *>(QString::fromLatin1(control));
    auto *grid = static_cast<QGridLayout *>(box->layout());
    int row = 0, column = 0, rs = 0, cs = 0;
    grid->getItemPosition(grid->indexOf(widget), &row, &column, &rs, &cs);
    grid->removeWidget(widget);
    auto *line = new QHBoxLayout;
    grid->addLayout(line, row, column);
    return line;
}

void ParametersPage::addStepButtons(QGroupBox *box, const char *trackBar)
{
    // The buttons' names come with the track bar's row of the field table.
    const FieldDef *f = fieldOfControl(trackBar);
    QWidget *track = nullptr;
    QHBoxLayout *line = lineInPlaceOf(box, trackBar, track);
    auto button = [box](const char *name, const QString &text) {
        auto *b = new QPushButton(text, box);
        b->setObjectName(QString::fromLatin1(name));
        // Enabled with the track bar's write-back.
        b->setEnabled(false);
        b->setMaximumWidth(28);
        return b;
    };
    line->addWidget(button(f->stepDown, QStringLiteral("-")));
    line->addWidget(track, 1);
    line->addWidget(button(f->stepUp, QStringLiteral("+")));
}

void ParametersPage::addPercentEdit(QGroupBox *box, const char *trackBar, const char *editName)
{
    QWidget *track = nullptr;
    QHBoxLayout *line = lineInPlaceOf(box, trackBar, track);
    line->addWidget(track, 1);
    QLineEdit *edit = build::readOnlyEdit(box, QString::fromLatin1(editName));
    edit->setMaximumWidth(56);
    line->addWidget(edit);
    line->addWidget(new QLabel(QStringLiteral("%"), box));
}

void ParametersPage::addUnitLabel(QGroupBox *box, const char *control, const char *labelName, const QString &text)
{
    QWidget *w = nullptr;
    QHBoxLayout *line = lineInPlaceOf(box, control, w);
    line->addWidget(w, 1);
    line->addWidget(build::label(box, QString::fromLatin1(labelName), text));
}

bool ParametersPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        for (const Section &s : m_sections) {
            if (s.toggle == watched) {
                toggleSection(s.toggle);
                return true;
            }
        }
    }
    if (event->type() == QEvent::Resize) {
        if (watched == m_basic.scroll)
            ScrollBox2Resize();
        else if (watched == m_advanced.scroll)
            ScrollBox1Resize();
    }
    return QWidget::eventFilter(watched, event);
}

void ParametersPage::ScrollBox2Resize()
{
    // "podstawowe" measures the whole parameters tab (this page).
    if (!m_basic.sections)
        return;
    m_basic.sections->setSectionWidth(layout::parameterGroupWidth(width()));
    m_basic.sections->activate();
}

void ParametersPage::ScrollBox1Resize()
{
    if (!m_advanced.sections)
        return;
    m_advanced.sections->setSectionWidth(layout::parameterGroupWidth(m_advanced.scroll->width()));
    m_advanced.sections->activate();
}

void ParametersPage::toggleSection(QLabel *toggle)
{
    for (const Section &s : m_sections) {
        if (s.toggle != toggle)
            continue;
        const bool open = s.toggle->text() == QString::fromStdString(m_texts.groupOpen);
        s.toggle->setText(QString::fromStdString(open ? m_texts.groupClosed : m_texts.groupOpen));
        layoutSections(s.basic);
        return;
    }
}

void ParametersPage::LayoutParameterGroups()
{
    layoutSections(true);
}

void ParametersPage::LayoutAdvancedGroups()
{
    layoutSections(false);
}

void ParametersPage::layoutSections(bool basic)
{
    const QString open = QString::fromStdString(m_texts.groupOpen);
    for (const Section &s : m_sections) {
        if (s.basic == basic)
            s.box->setVisible(s.toggle->text() == open);
    }
    SectionStack *stack = basic ? m_basic.sections : m_advanced.sections;
    if (stack) {
        stack->invalidate();
        stack->activate();
    }
}

void ParametersPage::showHeatTime(const DisplayContext &c)
{
    m_heatTime->setText(QString::fromStdString(screenFixed(tenths(c.live.u16(rec::HeatTime)), 1, c.decimalPoint)));
}

void ParametersPage::showWorkTime(const DisplayContext &c, const StatusTexts &texts)
{
    m_workTime->setText(QString::fromStdString(
        workTimeText(c.live.u32(rec::PetrolWorkTime), c.live.u32(rec::GasWorkTime), texts, c.decimalPoint)));
}

void ParametersPage::showReturnTime(const DisplayContext &c)
{
    m_timeBack->setText(QString::fromStdString(screenFixed(tenths(c.live.u16(rec::ReturnTime)), 1, c.decimalPoint)));
}

} // namespace kelvane

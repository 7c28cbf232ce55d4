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

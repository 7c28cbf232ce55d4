#include "ScopePanel.h"

#include "Build.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace kelvane {

namespace {
QColor toQColor(ScopeColor c)
{
    return QColor::fromRgb(scopeColorToRgb(c));
}

ScopeColor fromQColor(const QColor &c)
{
    return static_cast<ScopeColor>(c.red()) | (static_cast<ScopeColor>(c.green()) << 8)
        | (static_cast<ScopeColor>(c.blue()) << 16);
}

QFont labelFont(int pointSize)
{
    QFont f;
    f.setPointSize(std::max(1, pointSize));
    return f;
}
} // namespace

// ---- the paint box ----

ScopePaintBox::ScopePaintBox(QWidget *parent)
    : QWidget(parent)
    , m_scope(fromQColor(palette().color(QPalette::Button)))
    , m_decimalPoint(systemDecimalPoint())
    , m_labelFont(labelFont(m_scope.FontSize))
    , m_labelMetrics(m_labelFont)
{
    setObjectName(QStringLiteral("PaintBoxScope"));
    // The paint event covers every pixel: nothing underneath needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    m_polyline.reserve(ScopeSamples);
}

void ScopePaintBox::feed(const ScopeSelection &selection, const DisplayContext &c)
{
    m_decimalPoint = c.decimalPoint;
    m_scope.FeedScope(selection, c.live, c.image, c.timeBases);
    const ScopeFrame &f = m_scope.Draw(width(), height(), width(), m_decimalPoint);
    // With every channel off the chart stays as it is: no paint.
    bool anything = f.readout.channel >= 0;
    for (const ScopeTrace &t : f.traces)
        anything = anything || t.enabled;
    if (anything || m_shownAnything)
        update();
    m_shownAnything = anything;
}

void ScopePaintBox::relayout()
{
    m_scope.Layout(width(), height(), width(), m_decimalPoint);
    m_shownAnything = true; // the next feed paints in any case
    update();
}

void ScopePaintBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void ScopePaintBox::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    m_scope.pointerMoved(at.x(), at.y());
    relayout();
}

void ScopePaintBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    m_scope.pointerPressed(at.x(), at.y());
    relayout();
}

void ScopePaintBox::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    m_scope.pointerLeft();
    relayout();
}

const QPixmap &ScopePaintBox::background(const ScopeFrame &f)
{
    const QSize size(f.width, f.height);
    if (m_background.isNull() || m_backgroundSize != size || m_backgroundColor != f.background
        || m_gridColor != f.gridColor) {
        m_background = QPixmap(size);
        m_background.fill(toQColor(f.background));
        QPainter p(&m_background);
        p.setPen(QPen(toQColor(f.gridColor), 0, Qt::DotLine));
        for (int y : f.gridY)
            p.drawLine(0, y, f.width - 1, y);
        for (int x : f.gridX)
            p.drawLine(x, 0, x, f.height - 1);
        m_backgroundSize = size;
        m_backgroundColor = f.background;
        m_gridColor = f.gridColor;
    }
    return m_background;
}

void ScopePaintBox::paintLabel(QPainter &p, const ScopeLabel &label, int slot, int width, int height)
{
    LabelText &t = m_labelTexts[static_cast<std::size_t>(slot)];
    if (t.text != label.text || t.layout.text().isEmpty()) {
        t.text = label.text;
        const QString text = QString::fromStdString(label.text);
        t.layout.setTextFormat(Qt::PlainText);
        t.layout.setText(text);
        t.layout.prepare(QTransform(), m_labelFont);
        t.width = m_labelMetrics.horizontalAdvance(text);
    }
    const int h = m_labelMetrics.height();
    const ScopePoint at = scopeKeepInside(label.x, label.y, t.width, h, width, height);
    p.fillRect(at.x, at.y, t.width, h, toQColor(label.brushColor));
    p.setPen(toQColor(label.fontColor));
    p.drawStaticText(at.x, at.y, t.layout);
}

void ScopePaintBox::paintEvent(QPaintEvent *)
{
    const ScopeFrame &f = m_scope.frame();
    QPainter p(this);
    if (f.width != width() || f.height != height()) {
        // Not laid out for this size yet (the first paint): the resize lays it out.
        p.fillRect(rect(), palette().color(QPalette::Button));
        return;
    }
    if (f.width == 0 || f.height == 0)
        return;
    p.drawPixmap(0, 0, background(f));
    if (m_labelFont.pointSize() != f.fontSize) {
        m_labelFont = labelFont(f.fontSize);
        m_labelMetrics = QFontMetrics(m_labelFont);
        m_labelTexts = {};
    }
    p.setFont(m_labelFont);
    for (int c = 0; c < ScopeChannels; ++c) {
        const ScopeTrace &t = f.traces[static_cast<std::size_t>(c)];
        if (t.enabled && t.pointCount > 0) {
            m_polyline.resize(static_cast<std::size_t>(t.pointCount));
            for (int i = 0; i < t.pointCount; ++i)
                m_polyline[static_cast<std::size_t>(i)] = QPoint(t.points[i].x, t.points[i].y);
            p.setPen(QPen(toQColor(t.color), t.penWidth));
            p.drawPolyline(m_polyline.data(), t.pointCount);
        }
        if (f.readout.channel == c)
            paintLabel(p, f.readout.label, LabelSlots - 1, f.width, f.height);
        if (t.enabled) {
            paintLabel(p, t.maxLabel, 2 * c, f.width, f.height);
            paintLabel(p, t.minLabel, 2 * c + 1, f.width, f.height);
            p.setPen(QPen(toQColor(t.minSquareColor), 3));
            p.setBrush(toQColor(t.color));
            p.drawRect(QRect(QPoint(t.minSquare.left, t.minSquare.top), QPoint(t.minSquare.right, t.minSquare.bottom)));
            p.setBrush(Qt::NoBrush);
        }
    }
}

// ---- the panel ----

ScopePanel::ScopePanel(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("PanelOsc"));
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Raised);
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(4, 3, 4, 3);
    v->setSpacing(2);
    auto *row = new QHBoxLayout;
    QStringList items;
    for (const ScopeItemInfo &item : ScopeItemList)
        items << QString::fromLatin1(item.text);
    for (int ch = 0; ch < ScopeShownChannels; ++ch) {
        const auto c = static_cast<std::size_t>(ch);
        QComboBox *combo = build::combo(this, QString::fromLatin1(ScopeComboNames[c]), items);
        combo->setCurrentIndex(scope::Off);
        // The combo's text has the colour of its trace.
        QPalette pal = combo->palette();
        pal.setColor(QPalette::Text, toQColor(ScopeChannelColors[c]));
        pal.setColor(QPalette::ButtonText, toQColor(ScopeChannelColors[c]));
        combo->setPalette(pal);
        m_combos[c] = combo;
        row->addWidget(combo);
    }
    row->addStretch(1);
    v->addLayout(row);
    m_paintBox = new ScopePaintBox(this);
    v->addWidget(m_paintBox, 1);
}

ScopeSelection ScopePanel::selection() const
{
    ScopeSelection s;
    for (int ch = 0; ch < ScopeShownChannels; ++ch) {
        const QComboBox *combo = m_combos[static_cast<std::size_t>(ch)];
        s.item[static_cast<std::size_t>(ch)] = combo->currentIndex();
        if (combo->hasFocus())
            s.focusedChannel = ch;
    }
    s.buttonFace = fromQColor(palette().color(QPalette::Button));
    return s;
}

void ScopePanel::feed(const DisplayContext &context)
{
    m_paintBox->feed(selection(), context);
}

} // namespace kelvane

#include "Build.h"

#include "TAbBar.h"
#include "TAbColBitBtn.h"
#include "TAbLED.h"
#include "TAbNumSpin.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "LayoutRules.h"

#include <utility>
#include <vector>

namespace build {

QFrame *panel(QWidget *parent, const QString &name)
{
    auto *f = new QFrame(parent);
    f->setObjectName(name);
    f->setFrameShape(QFrame::StyledPanel);
    f->setFrameShadow(QFrame::Raised);
    return f;
}

QLabel *label(QWidget *parent, const QString &name, const QString &text)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QGroupBox *group(QWidget *parent, const QString &name, const QString &caption)
{
    auto *g = new QGroupBox(caption, parent);
    g->setObjectName(name);
    return g;
}

TAbBar *bar(QWidget *parent, const QString &name, double min, double max, Qt::Orientation orientation, int decimals,
    const QString &caption)
{
    auto *b = new TAbBar(parent);
    b->setObjectName(name);
    b->setOrientation(orientation);
    b->setRange(min, max);
    b->setDecimals(decimals);
    if (!caption.isEmpty())
        b->setCaption(caption);
    return b;
}

TAbLED *led(QWidget *parent, const QString &name, const QString &caption, const QColor &color)
{
    auto *l = new TAbLED(parent);
    l->setObjectName(name);
    l->setLedColor(color);
    if (!caption.isEmpty())
        l->setCaption(caption);
    return l;
}

TAbColBitBtn *injectorSwitch(QWidget *parent, const QString &name, const QColor &onColor)
{
    auto *b = new TAbColBitBtn(parent);
    b->setObjectName(name);
    b->setOnText(QStringLiteral("on"));
    b->setOffText(QStringLiteral("off"));
    b->setOnColor(onColor);
    b->setOffColor(QColor(0xff, 0x00, 0x00));
    // A switch grows with its row, like the bar beside it.
    b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    b->setMaximumHeight(36);
    return b;
}

TAbColBitBtn *commandButton(QWidget *parent, const QString &name, const QString &text)
{
    auto *b = new TAbColBitBtn(parent);
    b->setObjectName(name);
    b->setOnText(text);
    b->setOffText(text);
    b->setOnColor(Qt::black);
    b->setOffColor(Qt::black);
    return b;
}

TAbNumSpin *spin(QWidget *parent, const QString &name, double min, double max, double step, int decimals)
{
    auto *s = new TAbNumSpin(parent);
    s->setObjectName(name);
    s->setDecimals(decimals);
    s->setRange(min, max);
    s->setStep(step);
    return s;
}

QComboBox *combo(QWidget *parent, const QString &name, const QStringList &items)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(name);
    c->addItems(items);
    return c;
}

QLineEdit *readOnlyEdit(QWidget *parent, const QString &name)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    return e;
}

} // namespace build

namespace build {

namespace {
class LabelFontScaler : public QObject {
public:
    LabelFontScaler(QWidget *panel, int designHeight)
        : QObject(panel)
        , m_design(designHeight)
    {
        for (QLabel *l : panel->findChildren<QLabel *>()) {
            const QFontInfo info(l->font());
            m_labels.push_back({ l, info.pixelSize() });
        }
        panel->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize) {
            const int h = static_cast<QWidget *>(watched)->height();
            for (const auto &[label, basePx] : m_labels) {
                QFont f = label->font();
                f.setPixelSize(kelvane::layout::ruleA(h, basePx * 3, basePx, m_design));
                label->setFont(f);
            }
        }
        return false;
    }

private:
    int m_design;
    std::vector<std::pair<QLabel *, int>> m_labels;
};
} // namespace

void scaleLabelFonts(QWidget *panel, int designHeight)
{
    new LabelFontScaler(panel, designHeight);
}

} // namespace build

#pragma once
// Small factories the page builders share: every control gets its name as objectName at creation.

#include <QColor>
#include <QString>
#include <QStringList>

class QWidget;
class QLabel;
class QGroupBox;
class QFrame;
class QComboBox;
class QCheckBox;
class QLineEdit;
class TAbBar;
class TAbLED;
class TAbColBitBtn;
class TAbNumSpin;

namespace build {

QFrame *panel(QWidget *parent, const QString &name);
QLabel *label(QWidget *parent, const QString &name, const QString &text);
QGroupBox *group(QWidget *parent, const QString &name, const QString &caption);
TAbBar *bar(QWidget *parent, const QString &name, double min, double max, Qt::Orientation orientation, int decimals = 1,
    const QString &caption = QString());
TAbLED *led(QWidget *parent, const QString &name, const QString &caption = QString(),
    const QColor &color = QColor(0x20, 0xc0, 0x30));
// An injector switch: "on" / "off" with the given on colour, "off" in red.
TAbColBitBtn *injectorSwitch(QWidget *parent, const QString &name, const QColor &onColor);
// A command button: the same text in both states.
TAbColBitBtn *commandButton(QWidget *parent, const QString &name, const QString &text);
TAbNumSpin *spin(QWidget *parent, const QString &name, double min, double max, double step, int decimals);
QComboBox *combo(QWidget *parent, const QString &name, const QStringList &items);
QLineEdit *readOnlyEdit(QWidget *parent, const QString &name);

// Text colours of the injector switches in their on state.
inline QColor petrolOnColor()
{
    return QColor(0x80, 0x00, 0x00);
} // maroon
inline QColor gasOnColor()
{
    return QColor(0x40, 0x00, 0x00);
} // very dark red

} // namespace build

namespace build {
// Labels inside a panel scale their font with the panel's height (rule A): at the design height
// and below they have their design size, at most three times that.
void scaleLabelFonts(QWidget *panel, int designHeight);
} // namespace build

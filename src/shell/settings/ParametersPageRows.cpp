// The rows inside a parameter section: captions and controls, headings, step buttons, percent and unit labels.
#include "ParametersPage.h"

#include "Build.h"
#include "SettingsControls.h"
#include "SettingsSections.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include <cstring>

namespace kelvane {

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
            if (const char *text = headingText(left + 1)) {
                QLabel *heading = build::label(box, QString::fromLatin1(left + 1), QString::fromUtf8(text));
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

} // namespace kelvane

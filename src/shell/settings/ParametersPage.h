#pragma once
// The parameter page "[F3]parameters" (TabSheet2) with its sub-pages "podstawowe" (TabSheet21) and
// "zaawansowane" (TabSheet22): collapsible sections, each a header row (its shape ShapeParN /
// ShapeAdvN with the caption, any control of the header and the toggle label) over a group box.
// A section is open while its toggle label reads "- <<<<" and closed while it reads "- >>>>".

#include "DisplayContext.h"
#include "Readings.h"
#include "SettingsSections.h"

#include <QWidget>

#include <array>
#include <string>
#include <vector>

class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QScrollArea;
class QTabWidget;
class QVBoxLayout;

namespace kelvane {

struct GlobalTexts;

// Where the rows of a page of sections go, top to bottom: the first header at `firstTop`; below each
// header its group box; an open box adds its height + 1, a closed one (hidden) adds 1; then the next
// header. Plain arithmetic, so the rule is tested without widgets.
struct SectionMeasure {
    int headerHeight = 0;
    int boxHeight = 0;
    bool open = false;
};
struct SectionPlace {
    int headerTop = 0;
    int boxTop = 0;
};
// `height`: the bottom of the last row (the last box when open, else the top of where it would be).
std::vector<SectionPlace> placeSections(
    int firstTop, const std::vector<SectionMeasure> &sections, int *height = nullptr);
// Width of the sections and their header shapes: the width they are measured from - 40, at least 557
// (layout::parameterGroupWidth).
int sectionWidth(int measuredWidth);

class SectionStack;

class ParametersPage : public QWidget {
    Q_OBJECT
public:
    ParametersPage(const GlobalTexts &texts, QWidget *parent = nullptr);

    QTabWidget *pageControl() const { return m_pageControl; }
    QWidget *basicSheet() const { return m_tabSheet21; }
    QWidget *advancedSheet() const { return m_tabSheet22; }
    QGroupBox *advancedGroup(int n) const { return m_adv[static_cast<std::size_t>(n - 1)]; }
    QGroupBox *basicGroup(int n) const { return m_par[static_cast<std::size_t>(n - 1)]; }
    // The title label in the header of a section's group box.
    QLabel *sectionTitle(const QGroupBox *box) const;

    // Display steps 6, 15 and 16 of a decode.
    void showHeatTime(const DisplayContext &context);
    void showWorkTime(const DisplayContext &context, const StatusTexts &texts);
    void showReturnTime(const DisplayContext &context);

    // A click on a section's toggle label: swaps its text and lays its page out again.
    void toggleSection(QLabel *toggle);
    // Shows each section's group box exactly when its toggle label reads open and stacks the rows
    // by the rule of placeSections; page "podstawowe" and page "zaawansowane".
    void LayoutParameterGroups();
    void LayoutAdvancedGroups();
    // On a resize of a scroll box: V = the width of the parameters tab ("podstawowe", ScrollBox2) or
    // of the scroll box itself ("zaawansowane", ScrollBox1) - 40, at least 557; the group boxes and
    // their header shapes take width V and the expand marks move to left V - 51.
    void ScrollBox2Resize();
    void ScrollBox1Resize();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Section {
        QLabel *toggle = nullptr;
        QGroupBox *box = nullptr;
        bool basic = true;
        QLabel *title = nullptr;
    };
    // What the two sheets share: the sheet, its information line above the sections and the
    // scrolling content that stacks the sections.
    struct Sheet {
        QWidget *sheet = nullptr;
        QHBoxLayout *info = nullptr;
        QScrollArea *scroll = nullptr;
        QWidget *content = nullptr;
        SectionStack *sections = nullptr;
    };
    Sheet beginSheet(const QString &sheetName, const QString &scrollName);
    void finishSheet(const Sheet &sheet);
    // Page "podstawowe" (sections 1 to 6) and page "zaawansowane" (sections 1 to 8).
    QWidget *buildBasicSheet();
    QWidget *buildAdvancedSheet();
    QGroupBox *addSection(const Sheet &sheet, bool basic, const QString &shapeName, const QString &headerName,
        const QString &caption, const QString &toggleName, const QString &boxName, bool open,
        const std::vector<const char *> &headerControls);
    void fillGroup(QGroupBox *box, const std::vector<const char *> &controls);
    void fillRows(QGroupBox *box, const std::vector<SectionRow> &rows);
    // Takes `control` out of its grid cell and puts a row layout there; `widget` is the control.
    QHBoxLayout *lineInPlaceOf(QGroupBox *box, const char *control, QWidget *&widget);
    void addStepButtons(QGroupBox *box, const char *trackBar);
    void addPercentEdit(QGroupBox *box, const char *trackBar, const char *editName);
    void addUnitLabel(QGroupBox *box, const char *control, const char *labelName, const QString &text);
    void layoutSections(bool basic);

    const GlobalTexts &m_texts;
    QTabWidget *m_pageControl = nullptr;
    QWidget *m_tabSheet21 = nullptr;
    QWidget *m_tabSheet22 = nullptr;
    Sheet m_basic;
    Sheet m_advanced;
    std::array<QGroupBox *, 6> m_par {};
    std::array<QGroupBox *, 8> m_adv {};
    std::vector<Section> m_sections;
    QLineEdit *m_timeBack = nullptr;
    QLineEdit *m_heatTime = nullptr;
    QLabel *m_workTime = nullptr;
};

} // namespace kelvane

#pragma once
// The parameter page "[F3]parameters" (TabSheet2) with its sub-pages "podstawowe" (TabSheet21) and
// "zaawansowane" (TabSheet22): collapsible sections, each a header with a toggle label and a group box.

#include "DisplayContext.h"
#include "Readings.h"

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

class ParametersPage : public QWidget {
    Q_OBJECT
public:
    ParametersPage(const GlobalTexts &texts, QWidget *parent = nullptr);

    QTabWidget *pageControl() const { return m_pageControl; }
    QWidget *basicSheet() const { return m_tabSheet21; }
    QWidget *advancedSheet() const { return m_tabSheet22; }
    QGroupBox *advancedGroup(int n) const { return m_adv[static_cast<std::size_t>(n - 1)]; }
    QGroupBox *basicGroup(int n) const { return m_par[static_cast<std::size_t>(n - 1)]; }

    // Display steps 6, 15 and 16 of a decode.
    void showHeatTime(const DisplayContext &context);
    void showWorkTime(const DisplayContext &context, const StatusTexts &texts);
    void showReturnTime(const DisplayContext &context);

    // Opens or closes a section (a click on its toggle label).
    void toggleSection(QLabel *toggle);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Section {
        QLabel *toggle = nullptr;
        QGroupBox *box = nullptr;
    };
    // What the two sheets share: the sheet, its information line above the sections and the
    // scrolling content that stacks the sections.
    struct Sheet {
        QWidget *sheet = nullptr;
        QHBoxLayout *info = nullptr;
        QWidget *content = nullptr;
        QVBoxLayout *sections = nullptr;
    };
    Sheet beginSheet(const QString &sheetName, const QString &scrollName);
    void finishSheet(const Sheet &sheet);
    // Page "podstawowe" (sections 1 to 6) and page "zaawansowane" (sections 1 to 8).
    QWidget *buildBasicSheet();
    QWidget *buildAdvancedSheet();
    QGroupBox *addSection(QWidget *content, QLayout *layout, const QString &headerName, const QString &caption,
                          const QString &toggleName, const QString &boxName, bool open,
                          const std::vector<const char *> &headerControls);
    void fillGroup(QGroupBox *box, const std::vector<const char *> &controls);
    void addStepButtons(QGroupBox *box, const char *trackBar, const char *minusName, const char *plusName);
    void addPercentEdit(QGroupBox *box, const char *trackBar, const char *editName);

    const GlobalTexts &m_texts;
    QTabWidget *m_pageControl = nullptr;
    QWidget *m_tabSheet21 = nullptr;
    QWidget *m_tabSheet22 = nullptr;
    std::array<QGroupBox *, 6> m_par {};
    std::array<QGroupBox *, 8> m_adv {};
    std::vector<Section> m_sections;
    QLineEdit *m_timeBack = nullptr;
    QLineEdit *m_heatTime = nullptr;
    QLabel *m_workTime = nullptr;
};

} // namespace kelvane

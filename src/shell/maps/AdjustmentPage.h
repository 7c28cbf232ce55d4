#pragma once
// "[F4]adjustment" (TabSheet3): the main settings panel PanelAdj above the map pages "[F6]mapping"
// (TabSheet41) and "[F7]advanced map" (TabSheet51).

#include <QWidget>

class QTabWidget;

namespace kelvane {

class AdjustmentPage : public QWidget {
    Q_OBJECT
public:
    explicit AdjustmentPage(QWidget *parent = nullptr);
    QTabWidget *pageControl() const { return m_pageControl; }
    QWidget *mappingSheet() const { return m_tabSheet41; }
    QWidget *advancedMapSheet() const { return m_tabSheet51; }
    // The settings panel PanelAdj above the map pages.
    QWidget *settingsPanel() const { return m_panelAdj; }

private:
    QWidget *m_panelAdj = nullptr;
    QTabWidget *m_pageControl = nullptr;
    QWidget *m_tabSheet41 = nullptr;
    QWidget *m_tabSheet51 = nullptr;
};

} // namespace kelvane

#pragma once
// The pages whose content arrives with the fuel maps and the adaptation: "[F4]adjustment" (TabSheet3,
// the main settings panel PanelAdj above the map pages) and "adaptation" (TabSheet5).

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

private:
    QTabWidget *m_pageControl = nullptr;
    QWidget *m_tabSheet41 = nullptr;
    QWidget *m_tabSheet51 = nullptr;
};

class AdaptationPage : public QWidget {
    Q_OBJECT
public:
    explicit AdaptationPage(QWidget *parent = nullptr);
};

} // namespace kelvane

#include "AdjustmentPage.h"

#include "Build.h"
#include "SettingsControls.h"
#include "TAbNumSpin.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kelvane {

AdjustmentPage::AdjustmentPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSheet3"));
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(2, 2, 2, 2);

    QFrame *adj = build::panel(this, QStringLiteral("PanelAdj"));
    auto *g = new QHBoxLayout(adj);
    static const char *const labels[3][2] = { { "LabelWzbogacenieGlowne", "AbNumSpinWzbogacenieGlowne" },
        { "LabelOffsetGlowny", "AbNumSpinOffsetGlowny" }, { "LabelCisnieniePracy", "AbNumSpinCisnieniePracy" } };
    for (const auto &l : labels) {
        g->addWidget(build::label(adj, QString::fromLatin1(l[0]), settingCaption(l[1])));
        g->addWidget(createSetting(adj, l[1]));
    }
    g->addStretch(1);
    v->addWidget(adj);
    m_panelAdj = adj;

    m_pageControl = new QTabWidget(this);
    m_pageControl->setObjectName(QStringLiteral("PageControlNastawy"));
    m_pageControl->setDocumentMode(true);
    m_tabSheet41 = new QWidget;
    m_tabSheet41->setObjectName(QStringLiteral("TabSheet41"));
    m_tabSheet51 = new QWidget;
    m_tabSheet51->setObjectName(QStringLiteral("TabSheet51"));
    m_pageControl->addTab(m_tabSheet41, QStringLiteral("[F6]mapping"));
    m_pageControl->addTab(m_tabSheet51, QStringLiteral("[F7]advanced map"));
    v->addWidget(m_pageControl, 1);
}

} // namespace kelvane

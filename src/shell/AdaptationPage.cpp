#include "AdaptationPage.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelvane {

AdaptationPage::AdaptationPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSheet5"));
    auto *v = new QVBoxLayout(this);
    auto *buttons = new QHBoxLayout;
    // The procedure's buttons stay disabled until the procedure itself is in place.
    static const char *const buttonNames[3][2] = {
        {"ButtonAdaptacjaStart", "START"}, {"ButtonAdaptacjaStop", "STOP"}, {"ButtonAdaptNext", "NEXT"}};
    for (const auto &b : buttonNames) {
        auto *button = new QPushButton(QString::fromLatin1(b[1]), this);
        button->setObjectName(QString::fromLatin1(b[0]));
        button->setEnabled(false);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    v->addLayout(buttons);
    auto *text = new QPlainTextEdit(this);
    text->setObjectName(QStringLiteral("RichEditAdapt"));
    text->setReadOnly(true);
    text->setEnabled(false);
    text->setPlainText(QStringLiteral("Adapt. commands:\n- Press START to make adaptation"));
    v->addWidget(text, 1);
}

} // namespace kelvane

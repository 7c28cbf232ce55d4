#include "KelvaneApplication.h"

#include "UserInteraction.h"

#include <exception>

KelvaneApplication::KelvaneApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

bool KelvaneApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        showException(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        showException(QStringLiteral("Unknown exception"));
    }
    return false;
}

void KelvaneApplication::showException(const QString &text)
{
    ++m_shown;
    if (m_user)
        m_user->showException(text);
    else
        qWarning("%s", qPrintable(text));
}

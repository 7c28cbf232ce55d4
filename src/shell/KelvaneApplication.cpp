#include "KelvaneApplication.h"

#include <QMessageBox>

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
    if (m_display) {
        m_display(text);
        return;
    }
    // An exception raised while its own message box is open is counted but not shown again.
    if (m_showing)
        return;
    m_showing = true;
    QMessageBox::critical(activeWindow(), applicationName(), text);
    m_showing = false;
}

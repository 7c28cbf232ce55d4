#pragma once
// The application object: an exception that escapes an event handler is shown to the user (a message
// box, or the report of an unattended run) and the program goes on with the next event.

#include <QApplication>

namespace kelvane {
class UserInteraction;
}

class KelvaneApplication : public QApplication {
    Q_OBJECT
public:
    KelvaneApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // Who is shown a caught exception; without one it goes to the warning log.
    void setUserInteraction(kelvane::UserInteraction *user) { m_user = user; }
    int exceptionsShown() const { return m_shown; }

private:
    void showException(const QString &text);

    kelvane::UserInteraction *m_user = nullptr;
    int m_shown = 0;
};

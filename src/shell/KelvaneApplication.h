#pragma once
// The application object: an exception that escapes an event handler is shown in a message box and
// the program goes on with the next event.

#include <QApplication>

#include <functional>

class KelvaneApplication : public QApplication {
    Q_OBJECT
public:
    KelvaneApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // How a caught exception is shown; a message box unless replaced (tests record it instead).
    void setExceptionDisplay(std::function<void(const QString &)> display) { m_display = std::move(display); }
    int exceptionsShown() const { return m_shown; }

private:
    void showException(const QString &text);

    std::function<void(const QString &)> m_display;
    int m_shown = 0;
    bool m_showing = false;
};

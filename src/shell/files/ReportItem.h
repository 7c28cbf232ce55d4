#pragma once
// "report..." in the menu "file": the workshop report of the connected controller as an A4 PDF, in
// the language the window shows. Asks for the free text (the workshop and the car) and the file;
// what the report holds and how it is painted are the report library's (ReportContent.h, ReportPdf.h).

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QMenu;
class QTimer;

namespace kelvane {

class AppState;
class UserInteraction;

class ReportItem : public QObject {
    Q_OBJECT
public:
    // Adds the item `report1` to `file` before `before`.
    ReportItem(QMenu &file, QAction *before, QTimer &pollTimer, AppState &state, UserInteraction &user);

    // The time a report is made at; now unless a test fixes it.
    std::function<QDateTime()> now;
    // The folder the window's executable lies in (where lang/ is looked for after the start directory).
    QString exeDir;

    QAction *action() const { return m_action; }
    // The last file written (empty when none was).
    QString lastWritten() const { return m_lastWritten; }

public slots:
    void report1Click();

private:
    QAction *m_action = nullptr;
    QTimer &m_pollTimer;
    AppState &m_state;
    UserInteraction &m_user;
    QString m_fitterText;
    QString m_lastWritten;
};

} // namespace kelvane

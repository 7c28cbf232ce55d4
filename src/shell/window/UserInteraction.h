#pragma once
// Everything that needs a person: a message, a question, a file name, a dialog of the program's own,
// a folder shown in the file browser, an exception the application caught. The window and its pages
// reach the fitter only through this interface; the program chooses the implementation once: message
// boxes and file dialogs (InteractiveUser), a report for a run nobody watches (UnattendedUser in
// Unattended.h), or a script in the tests.

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QDialog;
class QUrl;
class QWidget;

namespace kelvane {

struct GlobalTexts;

// The three single-pattern filters of the parameter-file dialogs; the third is preselected.
extern const char *const ParameterFileFilters[3]; // "*.tqdpar", "*.tqd", "*.kvset"

struct FileDialogRequest {
    enum class Mode { Open, Save };
    Mode mode = Mode::Open;
    QString title;
    QString directory; // where the dialog starts
};

class UserInteraction {
public:
    virtual ~UserInteraction() = default;

    // A message with OK under the program's title.
    virtual void message(const QString &text) = 0;
    // A warning with a caption of its own ("File Error"); OK and Cancel both close it.
    virtual void captionedMessage(const QString &caption, const QString &text) = 0;
    // A warning with OK and Cancel: true for OK. Enter answers Cancel unless `okByDefault`.
    virtual bool confirm(const QString &caption, const QString &text, bool okByDefault = false) = 0;
    // A question with Yes and No: true for Yes.
    virtual bool ask(const QString &caption, const QString &text) = 0;
    // A question with one button per choice (the first is the default): the index chosen, or -1
    // when the question was closed without a choice.
    virtual int choose(const QString &caption, const QString &text, const QStringList &choices) = 0;
    // The parameter-file dialog: the chosen path, or an empty string for Cancel.
    virtual QString chooseParameterFile(const FileDialogRequest &request) = 0;
    // A log file to open, starting in `directory`; empty for Cancel.
    virtual QString chooseLogToOpen(const QString &directory) = 0;
    // The file a recording goes to, `suggestion` preset; empty for Cancel.
    virtual QString chooseRecordingFile(const QString &suggestion) = 0;
    // The file a report goes to, `suggestion` preset; empty for Cancel.
    virtual QString chooseReportFile(const QString &suggestion) = 0;
    // A free text of a few lines, `preset` filled in: the text, or nothing for Cancel.
    virtual std::optional<QString> askText(const QString &caption, const QString &label, const QString &preset) = 0;
    // Runs a modal dialog of the program's own: QDialog::Accepted or QDialog::Rejected.
    virtual int runDialog(QDialog &dialog) = 0;
    // Shows a folder in the desktop's file browser: false when that failed.
    virtual bool openFolder(const QUrl &folder) = 0;
    // An exception the application caught in an event handler.
    virtual void showException(const QString &text) = 0;
};

// Message boxes and file dialogs over the window; the wait cursor of a long exchange is lifted while
// one is open.
class InteractiveUser : public UserInteraction {
public:
    explicit InteractiveUser(const GlobalTexts &texts);
    // The window the boxes and dialogs belong to (none until it exists).
    void setWindow(QWidget *window) { m_window = window; }

    void message(const QString &text) override;
    void captionedMessage(const QString &caption, const QString &text) override;
    bool confirm(const QString &caption, const QString &text, bool okByDefault = false) override;
    bool ask(const QString &caption, const QString &text) override;
    int choose(const QString &caption, const QString &text, const QStringList &choices) override;
    QString chooseParameterFile(const FileDialogRequest &request) override;
    QString chooseLogToOpen(const QString &directory) override;
    QString chooseRecordingFile(const QString &suggestion) override;
    QString chooseReportFile(const QString &suggestion) override;
    std::optional<QString> askText(const QString &caption, const QString &label, const QString &preset) override;
    int runDialog(QDialog &dialog) override;
    bool openFolder(const QUrl &folder) override;
    void showException(const QString &text) override;

private:
    QString title() const;

    const GlobalTexts &m_texts;
    QWidget *m_window = nullptr;
    bool m_showingException = false;
};

} // namespace kelvane

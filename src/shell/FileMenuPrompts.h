#pragma once
// The questions the file menu and the diagnostic pages put to the fitter: the parameter-file
// dialogs, an OK/Cancel warning, and modal dialogs of their own. Each can be replaced (tests answer
// them without a window); left empty, the real dialog is shown. A window whose messages go to a
// sink (an unattended run) never waits on one: its questions are reported and answered Cancel.

#include <QString>

#include <functional>

class QDialog;
class QWidget;
class TForm1;

namespace kelvane {

// The three single-pattern filters of the parameter-file dialogs; the third is preselected.
extern const char *const ParameterFileFilters[3]; // "*.tqdpar", "*.tqd", "*.kvset"

struct FileDialogRequest {
    enum class Mode { Open, Save };
    Mode mode = Mode::Open;
    QString title;
    QString directory; // where the dialog starts
};

struct Prompts {
    // The chosen path, or an empty string for Cancel.
    std::function<QString(const FileDialogRequest &)> chooseFile;
    // A warning with OK and Cancel: true for OK.
    std::function<bool(const QString &caption, const QString &text)> confirm;
    // Runs a modal dialog: QDialog::Accepted or QDialog::Rejected.
    std::function<int(QDialog &)> runDialog;
};

// The prompts as the window shows them, unless a hook of `prompts` answers instead.
QString chooseParameterFile(TForm1 &form, const Prompts &prompts, const FileDialogRequest &request);
bool confirmWarning(TForm1 &form, const Prompts &prompts, const QString &caption, const QString &text);
int runModal(TForm1 &form, const Prompts &prompts, QDialog &dialog);
// A message with a caption of its own ("File Error"), OK and Cancel; to the window's message sink
// when it has one.
void showCaptionedMessage(TForm1 &form, const QString &caption, const QString &text);

} // namespace kelvane

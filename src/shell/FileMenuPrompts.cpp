#include "FileMenuPrompts.h"

#include "MainWindow.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace kelvane {

const char *const ParameterFileFilters[3] = { "*.tqdpar", "*.tqd", "*.kvset" };

namespace {

// A dialog must not show the wait cursor of a long exchange around it.
class NormalCursor {
public:
    NormalCursor()
        : m_busy(QApplication::overrideCursor() != nullptr)
    {
        if (m_busy)
            QApplication::restoreOverrideCursor();
    }
    ~NormalCursor()
    {
        if (m_busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    NormalCursor(const NormalCursor &) = delete;
    NormalCursor &operator=(const NormalCursor &) = delete;

private:
    bool m_busy;
};

} // namespace

QString chooseParameterFile(TForm1 &form, const Prompts &prompts, const FileDialogRequest &request)
{
    if (prompts.chooseFile)
        return prompts.chooseFile(request);
    if (form.hasMessageSink()) {
        form.showMessage((request.title + QStringLiteral(": no file dialog in an unattended run")).toStdString());
        return QString();
    }
    NormalCursor cursor;
    QFileDialog dialog(&form, request.title, request.directory);
    dialog.setObjectName(
        request.mode == FileDialogRequest::Mode::Save ? QStringLiteral("SaveDialog1") : QStringLiteral("OpenDialog1"));
    QStringList filters;
    for (const char *f : ParameterFileFilters)
        filters << QString::fromLatin1(f);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.at(2));
    // A typed name without an extension gets ".kvset".
    dialog.setDefaultSuffix(QStringLiteral("kvset"));
    if (request.mode == FileDialogRequest::Mode::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

bool confirmWarning(TForm1 &form, const Prompts &prompts, const QString &caption, const QString &text)
{
    if (prompts.confirm)
        return prompts.confirm(caption, text);
    if (form.hasMessageSink()) {
        // Nobody is there to answer: report the question and take it as Cancel.
        form.showMessage((text + QStringLiteral(" (not confirmed in an unattended run)")).toStdString());
        return false;
    }
    NormalCursor cursor;
    return QMessageBox::warning(&form, caption, text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel)
        == QMessageBox::Ok;
}

int runModal(TForm1 &form, const Prompts &prompts, QDialog &dialog)
{
    if (prompts.runDialog)
        return prompts.runDialog(dialog);
    if (form.hasMessageSink())
        return QDialog::Rejected;
    NormalCursor cursor;
    return dialog.exec();
}

void showCaptionedMessage(TForm1 &form, const QString &caption, const QString &text)
{
    if (form.hasMessageSink()) {
        form.showMessage((caption + QStringLiteral(": ") + text).toStdString());
        return;
    }
    NormalCursor cursor;
    // OK and Cancel: either closes it.
    QMessageBox::warning(&form, caption, text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
}

} // namespace kelvane

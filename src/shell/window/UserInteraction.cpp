#include "UserInteraction.h"

#include "AppState.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

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

InteractiveUser::InteractiveUser(const GlobalTexts &texts)
    : m_texts(texts)
{
}

QString InteractiveUser::title() const
{
    return QString::fromStdString(m_texts.applicationTitle);
}

void InteractiveUser::message(const QString &text)
{
    NormalCursor cursor;
    QMessageBox::information(m_window, title(), text);
}

void InteractiveUser::captionedMessage(const QString &caption, const QString &text)
{
    NormalCursor cursor;
    // OK and Cancel: either closes it.
    QMessageBox::warning(m_window, caption, text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
}

bool InteractiveUser::confirm(const QString &caption, const QString &text, bool okByDefault)
{
    NormalCursor cursor;
    return QMessageBox::warning(m_window, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
               okByDefault ? QMessageBox::NoButton : QMessageBox::Cancel)
        == QMessageBox::Ok;
}

bool InteractiveUser::ask(const QString &caption, const QString &text)
{
    NormalCursor cursor;
    return QMessageBox::question(m_window, caption, text) == QMessageBox::Yes;
}

int InteractiveUser::choose(const QString &caption, const QString &text, const QStringList &choices)
{
    NormalCursor cursor;
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, m_window);
    box.setObjectName(QStringLiteral("ChoiceBox"));
    std::vector<QAbstractButton *> buttons;
    for (const QString &c : choices)
        buttons.push_back(box.addButton(c, QMessageBox::AcceptRole));
    if (!buttons.empty())
        box.setDefaultButton(qobject_cast<QPushButton *>(buttons.front()));
    box.exec();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (box.clickedButton() == buttons[i])
            return static_cast<int>(i);
    return -1;
}

QString InteractiveUser::chooseParameterFile(const FileDialogRequest &request)
{
    NormalCursor cursor;
    QFileDialog dialog(m_window, request.title, request.directory);
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

QString InteractiveUser::chooseLogToOpen(const QString &directory)
{
    NormalCursor cursor;
    return QFileDialog::getOpenFileName(
        m_window, QStringLiteral("Open a log"), directory, QStringLiteral("CSV log (*.csv);;All files (*)"));
}

QString InteractiveUser::chooseRecordingFile(const QString &suggestion)
{
    NormalCursor cursor;
    return QFileDialog::getSaveFileName(
        m_window, QStringLiteral("Save the recording"), suggestion, QStringLiteral("CSV log (*.csv);;All files (*)"));
}

QString InteractiveUser::chooseReportFile(const QString &suggestion)
{
    NormalCursor cursor;
    return QFileDialog::getSaveFileName(
        m_window, QStringLiteral("report"), suggestion, QStringLiteral("PDF (*.pdf);;All files (*)"));
}

std::optional<QString> InteractiveUser::askText(const QString &caption, const QString &label, const QString &preset)
{
    NormalCursor cursor;
    bool ok = false;
    const QString text = QInputDialog::getMultiLineText(m_window, caption, label, preset, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

int InteractiveUser::runDialog(QDialog &dialog)
{
    NormalCursor cursor;
    return dialog.exec();
}

bool InteractiveUser::openFolder(const QUrl &folder)
{
    return QDesktopServices::openUrl(folder);
}

void InteractiveUser::showException(const QString &text)
{
    // An exception raised while its own message box is open is not shown again.
    if (m_showingException)
        return;
    m_showingException = true;
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(), text);
    m_showingException = false;
}

} // namespace kelvane

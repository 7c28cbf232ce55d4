#include "FileMenu.h"

#include "AppState.h"
#include "BlockingGuards.h"
#include "CompareDialog.h"
#include "ImageCompare.h"
#include "MainWindow.h"
#include "ParameterFile.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QProgressBar>
#include <QTimer>

namespace kelvane {

QString datedFirstSaveName(const QString &chosenPath, const QDate &today)
{
    const QString name = QFileInfo(chosenPath).fileName();
    const QString folder = chosenPath.left(chosenPath.size() - name.size());
    const QString date = fileNameDate(today);
    // A leading dot starts a name, not an extension.
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return folder + name + date;
    return folder + name.left(dot) + date + name.mid(dot);
}

namespace {

// What an upload shows in the window: the progress bar ProgressBar1, the messages, the controls.
class WindowUploadView : public UploadView {
public:
    explicit WindowUploadView(TForm1 &form)
        : m_form(form)
        , m_bar(form.findChild<QProgressBar *>(QStringLiteral("ProgressBar1")))
    {
    }
    void setProgress(int position, int maximum) override { m_form.setProgress(position, maximum); }
    void stepProgress() override
    {
        if (m_bar)
            m_bar->setValue(std::min(m_bar->value() + 1, m_bar->maximum()));
    }
    void finishProgress() override
    {
        if (m_bar) {
            m_bar->setValue(m_bar->maximum());
            m_bar->repaint();
        }
    }
    void showMessage(const std::string &text) override { m_form.showMessage(text); }
    void showImage() override { m_form.showImage(); }

private:
    TForm1 &m_form;
    QProgressBar *m_bar;
};

QString nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

FileMenu::FileMenu(TForm1 &form, AppState &state)
    : QObject(&form)
    , m_form(form)
    , m_state(state)
{
    setObjectName(QStringLiteral("FileMenu"));
    today = [] { return QDate::currentDate(); };

    auto item = [&form](const char *name) { return form.findChild<QAction *>(QString::fromLatin1(name)); };
    if (QAction *save = item("savetodisk1")) {
        save->setEnabled(true);
        connect(save, &QAction::triggered, this, &FileMenu::savetodisk1Click);
    }
    if (QAction *load = item("loadtoECU1")) {
        load->setEnabled(true);
        connect(load, &QAction::triggered, this, &FileMenu::loadtoECU1Click);
    }
    m_reset = item("RESET1");
    if (m_reset) {
        m_reset->setEnabled(true);
        connect(m_reset, &QAction::triggered, this, &FileMenu::RESET1Click);
    }
    // The two items of our own go before "exit".
    if (auto *file = form.findChild<QMenu *>(QStringLiteral("File1"))) {
        QAction *exit = item("exit1");
        auto *restore = new QAction(QStringLiteral("restore point..."), file);
        restore->setObjectName(QStringLiteral("restorePoint1"));
        connect(restore, &QAction::triggered, this, &FileMenu::restorePoint1Click);
        auto *compare = new QAction(QStringLiteral("compare with ECU..."), file);
        compare->setObjectName(QStringLiteral("compareWithECU1"));
        connect(compare, &QAction::triggered, this, &FileMenu::compareWithECU1Click);
        file->insertAction(exit, restore);
        file->insertAction(exit, compare);
        file->insertSeparator(exit);
    }
}

QString FileMenu::startDirectory() const
{
    // The start directory is kept as an absolute path; the files are addressed from it, so the
    // process's current directory is left alone.
    return QString::fromStdString(m_state.startDirectory);
}

void FileMenu::savetodisk1Click()
{
    const QString start = startDirectory();
    const QString folder = parameterDirectory(start);
    // A first save in this start directory makes the parameter folder and dates the file's name.
    const bool firstSave = !QFileInfo(folder).isDir();
    if (firstSave && !QDir().mkpath(folder)) {
        m_form.showMessage(QStringLiteral("The folder %1 could not be created.").arg(nativePath(folder)).toStdString());
        return;
    }
    const QString chosen = chooseParameterFile(
        m_form, prompts, { FileDialogRequest::Mode::Save, QStringLiteral("save to disk"), folder });
    if (chosen.isEmpty())
        return;
    const QString path = firstSave ? datedFirstSaveName(chosen, today()) : chosen;
    QString error;
    if (!saveParameterFile(path, m_state.session.image.bytes, &error))
        m_form.showMessage(QStringLiteral("The parameter file was not saved.\n%1").arg(error).toStdString());
}

void FileMenu::loadtoECU1Click()
{
    const QString path = chooseParameterFile(m_form, prompts,
        { FileDialogRequest::Mode::Open, QStringLiteral("load to ECU"), parameterDirectory(startDirectory()) });
    if (!path.isEmpty())
        loadFile(path);
}

void FileMenu::restorePoint1Click()
{
    const QString folder = restorePointDirectory(startDirectory());
    if (!QFileInfo(folder).isDir()) {
        m_form.showMessage(QStringLiteral("No restore point has been kept yet. Before every load to the ECU and every "
                                          "reset, the ECU's settings are kept in %1.")
                               .arg(nativePath(folder))
                               .toStdString());
        return;
    }
    const QString path = chooseParameterFile(
        m_form, prompts, { FileDialogRequest::Mode::Open, QStringLiteral("restore point - load to ECU"), folder });
    if (!path.isEmpty())
        loadFile(path);
}

void FileMenu::loadFile(const QString &path)
{
    UploadResult r;
    {
        TimerPause pause(m_form.timer());
        BusyCursor busy;
        WindowUploadView view(m_form);
        UploadOptions options;
        options.startDirectory = startDirectory();
        r = loadParameterFile(m_state.session, path, options, view);
    }
    m_last = r;
    report(r, false, path);
}

void FileMenu::RESET1Click()
{
    // The question is the item's caption ("RESET ECU", or what the language file made of it).
    const QString question = m_reset ? m_reset->text().remove(QLatin1Char('&')) : QStringLiteral("RESET ECU");
    if (!confirmWarning(m_form, prompts, QString::fromStdString(m_state.texts.applicationTitle), question))
        return;
    UploadResult r;
    {
        TimerPause pause(m_form.timer());
        BusyCursor busy;
        WindowUploadView view(m_form);
        UploadOptions options;
        options.startDirectory = startDirectory();
        r = resetToDefaults(m_state.session, options, view);
    }
    m_last = r;
    report(r, true, QString());
}

void FileMenu::report(const UploadResult &r, bool reset, const QString &file)
{
    const QString restore = r.restorePoint.isEmpty()
        ? QString()
        : QStringLiteral("\nThe ECU's settings from before are kept as a restore point:\n%1")
              .arg(nativePath(r.restorePoint));
    const QString warning = r.warning.empty() ? QString() : QLatin1Char('\n') + QString::fromStdString(r.warning);
    switch (r.status) {
    case UploadStatus::Done:
        m_form.showMessage((reset ? QStringLiteral("The ECU is reset to its factory settings.")
                                  : QStringLiteral("%1 is loaded into the ECU.").arg(QFileInfo(file).fileName()))
                               .append(warning)
                               .append(restore)
                               .toStdString());
        return;
    case UploadStatus::FileError:
        showCaptionedMessage(m_form, QString::fromLatin1(FileErrorCaption),
            QString::fromLatin1(FileErrorText) + QLatin1Char('\n') + QString::fromStdString(r.message));
        return;
    case UploadStatus::NotConnected:
        // "no connection" / "No Connection" has been shown by the upload; the controls show the image.
        if (!warning.isEmpty())
            m_form.showMessage(warning.mid(1).toStdString());
        return;
    default:
        m_form.showMessage((reset ? QStringLiteral("The ECU was not reset: ")
                                  : QStringLiteral("%1 was not loaded into the ECU: ").arg(QFileInfo(file).fileName()))
                               .append(QString::fromStdString(r.message))
                               .append(restore)
                               .toStdString());
        return;
    }
}

void FileMenu::compareWithECU1Click()
{
    const QString path = chooseParameterFile(m_form, prompts,
        { FileDialogRequest::Mode::Open, QStringLiteral("compare with ECU"), parameterDirectory(startDirectory()) });
    if (path.isEmpty())
        return;
    ParameterFileData data;
    QString error;
    if (!readParameterFile(path, data, &error)) {
        showCaptionedMessage(m_form, QString::fromLatin1(FileErrorCaption),
            QString::fromLatin1(FileErrorText) + QLatin1Char('\n') + error);
        return;
    }
    // The image a load would leave: a shorter file replaces only its own bytes.
    ParameterImage fromFile = m_state.session.image;
    applyParameterFile(data, fromFile.bytes);
    const ImageComparison comparison = compareImages(m_state.session.image, fromFile, m_state.session.timeBases);
    CompareDialog dialog(&m_form, path, compareRows(comparison, &m_form), parameterFileLengthNote(path, data),
        m_state.session.conn.Connected);
    if (runModal(m_form, prompts, dialog) == QDialog::Accepted)
        loadFile(path);
}

} // namespace kelvane

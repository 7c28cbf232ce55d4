#include "FileMenu.h"

#include "AppState.h"
#include "BlockingGuards.h"
#include "CompareDialog.h"
#include "ImageCompare.h"
#include "ParameterFile.h"
#include "ReportItem.h"
#include "UserInteraction.h"

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
    WindowUploadView(ConnectionView &display, QProgressBar &bar)
        : m_display(display)
        , m_bar(bar)
    {
    }
    void setProgress(int position, int maximum) override { m_display.setProgress(position, maximum); }
    void stepProgress() override { m_bar.setValue(std::min(m_bar.value() + 1, m_bar.maximum())); }
    void finishProgress() override
    {
        m_bar.setValue(m_bar.maximum());
        m_bar.repaint();
    }
    void showMessage(const std::string &text) override { m_display.showMessage(text); }
    void showImage() override { m_display.showImage(); }

private:
    ConnectionView &m_display;
    QProgressBar &m_bar;
};

QString nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

FileMenu::FileMenu(QWidget &window, const FileMenuItems &items, ConnectionView &display, QProgressBar &progress,
    QTimer &pollTimer, AppState &state, UserInteraction &user)
    : QObject(&window)
    , m_window(window)
    , m_display(display)
    , m_progress(progress)
    , m_pollTimer(pollTimer)
    , m_state(state)
    , m_user(user)
    , m_reset(items.reset)
{
    setObjectName(QStringLiteral("FileMenu"));
    today = [] { return QDate::currentDate(); };

    items.save->setEnabled(true);
    connect(items.save, &QAction::triggered, this, &FileMenu::savetodisk1Click);
    items.load->setEnabled(true);
    connect(items.load, &QAction::triggered, this, &FileMenu::loadtoECU1Click);
    m_reset->setEnabled(true);
    connect(m_reset, &QAction::triggered, this, &FileMenu::RESET1Click);
    // The two items of our own go before "exit".
    auto *restore = new QAction(QStringLiteral("restore point..."), items.file);
    restore->setObjectName(QStringLiteral("restorePoint1"));
    connect(restore, &QAction::triggered, this, &FileMenu::restorePoint1Click);
    auto *compare = new QAction(QStringLiteral("compare with ECU..."), items.file);
    compare->setObjectName(QStringLiteral("compareWithECU1"));
    connect(compare, &QAction::triggered, this, &FileMenu::compareWithECU1Click);
    items.file->insertAction(items.exit, restore);
    items.file->insertAction(items.exit, compare);
    m_reportItem = new ReportItem(*items.file, items.exit, pollTimer, state, user);
    items.file->insertSeparator(items.exit);
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
        m_user.message(QStringLiteral("The folder %1 could not be created.").arg(nativePath(folder)));
        return;
    }
    const QString chosen
        = m_user.chooseParameterFile({ FileDialogRequest::Mode::Save, QStringLiteral("save to disk"), folder });
    if (chosen.isEmpty())
        return;
    const QString path = firstSave ? datedFirstSaveName(chosen, today()) : chosen;
    QString error;
    if (!saveParameterFile(path, m_state.session.image.bytes, &error))
        m_user.message(QStringLiteral("The parameter file was not saved.\n%1").arg(error));
}

void FileMenu::loadtoECU1Click()
{
    const QString path = m_user.chooseParameterFile(
        { FileDialogRequest::Mode::Open, QStringLiteral("load to ECU"), parameterDirectory(startDirectory()) });
    if (!path.isEmpty())
        loadFile(path);
}

void FileMenu::restorePoint1Click()
{
    const QString folder = restorePointDirectory(startDirectory());
    if (!QFileInfo(folder).isDir()) {
        m_user.message(QStringLiteral("No restore point has been kept yet. Before every load to the ECU and every "
                                      "reset, the ECU's settings are kept in %1.")
                           .arg(nativePath(folder)));
        return;
    }
    const QString path = m_user.chooseParameterFile(
        { FileDialogRequest::Mode::Open, QStringLiteral("restore point - load to ECU"), folder });
    if (!path.isEmpty())
        loadFile(path);
}

void FileMenu::loadFile(const QString &path)
{
    m_last = upload([&](const UploadOptions &options, UploadView &view) {
        return loadParameterFile(m_state.session, path, options, view);
    });
    report(m_last, false, path);
}

UploadResult FileMenu::uploadImage(const ImageBytes &target, const std::string &action, const char *what)
{
    return upload([&](const UploadOptions &options, UploadView &view) {
        return uploadImageBytes(m_state.session, target, action, what, options, view);
    });
}

UploadResult FileMenu::upload(const std::function<UploadResult(const UploadOptions &, UploadView &)> &send)
{
    // The upload blocks the window: no polling tick in between, the wait cursor meanwhile.
    TimerPause pause(&m_pollTimer);
    BusyCursor busy;
    WindowUploadView view(m_display, m_progress);
    UploadOptions options;
    options.startDirectory = startDirectory();
    return send(options, view);
}

void FileMenu::RESET1Click()
{
    // The question is the item's caption ("RESET ECU", or what the language file made of it).
    const QString question = m_reset->text().remove(QLatin1Char('&'));
    if (!m_user.confirm(QString::fromStdString(m_state.texts.applicationTitle), question))
        return;
    m_last = upload([&](const UploadOptions &options, UploadView &view) {
        return resetToDefaults(m_state.session, options, view);
    });
    report(m_last, true, QString());
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
        m_user.message((reset ? QStringLiteral("The ECU is reset to its factory settings.")
                              : QStringLiteral("%1 is loaded into the ECU.").arg(QFileInfo(file).fileName()))
                           .append(warning)
                           .append(restore));
        return;
    case UploadStatus::FileError:
        m_user.captionedMessage(QString::fromLatin1(FileErrorCaption),
            QString::fromLatin1(FileErrorText) + QLatin1Char('\n') + QString::fromStdString(r.message));
        return;
    case UploadStatus::NotConnected:
        // "no connection" / "No Connection" has been shown by the upload; the controls show the image.
        if (!warning.isEmpty())
            m_user.message(warning.mid(1));
        return;
    default:
        m_user.message((reset ? QStringLiteral("The ECU was not reset: ")
                              : QStringLiteral("%1 was not loaded into the ECU: ").arg(QFileInfo(file).fileName()))
                           .append(QString::fromStdString(r.message))
                           .append(restore));
        return;
    }
}

void FileMenu::compareWithECU1Click()
{
    const QString path = m_user.chooseParameterFile(
        { FileDialogRequest::Mode::Open, QStringLiteral("compare with ECU"), parameterDirectory(startDirectory()) });
    if (path.isEmpty())
        return;
    ParameterFileData data;
    QString error;
    if (!readParameterFile(path, data, &error)) {
        m_user.captionedMessage(
            QString::fromLatin1(FileErrorCaption), QString::fromLatin1(FileErrorText) + QLatin1Char('\n') + error);
        return;
    }
    // The image a load would leave: a shorter file replaces only its own bytes.
    ParameterImage fromFile = m_state.session.image;
    applyParameterFile(data, fromFile.bytes);
    const ImageComparison comparison = compareImages(m_state.session.image, fromFile, m_state.session.timeBases);
    CompareDialog dialog(&m_window, path, compareRows(comparison, &m_window), parameterFileLengthNote(path, data),
        m_state.session.conn.Connected);
    if (m_user.runDialog(dialog) == QDialog::Accepted)
        loadFile(path);
}

} // namespace kelvane

#include "ParameterFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>

#include <algorithm>

namespace kelvane {

const char *const ParameterDirName = "parametry";
const char *const RestorePointDirName = "backup";
const char *const ParameterFileSuffix = "kvset";

namespace {

// Whether a path that exists is something other than a regular file (symbolic links followed),
// with the reason.
bool notRegular(const QString &path, QString *why)
{
    struct stat st { };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || S_ISREG(st.st_mode))
        return false;
    *why = S_ISDIR(st.st_mode) ? QStringLiteral("is a directory") : QStringLiteral("is not a regular file");
    return true;
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

} // namespace

bool readParameterFile(const QString &path, ParameterFileData &out, QString *error)
{
    QString why;
    if (notRegular(path, &why)) {
        setError(error, QStringLiteral("Cannot open %1: %2").arg(path, why));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));
        return false;
    }
    // Only the image's length is read, however long the file is.
    const QByteArray data = file.read(ImageSize);
    if (file.error() != QFileDevice::NoError) {
        setError(error, QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
        return false;
    }
    out.bytes = data;
    out.fileLength = std::max<qint64>(file.size(), data.size());
    return true;
}

QString parameterFileLengthNote(const QString &path, const ParameterFileData &data)
{
    if (data.fileLength < ImageSize)
        return QStringLiteral("%1 holds %2 bytes, fewer than %3: only image bytes 0 to %4 are replaced, the rest "
                              "keep their values")
            .arg(path)
            .arg(data.fileLength)
            .arg(ImageSize)
            .arg(data.fileLength - 1);
    if (data.fileLength > ImageSize)
        return QStringLiteral("%1 holds %2 bytes, more than %3: only the first %3 are used")
            .arg(path)
            .arg(data.fileLength)
            .arg(ImageSize);
    return QString();
}

void applyParameterFile(const ParameterFileData &data, ImageBytes &image)
{
    const int n = static_cast<int>(std::min<qsizetype>(data.bytes.size(), ImageSize));
    for (int i = 0; i < n; ++i)
        image[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(data.bytes.at(i));
}

bool saveParameterFile(const QString &path, const ImageBytes &image, QString *error)
{
    QString why;
    if (notRegular(path, &why)) {
        setError(error, QStringLiteral("Cannot write %1: it %2; not replaced").arg(path, why));
        return false;
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        setError(error, QStringLiteral("Cannot write %1: %2").arg(path, out.errorString()));
        return false;
    }
    if (out.write(reinterpret_cast<const char *>(image.data()), ImageSize) != ImageSize) {
        const QString reason = out.errorString();
        out.cancelWriting();
        setError(error, QStringLiteral("Cannot write %1: %2").arg(path, reason));
        return false;
    }
    if (!out.commit()) {
        setError(error, QStringLiteral("Cannot write %1: %2").arg(path, out.errorString()));
        return false;
    }
    return true;
}

QString parameterDirectory(const QString &startDirectory)
{
    return QDir(startDirectory).filePath(QLatin1String(ParameterDirName));
}

QString restorePointDirectory(const QString &startDirectory)
{
    return QDir(parameterDirectory(startDirectory)).filePath(QLatin1String(RestorePointDirName));
}

QString fileNameDate(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

QString firstSaveFileName(const QString &chosenPath, const QDate &today)
{
    return chosenPath + fileNameDate(today);
}

QString writeRestorePoint(
    const QString &startDirectory, const ImageBytes &image, const QString &what, const QDateTime &when, QString *error)
{
    const QString dirPath = restorePointDirectory(startDirectory);
    if (!QDir().mkpath(dirPath)) {
        setError(error, QStringLiteral("Cannot create the folder %1").arg(dirPath));
        return QString();
    }
    const QDir dir(dirPath);
    const QString stem = fileNameDate(when.date()) + QLatin1Char('_') + when.time().toString(QStringLiteral("HH-mm-ss"))
        + QStringLiteral("_before-") + what;
    const QString suffix = QLatin1Char('.') + QLatin1String(ParameterFileSuffix);
    QString path = dir.filePath(stem + suffix);
    for (int n = 2; QFileInfo::exists(path) || QFileInfo(path).isSymLink(); ++n) {
        if (n > 999) {
            setError(error, QStringLiteral("Cannot name a restore point in %1: too many for one second").arg(dirPath));
            return QString();
        }
        path = dir.filePath(stem + QLatin1Char('_') + QString::number(n) + suffix);
    }
    QString reason;
    if (!saveParameterFile(path, image, &reason)) {
        setError(error, reason);
        return QString();
    }
    return path;
}

} // namespace kelvane

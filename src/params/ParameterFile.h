#pragma once
// Parameter files on disk: exactly the 768 image bytes, no header. Reading takes at most the
// first 768 bytes of a regular file, so a huge file is never read into memory; saving goes through
// a temporary file that is renamed over the old one, so an existing file is replaced whole or not
// at all. Restore points are parameter files that keep the controller's image before an upload.

#include "ParameterImage.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

namespace kelvane {

// The parameter directory inside the start directory, and the restore points inside that.
extern const char *const ParameterDirName; // "parametry"
extern const char *const RestorePointDirName; // "backup"
extern const char *const ParameterFileSuffix; // "kvset", the default extension

struct ParameterFileData {
    QByteArray bytes; // the file's first min(length, 768) bytes
    qint64 fileLength = 0; // the whole file's length
};

// Reads the first 768 bytes (or fewer) of a regular file; symbolic links are followed. A FIFO,
// a device or a directory is refused before it is opened (a FIFO would wait for a writer for ever).
// false with a one-line reason in `error` when the file cannot be opened or read.
bool readParameterFile(const QString &path, ParameterFileData &out, QString *error);

// A one-line note for a file that is not 768 bytes long (what the load does with it); empty for
// a file of exactly 768 bytes.
QString parameterFileLengthNote(const QString &path, const ParameterFileData &data);

// Copies the file's bytes into the image from offset 0: a shorter file replaces only as many
// bytes as it has, the rest keep their contents.
void applyParameterFile(const ParameterFileData &data, ImageBytes &image);

// Writes the 768 bytes to `path` (a temporary file in the same folder, renamed over the old file
// once it is complete). A path that exists and is not a regular file is refused. false with the
// reason in `error`; the old file is then as it was.
bool saveParameterFile(const QString &path, const ImageBytes &image, QString *error);

// <start>/parametry
QString parameterDirectory(const QString &startDirectory);
// <start>/parametry/backup
QString restorePointDirectory(const QString &startDirectory);

// The date as it goes into file names: "2026-12-10" (never the locale's short date, whose "/"
// would make a path of it).
QString fileNameDate(const QDate &date);
// The name a first save writes to (the parameter directory did not exist yet): the chosen path
// with the date appended directly after it, after the extension when there is one
// ("car.kvset" on 10 December 2026 becomes "car.kvset2026-12-10").
QString firstSaveFileName(const QString &chosenPath, const QDate &today);

// Keeps `image` as a restore point: <start>/parametry/backup/<yyyy-MM-dd_HH-mm-ss>_before-<what>.kvset,
// creating the folders; "_2", "_3", ... go before the extension when the name is taken, so no
// restore point ever replaces another. Returns the file's path, or an empty string with the
// reason in `error`.
QString writeRestorePoint(
    const QString &startDirectory, const ImageBytes &image, const QString &what, const QDateTime &when, QString *error);

} // namespace kelvane

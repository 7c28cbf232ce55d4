#include "DataLogger.h"

#include <QDateTime>
#include <QDir>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio> // rename
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace kelvane {

// ---- progress mark and label ----

void LogProgressMark::restart(const std::string &label)
{
    m_counter = 0;
    m_label = label;
}

void LogProgressMark::step(std::string &caption)
{
    auto endsWith = [&](const std::string &s) {
        return !s.empty() && caption.size() >= s.size() && caption.compare(caption.size() - s.size(), s.size(), s) == 0;
    };
    if (m_counter == 0) {
        // A caption still carrying the mark of an earlier recording loses it, so it does not grow.
        if (endsWith(m_suffix))
            caption.erase(caption.size() - m_suffix.size());
        m_suffix = "..." + m_label + " / ";
        caption += m_suffix;
        m_counter = 1;
        return;
    }
    const char *mark = nullptr;
    switch (m_counter) {
    case 10:
        mark = " - ";
        break;
    case 20:
        mark = " \\ ";
        break;
    case 30:
        mark = " | ";
        break;
    case 40:
        mark = " / ";
        break;
    default:
        break;
    }
    if (mark && endsWith(m_suffix)) {
        caption.erase(caption.size() - m_suffix.size());
        m_suffix = "..." + m_label + mark;
        caption += m_suffix;
    }
    m_counter = m_counter >= 40 ? 1 : m_counter + 1;
}

std::string logLabel(const std::string &dateText, const std::string &timeText, const std::string &fileName)
{
    std::string label = dateText + " " + timeText;
    std::replace(label.begin(), label.end(), '-', '.');
    return label + fileName;
}

std::string logLabel(const QDateTime &when, const QLocale &locale, const std::string &fileName)
{
    // The long time format without the time zone ("HH:mm:ss t").
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QRegularExpression(QStringLiteral("\\s*\\bt+\\b")));
    return logLabel(locale.toString(when.date(), QLocale::ShortFormat).toStdString(),
        locale.toString(when.time(), timeFormat.trimmed()).toStdString(), fileName);
}

// ---- file helpers ----

namespace {
std::string reason(int err)
{
    return std::strerror(err);
}

std::string folderOf(const std::string &path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseName(const std::string &path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A new file beside `path` that no one else uses: "<path><tag><pid>-<n>". Returns the descriptor
// or -1 with errno set.
int createUnique(const std::string &path, const char *tag, std::string &created)
{
    static std::atomic<unsigned> serial { 0 };
    for (int attempt = 0; attempt < 100; ++attempt) {
        created = path + tag + std::to_string(::getpid()) + "-" + std::to_string(serial++);
        const int fd = ::open(created.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// Writes all of [data, data + size) at `offset`; false with errno set otherwise.
bool writeAllAt(int fd, const char *data, std::size_t size, std::int64_t offset)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n
            = ::pwrite(fd, data + done, size - done, static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Makes a rename in `folder` durable; a folder that cannot be synced is no failure of the file.
void syncFolder(const std::string &folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

constexpr const char *SpillTag = ".recording-";
constexpr const char *SavingTag = ".saving-";
} // namespace

// ---- the logger ----

DataLogger::DataLogger(std::string fileName)
    : m_fileName(std::move(fileName))
    , m_ticked(logDefaultColumns())
{
}

DataLogger::~DataLogger()
{
    if (m_spillFd >= 0) {
        flushBuffer(); // whatever the disk takes stays there for recovery
        ::close(m_spillFd);
    }
}

bool DataLogger::setTicked(int column, bool on)
{
    if (!logColumnSelectable(column))
        return false;
    m_ticked[static_cast<std::size_t>(column)] = on;
    return true;
}

bool DataLogger::createSpill(std::string &error)
{
    // Beside the target, so that STOP only renames; in the temporary folder when the target's
    // folder takes no new file (STOP will then copy, and report if the target cannot be written).
    const std::string folders[] = { folderOf(m_targetPath), QDir::tempPath().toStdString() };
    for (const std::string &folder : folders) {
        const int fd = createUnique(folder + "/" + baseName(m_targetPath), SpillTag, m_spillPath);
        if (fd >= 0) {
            m_spillFd = fd;
            m_spilled = 0;
            m_spillError.clear();
            return true;
        }
        if (error.empty())
            error = "cannot create a recording file in " + folder + ": " + reason(errno);
    }
    m_spillPath.clear();
    return false;
}

LogStartResult DataLogger::start(const std::string &label)
{
    LogStartResult r;
    if (m_logging) {
        r.stopped = stop();
        if (!r.stopped.ok) {
            r.error = "the running recording was not saved: " + r.stopped.error;
            return r;
        }
    }
    if (m_unsaved) {
        r.error = "an earlier recording has not been saved: save it to another place or discard it first";
        return r;
    }
    m_targetPath = QDir::current().absoluteFilePath(QString::fromStdString(m_fileName)).toStdString();
    if (!createSpill(r.error))
        return r;
    r.error.clear();

    m_columns = m_ticked;
    m_buffer.clear();
    m_buffer.reserve(SpillChunkBytes + 4096);
    m_buffer += logHeader(m_columns);
    m_rows = 0;
    m_dropped = 0;
    m_mark.restart(label);
    m_logging = true;
    r.started = true;
    return r;
}

void DataLogger::rowStep(const std::array<float, LiveValueCount> &values, std::string &caption)
{
    if (!m_logging)
        return;
    m_mark.step(caption);
    const std::size_t before = m_buffer.size();
    m_buffer += '\n';
    m_elapsedMs += LogRowIntervalMs;
    appendLogRow(m_buffer, m_elapsedMs, values, m_columns);
    ++m_rows;
    if (m_buffer.size() >= SpillChunkBytes && !flushBuffer() && m_buffer.size() > m_memoryLimit) {
        // The disk refuses rows and the memory limit is reached: this row is dropped and counted.
        m_buffer.resize(before);
        --m_rows;
        ++m_dropped;
    }
}

bool DataLogger::flushBuffer()
{
    if (m_buffer.empty())
        return true;
    if (m_spillFd < 0) {
        m_spillError = "no recording file is open";
        return false;
    }
    if (!writeAllAt(m_spillFd, m_buffer.data(), m_buffer.size(), m_spilled)) {
        m_spillError = "cannot write " + m_spillPath + ": " + reason(errno);
        // Whatever part of the chunk reached the disk is cut off again: the whole chunk stays
        // in memory and goes out in one piece on the next try.
        // Should the cut fail too, the stray bytes past m_spilled do no harm: the next write
        // starts at m_spilled again and a copy reads only up to it.
        if (::ftruncate(m_spillFd, static_cast<off_t>(m_spilled)) != 0)
            m_spillError += " (and the partial write could not be cut off)";
        return false;
    }
    m_spilled += static_cast<std::int64_t>(m_buffer.size());
    m_buffer.clear();
    if (m_buffer.capacity() > 4 * SpillChunkBytes) {
        std::string fresh;
        fresh.reserve(SpillChunkBytes + 4096);
        m_buffer.swap(fresh);
    }
    m_spillError.clear();
    return true;
}

void DataLogger::closeSpill()
{
    if (m_spillFd >= 0)
        ::close(m_spillFd);
    m_spillFd = -1;
    if (!m_spillPath.empty())
        ::unlink(m_spillPath.c_str());
    m_spillPath.clear();
    m_spilled = 0;
    m_buffer.clear();
}

LogResult DataLogger::fail(const std::string &path, const std::string &error)
{
    m_unsaved = true;
    LogResult r;
    r.ok = false;
    r.path = path;
    r.error = "cannot write " + path + ": " + error;
    r.rows = m_rows;
    r.droppedRows = m_dropped;
    return r;
}

LogResult DataLogger::writeTo(const std::string &path)
{
    LogResult done;
    done.path = path;
    done.rows = m_rows;
    done.droppedRows = m_dropped;
    done.wrote = true;

    // Everything in the spill file and on the disk: then a rename is the whole save.
    // (The cut makes sure no stray bytes of an earlier failed write lie past the last row.)
    if (flushBuffer() && m_spillFd >= 0 && ::ftruncate(m_spillFd, static_cast<off_t>(m_spilled)) == 0
        && ::fsync(m_spillFd) == 0 && ::rename(m_spillPath.c_str(), path.c_str()) == 0) {
        syncFolder(folderOf(path));
        ::close(m_spillFd);
        m_spillFd = -1;
        m_spillPath.clear();
        m_spilled = 0;
        m_unsaved = false;
        return done;
    }

    // Otherwise a copy beside the target (another file system, rows still in memory), renamed
    // over it once complete; the spill file stays until then.
    std::string temp;
    const int out = createUnique(path, SavingTag, temp);
    if (out < 0)
        return fail(path, reason(errno));
    bool ok = true;
    int err = 0;
    std::vector<char> chunk(64 * 1024);
    for (std::int64_t at = 0; ok && at < m_spilled;) {
        const std::size_t want
            = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(chunk.size()), m_spilled - at));
        const ssize_t n = m_spillFd >= 0 ? ::pread(m_spillFd, chunk.data(), want, static_cast<off_t>(at)) : -1;
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            err = n == 0 ? EIO : errno;
            break;
        }
        if (!writeAllAt(out, chunk.data(), static_cast<std::size_t>(n), at)) {
            ok = false;
            err = errno;
        }
        at += n;
    }
    if (ok && !writeAllAt(out, m_buffer.data(), m_buffer.size(), m_spilled)) {
        ok = false;
        err = errno;
    }
    if (ok && ::fsync(out) != 0) {
        ok = false;
        err = errno;
    }
    if (::close(out) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return fail(path, reason(err));
    }
    syncFolder(folderOf(path));
    closeSpill();
    m_unsaved = false;
    return done;
}

LogResult DataLogger::stop()
{
    if (!m_logging)
        return {};
    m_logging = false;
    return writeTo(m_targetPath);
}

LogResult DataLogger::saveTo(const std::string &path)
{
    if (!m_unsaved) {
        LogResult r;
        r.ok = false;
        r.path = path;
        r.error = "no recording is waiting to be saved";
        return r;
    }
    return writeTo(QDir::current().absoluteFilePath(QString::fromStdString(path)).toStdString());
}

void DataLogger::discard()
{
    m_logging = false;
    m_unsaved = false;
    closeSpill();
}

} // namespace kelvane

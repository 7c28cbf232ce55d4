#include "LogTable.h"

#include "LogText.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvane {

int LogTable::columnForLiveIndex(int liveIndex) const
{
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        if (m_columns[c].liveIndex == liveIndex && liveIndex >= 0)
            return static_cast<int>(c);
    }
    return -1;
}

int LogTable::rowAt(double seconds) const
{
    if (m_playbackTime.empty())
        return -1;
    if (std::isnan(seconds))
        return 0;
    // A little slack, so that a clock summing milliseconds lands on the row printed for that time.
    const auto it = std::upper_bound(m_playbackTime.begin(), m_playbackTime.end(), seconds + 1e-7);
    return std::max(0, static_cast<int>(it - m_playbackTime.begin()) - 1);
}

std::vector<float> LogTable::valuesAt(double seconds) const
{
    std::vector<float> out;
    const int row = rowAt(seconds);
    if (row < 0)
        return out;
    out.reserve(m_columns.size());
    for (const Column &c : m_columns)
        out.push_back(c.values[static_cast<std::size_t>(row)]);
    return out;
}

namespace {
// Nominal time between two rows, for a last run of equal times that has no next time to spread to.
constexpr double NominalRowSeconds = 0.07;

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// Fields of a line split at ","; one empty field after a final "," is not a field. Returns whether
// the line ended with ",".
bool splitFields(std::string_view line, std::vector<std::string_view> &fields)
{
    fields.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = line.find(',', start);
        if (comma == std::string_view::npos) {
            fields.push_back(line.substr(start));
            break;
        }
        fields.push_back(line.substr(start, comma - start));
        start = comma + 1;
    }
    const bool trailingComma = fields.size() > 1 && trimmed(fields.back()).empty();
    if (trailingComma)
        fields.pop_back();
    return trailingComma;
}

std::string quoted(std::string_view s)
{
    const std::size_t shown = 40;
    std::string text = logTextAsUtf8(s.substr(0, shown));
    return "\"" + text + (s.size() > shown ? "...\"" : "\"");
}

enum class NumberError { None, NotANumber, OutOfRange };

NumberError parseNumber(std::string_view field, double &value)
{
    field = trimmed(field);
    if (!field.empty() && field.front() == '+')
        field.remove_prefix(1);
    if (field.empty())
        return NumberError::NotANumber;
    const auto r = std::from_chars(field.data(), field.data() + field.size(), value);
    if (r.ec == std::errc::result_out_of_range)
        return NumberError::OutOfRange;
    if (r.ec != std::errc() || r.ptr != field.data() + field.size())
        return NumberError::NotANumber;
    return NumberError::None;
}

bool onlyBlanksFrom(std::string_view text, std::size_t pos)
{
    for (; pos < text.size(); ++pos) {
        const char ch = text[pos];
        if (ch != ' ' && ch != '\t' && ch != '\r' && ch != '\n')
            return false;
    }
    return true;
}
} // namespace

struct LogTableParser {
    static LogLoadResult parse(std::string_view bytes, const LogTableLimits &limits)
    {
        LogLoadResult result;
        auto failed = [&](std::string error) {
            result.ok = false;
            result.error = std::move(error);
            result.table = LogTable();
            return std::move(result);
        };
        if (bytes.size() > limits.maxBytes)
            return failed("the file is larger than " + std::to_string(limits.maxBytes / (1024 * 1024))
                + " MB; the viewer does not read logs that long");
        if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
            bytes.remove_prefix(3);
        if (onlyBlanksFrom(bytes, 0))
            return failed("the file is empty");

        LogTable &t = result.table;
        std::vector<std::string_view> fields;
        bool headerTrailingComma = false;
        std::size_t pos = 0;
        long lineNo = 0;
        double lastTime = -HUGE_VAL;
        while (pos < bytes.size()) {
            std::size_t end = bytes.find('\n', pos);
            if (end == std::string_view::npos)
                end = bytes.size();
            std::string_view line = bytes.substr(pos, end - pos);
            pos = end + 1;
            ++lineNo;
            const std::string where = "line " + std::to_string(lineNo);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            if (line.size() > limits.maxLineBytes)
                return failed(where + " is longer than " + std::to_string(limits.maxLineBytes)
                    + " bytes: this is not a log file");
            for (unsigned char ch : line) {
                if ((ch < 0x20 && ch != '\t') || ch == 0x7F)
                    return failed(where + " holds binary data: this is not a log file");
            }

            if (lineNo == 1) {
                headerTrailingComma = splitFields(line, fields);
                if (trimmed(fields.front()) != "Time")
                    return failed("line 1 does not start with \"Time\": this is not a log of the data logger "
                                  "or of kelvane-cli live");
                for (std::size_t i = 1; i < fields.size(); ++i) {
                    const std::string_view name = trimmed(fields[i]);
                    if (name.empty())
                        return failed("line 1: column " + std::to_string(i + 1) + " has no name");
                    LogTable::Column c;
                    c.name = logTextAsUtf8(name);
                    c.liveIndex = logColumnForHeader(name);
                    t.m_columns.push_back(std::move(c));
                }
                continue;
            }
            if (trimmed(line).empty())
                continue;

            const bool trailingComma = splitFields(line, fields);
            const std::size_t expected = t.m_columns.size() + 1;
            if (fields.size() > expected)
                return failed(where + " has " + std::to_string(fields.size()) + " values; the header names "
                    + std::to_string(expected) + " columns");
            // Both writers end every line with ",": a row without it (or short of values) was cut.
            if (fields.size() < expected || (headerTrailingComma && !trailingComma)) {
                if (onlyBlanksFrom(bytes, pos)) {
                    t.m_warnings.push_back(where
                        + ", the last row, is incomplete (the recording ended "
                          "in the middle of it) and was left out");
                    break;
                }
                if (fields.size() < expected)
                    return failed(where + " is incomplete: " + std::to_string(fields.size()) + " of "
                        + std::to_string(expected) + " values");
                return failed(where + " is incomplete: its last value is not followed by \",\"");
            }

            double time = 0;
            const NumberError timeError = parseNumber(fields[0], time);
            if (timeError != NumberError::None || !std::isfinite(time))
                return failed(where + ", column \"Time\": " + quoted(trimmed(fields[0])) + " is not a time in seconds");
            if (time < lastTime)
                return failed(where + ": the time goes back (" + std::string(trimmed(fields[0])) + " s after "
                    + std::to_string(lastTime) + " s)");
            lastTime = time;
            for (std::size_t i = 1; i < fields.size(); ++i) {
                double v = 0;
                const NumberError e = parseNumber(fields[i], v);
                const std::string column = ", column \"" + t.m_columns[i - 1].name + "\": ";
                if (e == NumberError::NotANumber)
                    return failed(where + column + quoted(trimmed(fields[i])) + " is not a number");
                if (e == NumberError::OutOfRange || (std::isfinite(v) && std::fabs(v) > FLT_MAX))
                    return failed(where + column + quoted(trimmed(fields[i])) + " is out of range");
                t.m_columns[i - 1].values.push_back(static_cast<float>(v));
            }
            t.m_time.push_back(time);
        }
        spreadTimes(t);
        result.ok = true;
        return result;
    }

    // Playback times: a run of rows with one printed time is spread evenly up to the next time.
    static void spreadTimes(LogTable &t)
    {
        const std::vector<double> &time = t.m_time;
        std::vector<double> &out = t.m_playbackTime;
        out.resize(time.size());
        for (std::size_t i = 0; i < time.size();) {
            std::size_t j = i + 1;
            while (j < time.size() && time[j] == time[i])
                ++j;
            // The last run has no next time: its rows take the file's mean row interval.
            double step = NominalRowSeconds;
            if (j < time.size())
                step = (time[j] - time[i]) / static_cast<double>(j - i);
            else if (i > 0 && time[i] > time[0])
                step = (time[i] - time[0]) / static_cast<double>(i);
            for (std::size_t k = i; k < j; ++k)
                out[k] = time[i] + static_cast<double>(k - i) * step;
            i = j;
        }
    }
};

LogLoadResult parseLogTable(std::string_view bytes, const LogTableLimits &limits)
{
    return LogTableParser::parse(bytes, limits);
}

LogLoadResult loadLogTable(const std::string &path, const LogTableLimits &limits)
{
    LogLoadResult result;
    // O_NONBLOCK: a FIFO or a device must not hang the viewer; it is refused below anyway.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        result.error = "cannot open " + path + ": " + std::strerror(errno);
        return result;
    }
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        result.error = path + " is not a regular file";
        return result;
    }
    if (static_cast<unsigned long long>(st.st_size) > limits.maxBytes) {
        ::close(fd);
        result.error = "the file is larger than " + std::to_string(limits.maxBytes / (1024 * 1024))
            + " MB; the viewer does not read logs that long";
        return result;
    }
    std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t done = 0;
    // Read what fstat promised; rows a writer adds meanwhile wait for the next load.
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            result.error = "cannot read " + path + ": " + std::strerror(err);
            return result;
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(done); // a file that shrank meanwhile: what was there
    return parseLogTable(bytes, limits);
}

} // namespace kelvane

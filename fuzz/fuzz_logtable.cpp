// A CSV as the log viewer reads it: the table, then what the viewer does with it: the cursor at
// the start, the end and between rows, every row's values, and a row handed to the meters as the
// controller's live data. The input is the file itself (FuzzInput.h).
//
// Besides the sanitizers: a table is either whole or not there (an error says why); every column
// has a value for every row; the file's times never go back and the playback times always go
// forward; the cursor lands on a row that exists.

#include "FuzzInput.h"
#include "LogPlayback.h"
#include "LogTable.h"

#include <cmath>
#include <string_view>

using namespace kelvane;
using namespace kelvane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const LogLoadResult r = parseLogTable(bytes);
    check(r.ok == r.error.empty(), "an error exactly when the file is refused");
    const LogTable &t = r.table;
    if (!r.ok) {
        check(t.rowCount() == 0 && t.columnCount() == 0, "a refused file leaves no partial table");
        KELVANE_FUZZ_TRACE("refused: %s\n", r.error.c_str());
        return 0;
    }

    const int rows = t.rowCount();
    for (int c = 0; c < t.columnCount(); ++c) {
        check(int(t.column(c).size()) == rows, "every column has a value for every row");
        check(!t.columnName(c).empty(), "every column has a name");
        const int live = t.liveIndex(c);
        check(live < 0 || t.liveIndex(t.columnForLiveIndex(live)) == live, "a column's live index finds a column");
    }
    for (int k = 0; k < rows; ++k) {
        check(std::isfinite(t.time(k)) && std::isfinite(t.playbackTime(k)), "times are finite");
        if (k > 0) {
            check(t.time(k) >= t.time(k - 1), "the file's time never goes back");
            check(t.playbackTime(k) >= t.playbackTime(k - 1), "the playback time never goes back");
        }
    }

    // The cursor at the ends, past them and at every row: a row that exists, values for every column.
    const double probes[]
        = { t.startTime(), t.endTime(), t.startTime() - 1, t.endTime() + 1, NAN, -INFINITY, INFINITY };
    for (double at : probes) {
        const int row = t.rowAt(at);
        check(rows == 0 ? row == -1 : (row >= 0 && row < rows), "the cursor lands on a row");
        check(t.valuesAt(at).size() == (rows == 0 ? 0u : std::size_t(t.columnCount())), "values for every column");
    }
    const ParameterImage image;
    const TimeBases bases = timeBasesFor(0);
    for (int k = 0; k < rows; ++k) {
        check(t.rowAt(t.playbackTime(k)) >= 0, "a row's own moment finds a row");
        playbackValues(t, k);
        playbackLiveData(t, k, image, bases);
    }

    // Playing it through at the fastest speed ends at the last row.
    PlaybackClock clock(t);
    clock.setSpeed(16);
    clock.play();
    for (int i = 0; i < 64 && !clock.atEnd(); ++i)
        clock.tick(1000);
    check(rows == 0 || (clock.row() >= 0 && clock.row() < rows), "the playback clock stays on a row");

    KELVANE_FUZZ_TRACE("%d rows, %d columns, %.2f to %.2f s, %zu warnings\n", rows, t.columnCount(), t.startTime(),
        t.endTime(), t.warnings().size());
    return 0;
}

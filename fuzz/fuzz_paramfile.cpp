// A parameter file as `kelvane-cli show` and the window read it: both loaders, then every field
// decoded as its control shows it, with the write-back a control runs when the fitter merely
// leaves it. The input is the file (FuzzInput.h). fuzz_paramjson covers the JSON `show` prints and
// the image compare.
//
// Besides the sanitizers: `show`'s loader gives the file's bytes and zeros past a short file, with
// a warning exactly when the file is not 768 bytes long; the window's loader replaces only the bytes
// the file holds; a combo box shows an item of its list or none, a track bar a position in its
// range, a spin edit a finite number in its range; and leaving a spin edit the fitter did not
// change never changes the image, whatever the file held.

#include "FieldCodec.h"
#include "FuzzInput.h"
#include "ImageCompare.h" // shownText
#include "ImageJson.h"
#include "ParameterFile.h"

#include <cmath>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

using namespace kelvane;
using namespace kelvane::fuzz;

namespace {

// The file lives in memory (memfd): the loaders open it by its /proc path as they would open a file
// on disk, without the cost of a disk file written and opened for every input.
struct MemoryFile {
    int fd = -1;
    std::string path;
    MemoryFile()
    {
        fd = memfd_create("input.kvset", MFD_CLOEXEC);
        if (fd < 0)
            fail("cannot make the in-memory input file");
        path = "/proc/self/fd/" + std::to_string(fd);
    }
    ~MemoryFile() { ::close(fd); }
    void write(const std::uint8_t *data, std::size_t size) const
    {
        if (::ftruncate(fd, 0) != 0)
            fail("cannot empty the input file");
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pwrite(fd, data + done, size - done, off_t(done));
            if (n <= 0)
                fail("cannot write the input file");
            done += static_cast<std::size_t>(n);
        }
    }
};

void checkShown(const FieldDef &f, const Shown &s)
{
    switch (f.controlKind) {
    case ControlKind::ComboBox:
        check(s.kind == ShownKind::Item || s.kind == ShownKind::NoSelection || s.kind == ShownKind::Blank,
            "a combo box shows an item, a blank or nothing");
        if (s.kind == ShownKind::Item)
            check(s.index >= 0 && s.index < f.items.size() && s.text == f.items[s.index],
                "a combo box's item is one of its list");
        break;
    case ControlKind::TrackBar:
        check(s.kind == ShownKind::Position && s.index >= f.min && s.index <= f.max, "a track bar within its range");
        break;
    case ControlKind::SpinEdit:
        if (s.kind == ShownKind::Number)
            check(std::isfinite(s.number) && s.number >= f.min && s.number <= f.max, "a spin edit within its range");
        break;
    case ControlKind::CheckBox:
    case ControlKind::ToggleSwitch:
        check(s.kind == ShownKind::Flag || s.kind == ShownKind::Table, "a check box shows ticked or not");
        break;
    case ControlKind::None:
        if (s.kind == ShownKind::Number)
            check(std::isfinite(s.number), "a field without a control decodes to a finite number");
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const MemoryFile file;
    file.write(data, size);
    const QString path = QString::fromStdString(file.path);

    // `show` and `verify`: the image is cleared first, a short file leaves zeros.
    ParameterImage image;
    image.bytes.fill(0x5A);
    QString warning, error;
    check(loadImageFile(path, image, &warning, &error), "a readable file of any length loads");
    check(error.isEmpty(), "error text after a good load");
    check(warning.isEmpty() == (size == ImageFileBytes), "warning exactly when the file is not 768 bytes");
    for (std::size_t i = 0; i < ImageFileBytes; ++i)
        check(image.bytes[i] == (i < size ? data[i] : 0), "image byte is file byte, or 0 past a short file");

    // The window: only the bytes the file holds are replaced.
    ParameterFileData fileData;
    check(readParameterFile(path, fileData, &error), "the window's loader reads a readable file");
    check(fileData.fileLength == qint64(size), "the window's loader knows the file's length");
    check(parameterFileLengthNote(path, fileData).isEmpty() == (size == ImageFileBytes),
        "a length note exactly when the file is not 768 bytes");
    ImageBytes shown;
    shown.fill(0x5A);
    applyParameterFile(fileData, shown);
    for (std::size_t i = 0; i < ImageFileBytes; ++i)
        check(shown[i] == (i < size ? data[i] : 0x5A), "the window keeps the bytes past a short file");

    // The controls, as the window fills them, with the time bases of either link speed.
    const bool baud38400 = size > ImageFileBytes && (data[ImageFileBytes] & 1);
    const DecodeContext ctx { timeBasesFor(baud38400 ? 1 : 0) };
    ParameterImage scratch = image;
    for (const FieldDef &f : fieldTable()) {
        const Shown s = decodeField(image, f, ctx);
        checkShown(f, s);
        shownText(s);
        if (f.width == FieldWidth::ByteTable)
            check(int(storedTable(image, f).size()) == f.count, "a table has its bytes");
        else
            storedValue(image, f);
        if (f.controlKind == ControlKind::SpinEdit && s.kind == ShownKind::Number && f.shownFromImage) {
            writeBackNumber(scratch, f, { s.number, false }, ctx);
            check(scratch.bytes == image.bytes, "leaving an unchanged spin edit never changes the image");
        }
    }
    KELVANE_FUZZ_TRACE("file of %zu bytes, %s time bases, warning \"%s\"\n", size,
        baud38400 ? "38400-baud" : "57600-baud", qPrintable(warning));
    return 0;
}

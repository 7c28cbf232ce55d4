// A parameter file as `kelvane-cli show` reads it: the loader, then the whole image decoded to
// a JSON object. The input is the file (FuzzInput.h); it is written to one file in a private
// temporary folder made at start-up and removed at exit.

#include "FuzzInput.h"
#include "ImageJson.h"
#include "ParameterImage.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

using namespace kelvane;
using namespace kelvane::fuzz;

namespace {

struct TempFile {
    std::string dir;
    std::string path;
    TempFile()
    {
        const char *tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kelvane-fuzz-XXXXXX";
        std::vector<char> buf(pattern.begin(), pattern.end());
        buf.push_back('\0');
        if (!mkdtemp(buf.data()))
            fail("cannot make a temporary folder");
        dir = buf.data();
        path = dir + "/input.kvset";
    }
    ~TempFile()
    {
        unlink(path.c_str());
        rmdir(dir.c_str());
    }
    void write(const std::uint8_t *data, std::size_t size) const
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0)
            fail("cannot create the input file");
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(fd, data + done, size - done);
            if (n <= 0)
                fail("cannot write the input file");
            done += static_cast<std::size_t>(n);
        }
        ::close(fd);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const TempFile file;
    file.write(data, size);

    ParameterImage image;
    image.bytes.fill(0x5A); // the loader clears it first
    QString warning, error;
    const bool loaded = loadImageFile(QString::fromStdString(file.path), image, &warning, &error);
    check(loaded, "a readable file of any length loads");
    check(error.isEmpty(), "error text after a good load");
    check(warning.isEmpty() == (size == ImageFileBytes), "warning exactly when the file is not 768 bytes");
    for (std::size_t i = 0; i < ImageFileBytes; ++i)
        check(image.bytes[i] == (i < size ? data[i] : 0), "image byte is file byte, or 0 past a short file");

    const bool baud38400 = size > ImageFileBytes && (data[ImageFileBytes] & 1);
    const QJsonObject json = imageToJson(image, timeBasesFor(baud38400 ? 1 : 0));
    check(json.value("fields").isObject() && !json.value("fields").toObject().isEmpty(), "fields decoded");
    const QJsonArray mainMap = json.value("MainMap").toArray();
    check(mainMap.size() == 16, "MainMap has 16 rows");
    for (const QJsonValue &row : mainMap)
        check(row.toArray().size() == 8, "MainMap row has 8 cells");
    check(json.value("RpmAxis").toArray().size() == 8 && json.value("InjTimeAxis").toArray().size() == 16,
        "axes have 8 and 16 points");
    // Printing the object is Qt's work and would take a third of every run; done only when tracing.
    KELVANE_FUZZ_TRACE("file of %zu bytes, %s time bases, warning \"%s\", %d bytes of JSON\n", size,
        baud38400 ? "38400-baud" : "57600-baud", qPrintable(warning),
        int(QJsonDocument(json).toJson(QJsonDocument::Indented).size()));
    return 0;
}

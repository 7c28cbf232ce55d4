#include "Defaults.h"

#include "../support/ImageHex.h"

#include <QtTest>

using namespace kelvane;

namespace {

// The images the reset built when its defaults were still written byte by byte, kept here so that
// a change to how the defaults are written down cannot change a single byte the controller gets.
// 24 lines of 32 bytes each, in image order.
// A cleared image at 57600 baud, both counters 0.
const char FromZeroAt57600[] = "000000000000000000000000000000000000000000F6EC28192700000A141E28"
                               "32000000000000000A141E283200000000000000000000000000000000000000"
                               "000000000000000000000000FCFCFD0000000000000000020406090D12161B1F"
                               "28323644F5F7FAFAFCFCFEFE0000020406090B0D0F121416191B1D1F00000404"
                               "030600001400780000DA010000000101070FFF05010000010203040506070F00"
                               "0000000000000073727170707071727372727271707272737373747271717173"
                               "727375737271707272747674737170717375777574717070747678767471706E"
                               "7175767575726F6B6E72747373716D696C707271706E6B676B6E6F6E6D6C6966"
                               "696C6D6C6B69676567696A696867666366666766666565626565656565656661"
                               "6464646464656664646464646464646464646464646464000000440000000000"
                               "00008200D8FF000000000000000000001E003200E803E3001300BA0314004F00"
                               "5802F00A00040004B500014800000000F4011E00F20364002C019001EE021900"
                               "632C32000000632C320088133E0100000000A70AC601015AA9023200FA002800"
                               "0500A00F0500FA0F9001AC0D0000000080000000000028000000140000000000"
                               "00000000000000000000000000000000000000009001F00A000000000A000000"
                               "00000000000000000000016C014800360024001B991500126D0FE300C601A902"
                               "8D037004530536061A07FD07E008C409A70A8A0B6D0C510D340E000030180080"
                               "0001FFFF070000007B0318012201C201F40158022003E8037805FE040D12161B"
                               "1F2200000002040200000906040200000000BC02E803780508079808280AB80B"
                               "480D0303030303020000000000002228364100010204090B0904E3007004E008"
                               "A70A8A0B6D0C510D340E050403020100FFFE000000FFFEFDFCFA000000FFFEFD"
                               "FCFAE80308079808280AF00AB80B800C480D000406090B0D0F12000000000000"
                               "000000FEFAF5F1ECEAE503000000990164002800C40900040000000000000000"
                               "0000000000000000000000000000000000000000000000000000000000000000";

// Every byte 0xFF at 38400 baud (InjNum 255 kept, the second low heating pulse on and re-encoded),
// counters 123456 and 7890123.
const char FromOnesAt38400[] = "00000000000000000000000040E20100CB64780000F6EC28192700000A141E28"
                               "32000000000000000A141E283200000000000000000000000000000000000000"
                               "000000000000000000000000FCFCFD0000000000000000020407090E13181D22"
                               "2C363B49F4F7F9F9FCFCFEFE0000020407090C0E111316181B1D202200000404"
                               "0306000014FF780000DA010000000101070FFF05010000010203040506070F00"
                               "0000000000000073727170707071727372727271707272737373747271717173"
                               "727375737271707272747674737170717375777574717070747678767471706E"
                               "7175767575726F6B6E72747373716D696C707271706E6B676B6E6F6E6D6C6966"
                               "696C6D6C6B69676567696A696867666366666766666565626565656565656661"
                               "6464646464656664646464646464646464646464646464000000440000000000"
                               "00008200D8FF000000000000000000001E003200E803E30013000B0414005600"
                               "5802F00A00040004C500204E00000000F4011E00F20364002C019001EE021900"
                               "632C3200FFFF29303200881359010000FFFF8F0BED01A861E3023200FA002800"
                               "0500A00F0500FA0F9001AC0DFFFFFFFF80FFFFFFFFFF2800FFFF1400FFFFFFFF"
                               "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF9001F00AFFFFFFFF0A00FFFF"
                               "FFFFFFFFFFFFFFFFFFFF3075204E983A10274C1D70178813BD10F600ED01E302"
                               "DA03D004C705BE06B407AB08A109980A8F0B850C7C0D720E690F0000BBFAEFD9"
                               "D6F5FFFF5FF800007BF718012201C201F40158022003E8037805FE040E13181D"
                               "222400000002040200000907040200000000BC02E803780508079808280AB80B"
                               "480D030303030302000000000000242C3B4700010204090C0904F600D004A109"
                               "8F0B850C7C0D720E690F050403020100FFFE000000FFFEFDFCF9000000FFFEFD"
                               "FCFAE80308079808280AF00AB80B800C480D000407090C0E1113000000000000"
                               "000000FEF9F4EFEAE8E30300A861BB0164002800C4090004FFFFFFFFFFFFFFFF"
                               "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF";

// Byte i = (151 i + 7) mod 256, HeatLow2Rpm 65500 (second low pulse off, kept as it is), at 57600
// baud, counters 4000000000 and 17.
const char FromPatternAt57600[] = "00000000000000000000000000286BEE1100000000F6EC28192700000A141E28"
                                  "32000000000000000A141E283200000000000000000000000000000000000000"
                                  "000000000000000000000000FCFCFD0000000000000000020406090D12161B1F"
                                  "28323644F5F7FAFAFCFCFEFE0000020406090B0D0F121416191B1D1F00000404"
                                  "03060000147A780000DA010000000101070FFF05010000010203040506070F00"
                                  "0000000000000073727170707071727372727271707272737373747271717173"
                                  "727375737271707272747674737170717375777574717070747678767471706E"
                                  "7175767575726F6B6E72747373716D696C707271706E6B676B6E6F6E6D6C6966"
                                  "696C6D6C6B69676567696A696867666366666766666565626565656565656661"
                                  "6464646464656664646464646464646464646464646464000000440000000000"
                                  "00008200D8FF000000000000000000001E003200E803E3001300BA0314004F00"
                                  "5802F00A00040004B500014800000000F4011E00F20364002C019001EE021900"
                                  "632C3200E37A632C320088133E010000F78EA70AC601015AA9023200FA002800"
                                  "0500A00F0500FA0F9001AC0D7B12A940806E059C33CA28008F261400EB8219B0"
                                  "47DE750CA33AD168FF962DC45BF28920B74EE57C9001F00A6F069D340A00F990"
                                  "27BE55EC831AB148DF76016C014800360024001B991500126D0FE300C601A902"
                                  "8D037004530536061A07FD07E008C409A70A8A0B6D0C510D340E0000BB3AA9D0"
                                  "C675FFFF47D800007B3718012201C201F40158022003E8037805FE040D12161B"
                                  "1F2200000002040200000906040200000000BC02E803780508079808280AB80B"
                                  "480D0303030303020000000000002228364100010204090B0904E3007004E008"
                                  "A70A8A0B6D0C510D340E050403020100FFFE000000FFFEFDFCFA000000FFFEFD"
                                  "FCFAE80308079808280AF00AB80B800C480D000406090B0D0F12000000000000"
                                  "000000FEFAF5F1ECEAE50300DCFF990164002800C40900046F069D34CB62F990"
                                  "27BE55EC831AB148DF760DA43BD26900972EC55CF38A21B84FE67D14AB42D970";

} // namespace

class TestDefaults : public QObject {
    Q_OBJECT
private slots:
    void sameImageAsBefore_data();
    void sameImageAsBefore();
    void everyValueIsWritten();
};

void TestDefaults::sameImageAsBefore_data()
{
    QTest::addColumn<int>("start"); // 0: cleared, 1: all ones, 2: pattern with HeatLow2Rpm 65500
    QTest::addColumn<int>("baudFlag");
    QTest::addColumn<quint32>("petrol");
    QTest::addColumn<quint32>("gas");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("cleared, 57600") << 0 << 0 << 0u << 0u << QByteArray(FromZeroAt57600);
    QTest::newRow("all ones, 38400") << 1 << 1 << 123456u << 7890123u << QByteArray(FromOnesAt38400);
    QTest::newRow("pattern, 57600") << 2 << 0 << 4000000000u << 17u << QByteArray(FromPatternAt57600);
}

void TestDefaults::sameImageAsBefore()
{
    QFETCH(int, start);
    QFETCH(int, baudFlag);
    QFETCH(quint32, petrol);
    QFETCH(quint32, gas);
    QFETCH(QByteArray, expected);

    ParameterImage image;
    for (int i = 0; i < ImageSize; ++i) {
        const auto at = static_cast<std::size_t>(i);
        image.bytes[at] = start == 0 ? 0 : start == 1 ? 0xFF : static_cast<std::uint8_t>((i * 151 + 7) & 0xFF);
    }
    if (start == 2)
        image.setWord(716, 65500);
    applyResetDefaults(image, timeBasesFor(static_cast<std::uint8_t>(baudFlag)), petrol, gas);

    const ImageBytes want = test::imageFromHex(expected.constData());
    QVERIFY2(image.bytes == want, qPrintable(test::imageDifferences(image.bytes, want)));
}

void TestDefaults::everyValueIsWritten()
{
    // Each default names a field of the table, an item its combo box has and a value its control
    // can show.
    ParameterImage image;
    QCOMPARE(applyFieldValues(image, timeBasesFor(0), resetFieldValues()), QStringList());

    // What is not written is reported and changes nothing.
    const ParameterImage before = image;
    const QStringList problems = applyFieldValues(image, timeBasesFor(0),
        { FieldValue::shown("NoSuchField", 1), FieldValue::item("ExtRelay", "sometimes"),
            FieldValue::shown("Peak", 9.5), FieldValue::shown("ExtRelay", 1) });
    QCOMPARE(problems.size(), 4);
    QVERIFY(image.bytes == before.bytes);
}

QTEST_GUILESS_MAIN(TestDefaults)
#include "tst_defaults.moc"

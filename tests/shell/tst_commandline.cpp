// The program's options, parsed without a window.
#include "CommandLine.h"

#include <QtTest>

using namespace kelvane;

class TstCommandLine : public QObject {
    Q_OBJECT

    static std::vector<std::string> toArgs(const QStringList &args)
    {
        std::vector<std::string> v;
        for (const QString &a : args)
            v.push_back(a.toStdString());
        return v;
    }

private slots:
    void options_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("error"); // the start of the message
        QTest::newRow("nothing") << QStringList {} << true << "";
        QTest::newRow("demo") << QStringList { "--demo" } << true << "";
        QTest::newRow("help") << QStringList { "-h" } << true << "";
        QTest::newRow("two ports") << QStringList { "--com", "3=/dev/ttyUSB0", "--com=4=/dev/ttyS0" } << true << "";
        QTest::newRow("port 0") << QStringList { "--com", "0=/dev/ttyS0" } << false << "--com 0=/dev/ttyS0: ";
        QTest::newRow("port 17") << QStringList { "--com", "17=/dev/ttyS0" } << false << "--com 17=/dev/ttyS0: ";
        QTest::newRow("no path") << QStringList { "--com", "3=" } << false << "--com 3=: ";
        QTest::newRow("no value") << QStringList { "--com" } << false << "--com needs a value";
        QTest::newRow("letters") << QStringList { "--com", "x=/dev/ttyS0" } << false << "--com x=/dev/ttyS0: ";
        QTest::newRow("size") << QStringList { "--size", "1600x1000" } << true << "";
        QTest::newRow("size inline") << QStringList { "--size=809x650" } << true << "";
        QTest::newRow("bad size") << QStringList { "--size", "1600" } << false << "--size 1600: ";
        QTest::newRow("zero size") << QStringList { "--size", "0x600" } << false << "--size 0x600: ";
        QTest::newRow("huge size") << QStringList { "--size", "20000x600" } << false << "--size 20000x600: ";
        QTest::newRow("screenshot") << QStringList { "--screenshot", "shot.png" } << true << "";
        QTest::newRow("screenshot without file")
            << QStringList { "--screenshot" } << false << "--screenshot needs a value";
        QTest::newRow("screenshot empty")
            << QStringList { "--screenshot=" } << false << "--screenshot needs a file name";
        QTest::newRow("Qt's own options") << QStringList { "-platform", "offscreen", "--demo" } << true << "";
        QTest::newRow("user data") << QStringList { "--user-data", "--demo" } << true << "";
        QTest::newRow("unknown") << QStringList { "--frobnicate" } << false << "unknown option --frobnicate";
    }
    void options()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, ok);
        QFETCH(QString, error);
        CommandLine cl;
        std::string message;
        QCOMPARE(parseCommandLine(toArgs(args), cl, message), ok);
        QVERIFY2(QString::fromStdString(message).startsWith(error), message.c_str());
        QCOMPARE(message.empty(), ok);
    }

    void valuesAreKept()
    {
        CommandLine cl;
        std::string error;
        QVERIFY(parseCommandLine(toArgs({ "--com", "3=/dev/ttyUSB0", "--com=4=/dev/ttyS0", "--size", "1600x1000",
                                     "--screenshot=out.png", "--demo" }),
            cl, error));
        QCOMPARE(cl.ports.size(), std::size_t(2));
        QCOMPARE(cl.ports[0].first, 3);
        QCOMPARE(cl.ports[0].second, std::string("/dev/ttyUSB0"));
        QCOMPARE(cl.ports[1].first, 4);
        QCOMPARE(cl.ports[1].second, std::string("/dev/ttyS0"));
        QCOMPARE(cl.width, 1600);
        QCOMPARE(cl.height, 1000);
        QCOMPARE(cl.screenshot, std::string("out.png"));
        QVERIFY(cl.demo);
        QVERIFY(!cl.help);
    }

    // --user-data: the XDG data home's "kelvane", created when missing, becomes the current
    // directory; without the option nothing moves.
    void userDataFolderIsMadeAndEntered()
    {
        CommandLine cl;
        std::string error;
        QVERIFY(parseCommandLine(toArgs({ "--demo" }), cl, error));
        QVERIFY(!cl.userData);
        QVERIFY(parseCommandLine(toArgs({ "--user-data" }), cl, error));
        QVERIFY(cl.userData);

        QTemporaryDir home;
        const QByteArray before = qgetenv("XDG_DATA_HOME");
        const QString cwd = QDir::currentPath();
        qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("share")).toLocal8Bit());
        const QString expected = home.filePath(QStringLiteral("share/kelvane"));
        QCOMPARE(QString::fromStdString(userDataDirectory()), expected);
        QVERIFY(enterUserDataDirectory(error));
        QCOMPARE(QDir::currentPath(), expected);
        QVERIFY(enterUserDataDirectory(error)); // already there
        // A file where the folder should be: a clear reason, nothing entered.
        QVERIFY(QDir::setCurrent(cwd));
        QTemporaryDir blocked;
        QFile file(blocked.filePath(QStringLiteral("kelvane")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        qputenv("XDG_DATA_HOME", blocked.path().toLocal8Bit());
        QVERIFY(!enterUserDataDirectory(error));
        QVERIFY2(QString::fromStdString(error).contains(QStringLiteral("cannot be created")), error.c_str());
        QCOMPARE(QDir::currentPath(), cwd);
        if (before.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", before);
    }

    // A screenshot run is unattended: its messages go to standard error, never to a message box.
    void aScreenshotRunIsUnattended()
    {
        CommandLine cl;
        std::string error;
        QVERIFY(parseCommandLine(toArgs({ "--demo" }), cl, error));
        QVERIFY(!cl.unattended());
        QVERIFY(parseCommandLine(toArgs({ "--screenshot", "a.png" }), cl, error));
        QVERIFY(cl.unattended());
        QVERIFY(QString::fromLatin1(commandLineUsage()).contains(QStringLiteral("standard error")));
    }
};

QTEST_APPLESS_MAIN(TstCommandLine)
#include "tst_commandline.moc"

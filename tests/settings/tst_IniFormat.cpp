// The text written to Desktop.ini (CR LF, key order, foreign lines kept, stable rewrites), the read rule and the
// caption colour's digits.
#include "settings/IniFormat.h"

#include <QTest>

using namespace mirtal::settings;

namespace {

QString S(const char* text) { return QString::fromUtf8(text); }
QStringList lines(std::initializer_list<const char*> texts)
{
    QStringList out;
    for (const char* t : texts)
        out.append(S(t));
    return out;
}

} // namespace

class TestIniFormat final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keepRule_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("kept");
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("header with text after it") << sectionHeader() + S(" ; old") << false;
        QTest::newRow("lower-case header is foreign") << sectionHeader().toLower() << true;
        QTest::newRow("text key too short to read") << S("IconArea_Text=") << false;
        QTest::newRow("blank before key") << S(" IconArea_Text=0x00FF") << true;
        QTest::newRow("shorter than a key") << S("IconArea_Imag") << true;
        QTest::newRow("LF-only file read as one line, our header first")
            << sectionHeader() + S("\nIconResource=x.ico,0\nIconArea_Text=0x00FF\n") << false;
        QTest::newRow("LF-only file read as one line, foreign first") << S("[a]\nIconArea_Text=0x00FF\n") << true;
        QTest::newRow("foreign key") << S("IconResource=C:\\x.ico,0") << true;
    }

    void keepRule()
    {
        QFETCH(QString, line);
        QFETCH(bool, kept);
        QCOMPARE(keepLine(line), kept);
    }

    void composition_data()
    {
        QTest::addColumn<QStringList>("old"); // empty: a new file
        QTest::addColumn<QString>("imagePath");
        QTest::addColumn<QString>("digits");
        QTest::addColumn<QString>("expected");
        // The foreign key under our old section ends up under the shell's, then one empty line and our new section.
        QTest::newRow("rewrite of a mixed file")
            << lines({"[.ShellClassInfo]", "IconResource=C:\\x.ico,0", "", "[{BE098140-A513-11D0-A3A4-00C04FD706EC}]",
                      "IconArea_Image=C:\\old.jpg", "Foreign=1", "IconArea_Text=0x00FF"})
            << S("D:\\Фото\\море.jpg") << S("FF0000")
            << S("[.ShellClassInfo]\r\nIconResource=C:\\x.ico,0\r\nForeign=1\r\n\r\n"
                 "[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nIconArea_Image=D:\\Фото\\море.jpg\r\n"
                 "IconArea_Text=0x00FF0000");
        QTest::newRow("new, picture and red") << QStringList() << S("D:\\Фото\\море.jpg") << S("FF")
                                              << S("[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nIconArea_Image=D:"
                                                   "\\Фото\\море.jpg\r\nIconArea_Text=0x00FF");
        QTest::newRow("new, no picture") << QStringList() << QString() << S("000000")
                                         << S("[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nIconArea_Text=0x00000000");
        QTest::newRow("new, path kept as it stands")
            << QStringList() << S(" C:/a b.jpg ") << S("ff")
            << S("[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nIconArea_Image= C:/a b.jpg \r\nIconArea_Text=0x00ff");
    }

    void composition()
    {
        QFETCH(QStringList, old);
        QFETCH(QString, imagePath);
        QFETCH(QString, digits);
        QFETCH(QString, expected);
        QCOMPARE(old.isEmpty() ? composeNew(imagePath, digits) : composeRewrite(keptLines(old), imagePath, digits),
                 expected);
    }

    void rewriteIsStableAfterFirstOne()
    {
        // A file of only our section gets one empty line ahead of it; later rewrites do not add more.
        const auto rewrite = [](const QString& file) -> QString {
            QStringList l = file.split(crlf());
            l.removeLast(); // the text ends with CR LF
            return composeRewrite(keptLines(l), S("C:\\a.jpg"), S("0")) + crlf();
        };
        const QString first = rewrite(composeNew(S("C:\\a.jpg"), S("0")) + crlf());
        QCOMPARE(first, crlf() + composeNew(S("C:\\a.jpg"), S("0")) + crlf());
        QCOMPARE(rewrite(first), first);
    }

    void readRule_data()
    {
        QTest::addColumn<QStringList>("file");
        QTest::addColumn<bool>("ok"); // false: a colour line too short, with what was read before it
        QTest::addColumn<QString>("imagePath");
        QTest::addColumn<QString>("digits");
        QTest::newRow("no keys") << lines({"[.ShellClassInfo]", "X=1"}) << true << QString() << S("000000");
        QTest::newRow("case of digits kept") << lines({"IconArea_Text=0x00ff"}) << true << QString() << S("ff");
        QTest::newRow("last one wins, any section") << lines({"IconArea_Image=a.jpg", "[other]", "IconArea_Image=b.jpg",
                                                              "IconArea_Text=0x0012", "IconArea_Text=0x0034"})
                                                    << true << S("b.jpg") << S("34");
        QTest::newRow("empty picture") << lines({"IconArea_Image="}) << true << QString() << S("000000");
        QTest::newRow("prefix digits skipped unchecked")
            << lines({"IconArea_Text=0xFFFFFF"}) << true << QString() << S("FFFF");
        QTest::newRow("exactly 18 characters") << lines({"IconArea_Text=0xFF"}) << true << QString() << QString();
        QTest::newRow("blank before key is ignored")
            << lines({" IconArea_Image=a.jpg"}) << true << QString() << S("000000");
        QTest::newRow("lone LF inside a line")
            << lines({"[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\nIconArea_Image=a.jpg"}) << true << QString()
            << S("000000");
        QTest::newRow("short colour line")
            << lines({"IconArea_Image=a.jpg", "IconArea_Text=255", "IconArea_Image=b.jpg"}) << false << S("a.jpg")
            << S("000000");
    }

    void readRule()
    {
        QFETCH(QStringList, file);
        QFETCH(bool, ok);
        QFETCH(QString, imagePath);
        QFETCH(QString, digits);
        ReadValues partial;
        const auto values = readValues(file, &partial);
        QCOMPARE(values.isOk(), ok);
        QCOMPARE(partial.imagePath, imagePath);
        QCOMPARE(partial.textColorHex, digits);
        if (ok)
            QVERIFY(values->imagePath == imagePath && values->textColorHex == digits);
    }

    void colourDigits_data()
    {
        QTest::addColumn<QString>("digits");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<quint32>("color");
        QTest::addColumn<QString>("written"); // as the program writes that colour
        QTest::newRow("red lower case") << S("ff") << true << 0xFFu << S("FF");
        QTest::newRow("blue") << S("FF0000") << true << 0xFF0000u << S("FF0000");
        QTest::newRow("leading zeros") << S("0000FF00") << true << 0xFF00u << S("FF00");
        QTest::newRow("black") << S("000000") << true << 0u << S("0");
        QTest::newRow("white") << S("ffffff") << true << 0xFFFFFFu << S("FFFFFF");
        QTest::newRow("empty") << QString() << false << 0u << QString();
        QTest::newRow("not hex") << S("12G4") << false << 0u << QString();
        QTest::newRow("sign") << S("-1") << false << 0u << QString();
        QTest::newRow("above a colour") << S("1000000") << false << 0u << QString();
        QTest::newRow("beyond 32 bits") << S("123456789ABCDEF") << false << 0u << QString();
    }

    void colourDigits()
    {
        QFETCH(QString, digits);
        QFETCH(bool, valid);
        QFETCH(quint32, color);
        QFETCH(QString, written);
        const auto result = colorFromDigits(digits);
        QCOMPARE(result.isOk(), valid);
        if (valid) {
            QCOMPARE(*result, color);
            QCOMPARE(digitsOfColor(color), written);
        }
    }
};

QTEST_APPLESS_MAIN(TestIniFormat)
#include "tst_IniFormat.moc"

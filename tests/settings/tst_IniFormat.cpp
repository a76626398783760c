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
    void keepRule_data();
    void keepRule();
    void rewriteOfMixedFile();
    void rewriteIsStableAfterFirstOne();
    void newFileText_data();
    void newFileText();
    void readRule_data();
    void readRule();
    void shortColourLineIsAnErrorKeepingWhatWasRead();
    void colourDigits_data();
    void colourDigits();
    void digitsOfChosenColours();
};

void TestIniFormat::keepRule_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("kept");
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("header") << sectionHeader() << false;
    QTest::newRow("header with text after it") << sectionHeader() + S(" ; old") << false;
    QTest::newRow("lower-case header is foreign") << sectionHeader().toLower() << true;
    QTest::newRow("image key") << S("IconArea_Image=C:\\a.jpg") << false;
    QTest::newRow("empty image key") << S("IconArea_Image=") << false;
    QTest::newRow("text key") << S("IconArea_Text=0x00FF") << false;
    QTest::newRow("text key too short to read") << S("IconArea_Text=") << false;
    QTest::newRow("blank before key") << S(" IconArea_Text=0x00FF") << true;
    QTest::newRow("only blanks") << S("   ") << true;
    QTest::newRow("shorter than a key") << S("IconArea_Imag") << true;
    QTest::newRow("LF-only file read as one line, our header first")
        << sectionHeader() + S("\nIconResource=x.ico,0\nIconArea_Text=0x00FF\n") << false;
    QTest::newRow("LF-only file read as one line, foreign first") << S("[a]\nIconArea_Text=0x00FF\n") << true;
    QTest::newRow("shell section") << S("[.ShellClassInfo]") << true;
    QTest::newRow("foreign key") << S("IconResource=C:\\x.ico,0") << true;
}

void TestIniFormat::keepRule()
{
    QFETCH(QString, line);
    QFETCH(bool, kept);
    QCOMPARE(keepLine(line), kept);
}

void TestIniFormat::rewriteOfMixedFile()
{
    // The shell's section, then ours with both keys and a foreign key: the foreign key ends up under the shell's
    // section, then one empty line and our new section.
    const QStringList old =
        lines({"[.ShellClassInfo]", "IconResource=C:\\x.ico,0", "", "[{BE098140-A513-11D0-A3A4-00C04FD706EC}]",
               "IconArea_Image=C:\\old.jpg", "Foreign=1", "IconArea_Text=0x00FF"});
    const QString text = composeRewrite(keptLines(old), S("D:\\Фото\\море.jpg"), S("FF0000"));
    QCOMPARE(text, S("[.ShellClassInfo]\r\nIconResource=C:\\x.ico,0\r\nForeign=1\r\n\r\n"
                     "[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nIconArea_Image=D:\\Фото\\море.jpg\r\n"
                     "IconArea_Text=0x00FF0000"));
}

void TestIniFormat::rewriteIsStableAfterFirstOne()
{
    // A file of only our section gets one empty line ahead of it; later rewrites do not add more.
    QString file = composeNew(S("C:\\a.jpg"), S("0")) + crlf();
    QVERIFY(!file.startsWith(crlf()));
    const auto split = [](const QString& text) {
        QStringList l = text.split(crlf());
        l.removeLast(); // the text ends with CR LF
        return l;
    };
    const QString first = composeRewrite(keptLines(split(file)), S("C:\\a.jpg"), S("0")) + crlf();
    QVERIFY(first.startsWith(crlf() + sectionHeader()));
    const QString second = composeRewrite(keptLines(split(first)), S("C:\\a.jpg"), S("0")) + crlf();
    QCOMPARE(second, first);
}

void TestIniFormat::newFileText_data()
{
    QTest::addColumn<QString>("imagePath");
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QString>("expected");
    QTest::newRow("picture and red") << S("D:\\Фото\\море.jpg") << S("FF")
                                     << S("[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nIconArea_Image=D:\\Фото\\море."
                                          "jpg\r\nIconArea_Text=0x00FF");
    QTest::newRow("no picture") << QString() << S("000000")
                                << S("[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nIconArea_Text=0x00000000");
    QTest::newRow("path kept as it stands") << S(" C:/a b.jpg ") << S("ff")
                                            << S("[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\nIconArea_Image= C:/a "
                                                 "b.jpg \r\nIconArea_Text=0x00ff");
}

void TestIniFormat::newFileText()
{
    QFETCH(QString, imagePath);
    QFETCH(QString, digits);
    QFETCH(QString, expected);
    QCOMPARE(composeNew(imagePath, digits), expected);
}

void TestIniFormat::readRule_data()
{
    QTest::addColumn<QStringList>("file");
    QTest::addColumn<QString>("imagePath");
    QTest::addColumn<QString>("digits");
    QTest::newRow("no keys") << lines({"[.ShellClassInfo]", "X=1"}) << QString() << S("000000");
    QTest::newRow("case of digits kept") << lines({"IconArea_Text=0x00ff"}) << QString() << S("ff");
    QTest::newRow("last one wins, any section") << lines({"IconArea_Image=a.jpg", "[other]", "IconArea_Image=b.jpg",
                                                          "IconArea_Text=0x0012", "IconArea_Text=0x0034"})
                                                << S("b.jpg") << S("34");
    QTest::newRow("empty picture") << lines({"IconArea_Image="}) << QString() << S("000000");
    QTest::newRow("prefix digits skipped unchecked") << lines({"IconArea_Text=0xFFFFFF"}) << QString() << S("FFFF");
    QTest::newRow("exactly 18 characters") << lines({"IconArea_Text=0xFF"}) << QString() << QString();
    QTest::newRow("blank before key is ignored") << lines({" IconArea_Image=a.jpg"}) << QString() << S("000000");
    QTest::newRow("lone LF inside a line")
        << lines({"[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\nIconArea_Image=a.jpg"}) << QString() << S("000000");
}

void TestIniFormat::readRule()
{
    QFETCH(QStringList, file);
    QFETCH(QString, imagePath);
    QFETCH(QString, digits);
    const auto values = readValues(file);
    QVERIFY(values);
    QCOMPARE(values->imagePath, imagePath);
    QCOMPARE(values->textColorHex, digits);
}

void TestIniFormat::shortColourLineIsAnErrorKeepingWhatWasRead()
{
    ReadValues partial;
    QVERIFY(!readValues(lines({"IconArea_Image=a.jpg", "IconArea_Text=255", "IconArea_Image=b.jpg"}), &partial));
    QCOMPARE(partial.imagePath, S("a.jpg"));
    QCOMPARE(partial.textColorHex, S("000000"));
}

void TestIniFormat::colourDigits_data()
{
    QTest::addColumn<QString>("digits");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<quint32>("color");
    QTest::newRow("red lower case") << S("ff") << true << 0xFFu;
    QTest::newRow("blue") << S("FF0000") << true << 0xFF0000u;
    QTest::newRow("leading zeros") << S("000000FF") << true << 0xFFu;
    QTest::newRow("white") << S("FFFFFF") << true << 0xFFFFFFu;
    QTest::newRow("empty") << QString() << false << 0u;
    QTest::newRow("not hex") << S("12G4") << false << 0u;
    QTest::newRow("sign") << S("-1") << false << 0u;
    QTest::newRow("above a colour") << S("1000000") << false << 0u;
    QTest::newRow("beyond 32 bits") << S("123456789ABCDEF") << false << 0u;
}

void TestIniFormat::colourDigits()
{
    QFETCH(QString, digits);
    QFETCH(bool, valid);
    QFETCH(quint32, color);
    const auto result = colorFromDigits(digits);
    QCOMPARE(result.isOk(), valid);
    if (valid)
        QCOMPARE(*result, color);
}

void TestIniFormat::digitsOfChosenColours()
{
    QCOMPARE(digitsOfColor(0), S("0"));
    QCOMPARE(digitsOfColor(0xFF), S("FF"));
    QCOMPARE(digitsOfColor(0xFF00), S("FF00"));
    QCOMPARE(digitsOfColor(0xABCDEF), S("ABCDEF"));
}

QTEST_APPLESS_MAIN(TestIniFormat)
#include "tst_IniFormat.moc"

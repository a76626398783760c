// The byte formats this program writes: the ANSI code page of Desktop.ini (exact bytes, refusals in the user's words,
// the page for the locale) and Samba's user.DOSATTRIB value (both forms read, garbage refused, blobs kept).

#include "platform/AnsiCodePage.h"
#include "platform/DosAttrib.h"

#include <QTest>

using mirtal::ErrorKind;
using mirtal::platform::AnsiCodePage;
namespace dosattrib = mirtal::platform::dosattrib;

namespace {

AnsiCodePage page(int number) { return number == 1251 ? AnsiCodePage::windows1251() : AnsiCodePage::windows1252(); }

// As Samba writes them: empty hex string and pad, version, level, valid flags, attributes (0x20, 0x22) and times.
const QByteArray kV5("\0\0\5\0\5\0\0\0\3\0\0\0\x20\0\0\0\1\2\3\4\5\6\7\x08", 24);
const QByteArray kV4("\0\0\4\0\4\0\0\0\1\0\0\0\x22\0\0\0\x09\x09\x09\x09\x09\x09\x09\x09\7\7\7\7\7\7\7\7", 32);

QByteArray patched(QByteArray blob, int offset, const QByteArray& bytes)
{
    return blob.replace(offset, bytes.size(), bytes);
}

} // namespace

class TestEncodings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void codePage_data();
    void codePage();
    void codePageForLocale();
    void dosAttribParse_data();
    void dosAttribParse();
    void dosAttribCompose_data();
    void dosAttribCompose();
};

// What each page makes of a text: its bytes, or the refusal the user reads.
void TestEncodings::codePage_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("refused");
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    QTest::newRow("every byte, 1251") << 1251 << AnsiCodePage::windows1251().decode(all) << all << QString();
    QTest::newRow("every byte, 1252") << 1252 << AnsiCodePage::windows1252().decode(all) << all << QString();
    QTest::newRow("Cyrillic in 1251")
        << 1251 << QStringLiteral("Привет, мир! Ёё № D:\\Фото\\море.jpg")
        << QByteArray(
               "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0! \xA8\xB8 \xB9 D:\\\xD4\xEE\xF2\xEE\\\xEC\xEE\xF0\xE5.jpg")
        << QString();
    QTest::newRow("Latin in 1252") << 1252 << QStringLiteral("Café Ærø — “ÿ”")
                                   << QByteArray("Caf\xE9 \xC6r\xF8 \x97 \x93\xFF\x94") << QString();
    QTest::newRow("euro in 1252") << 1252 << QStringLiteral("€") << QByteArray("\x80") << QString();
    QTest::newRow("euro in 1251") << 1251 << QStringLiteral("€") << QByteArray("\x88") << QString();
    QTest::newRow("日 in 1251") << 1251 << QStringLiteral("ab日c") << QByteArray() << QStringLiteral("«日» (U+65E5)");
    QTest::newRow("Cyrillic in 1252") << 1252 << QStringLiteral("Фото") << QByteArray()
                                      << QStringLiteral("«Ф» (U+0424)");
    QTest::newRow("emoji named whole") << 1251 << QStringLiteral("x😀") << QByteArray()
                                       << QStringLiteral("«😀» (U+1F600)");
}

void TestEncodings::codePage()
{
    QFETCH(int, number);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, refused);
    QCOMPARE(page(number).number(), number);
    const QString named = refused.section(u'»', 0, 0).mid(1);
    QCOMPARE(page(number).firstUnrepresentable(text), refused.isEmpty() ? -1 : text.indexOf(named));
    const auto encoded = page(number).encode(text);
    if (!refused.isEmpty()) {
        QCOMPARE(encoded.kind(), ErrorKind::Unrepresentable);
        QCOMPARE(
            encoded.message(),
            QStringLiteral("Символ %1 нельзя записать в кодировке Windows-%2.").arg(refused, QString::number(number)));
        return;
    }
    QVERIFY2(encoded.isOk(), qPrintable(encoded.message()));
    QCOMPARE(*encoded, bytes);
    QCOMPARE(page(number).decode(bytes), text);
    QCOMPARE(text.size(), bytes.size()); // one character a byte, none lost
}

void TestEncodings::codePageForLocale()
{
    for (const char* cyrillic : {"ru_RU", "uk_UA", "be_BY", "bg_BG", "sr_Cyrl_RS"})
        QVERIFY2(AnsiCodePage::forLocale(QLocale(QString::fromLatin1(cyrillic))).number() == 1251, cyrillic);
    for (const char* other : {"sr_Latn_RS", "en_US", "de_DE", "C"})
        QVERIFY2(AnsiCodePage::forLocale(QLocale(QString::fromLatin1(other))).number() == 1252, other);
}

void TestEncodings::dosAttribParse_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<qint64>("expected"); // -1: neither form
    const auto row = [](const char* name, const QByteArray& value, qint64 expected) {
        QTest::newRow(name) << value << expected;
    };
    row("legacy with NUL", QByteArray("0x6", 4), 6);
    row("legacy without NUL", "0x6", 6);
    row("legacy mixed case", "0xaBcD", 0xABCD);
    row("legacy full width", QByteArray("0xffffffff", 11), 0xFFFFFFFF);
    row("legacy leading zeros", "0x000000006", 6);
    row("v5 blob", kV5, 0x20);
    row("v4 blob", kV4, 0x22);
    row("empty", QByteArray(), -1);
    row("prefix only", QByteArray("0x", 3), -1);
    row("upper-case prefix", "0X6", -1);
    row("not hex", "0x6g", -1);
    row("trailing blank", "0x6 ", -1);
    row("two NULs", QByteArray("0x6\0\0", 5), -1);
    row("too large", "0x100000000", -1);
    row("blob version 3", patched(kV5, 2, "\3"), -1);
    row("blob cut short", kV5.left(15), -1);
    row("blob with hex string", patched(kV5, 0, "A"), -1);
}

void TestEncodings::dosAttribParse()
{
    QFETCH(QByteArray, value);
    QFETCH(qint64, expected);
    const std::optional<quint32> parsed = dosattrib::parse(value);
    QCOMPARE(parsed.has_value(), expected >= 0);
    QCOMPARE(parsed.value_or(0), quint32(expected >= 0 ? expected : 0));
}

void TestEncodings::dosAttribCompose_data()
{
    QTest::addColumn<quint32>("attributes");
    QTest::addColumn<QByteArray>("existing");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("none before") << 6u << QByteArray() << QByteArray("0x6", 4);
    QTest::newRow("zero is never empty") << 0u << QByteArray() << QByteArray("0x0", 4);
    QTest::newRow("lower-case hex") << 0xABCDEFu << QByteArray() << QByteArray("0xabcdef", 9);
    QTest::newRow("over garbage") << 4u << QByteArray("hello") << QByteArray("0x4", 4);
    QTest::newRow("over unknown blob") << 2u << patched(kV5, 2, "\3") << QByteArray("0x2", 4);
    // Little-endian at offset 12; every other byte of the blob kept.
    QTest::newRow("v5 patched in place") << 0x01020306u << kV5 << patched(kV5, 12, "\6\3\2\1");
    QTest::newRow("v4 patched in place") << 0x01020306u << kV4 << patched(kV4, 12, "\6\3\2\1");
}

void TestEncodings::dosAttribCompose()
{
    QFETCH(quint32, attributes);
    QFETCH(QByteArray, existing);
    QFETCH(QByteArray, expected);
    QCOMPARE(dosattrib::compose(attributes, existing), expected);
}

QTEST_GUILESS_MAIN(TestEncodings)
#include "tst_encodings.moc"

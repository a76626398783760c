// The byte formats this program writes: the ANSI code page of Desktop.ini (exact bytes, refusals in the user's words,
// the page for the locale) and Samba's user.DOSATTRIB value (both forms read, garbage refused, blobs kept).

#include "platform/AnsiCodePage.h"
#include "platform/DosAttrib.h"

#include <QTest>

using namespace mirtal;
using namespace mirtal::platform;
using namespace Qt::StringLiterals;

namespace {

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
    // What each page makes of a text: its bytes, or the refusal the user reads.
    void codePage_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("refused");
        const auto row = [](const char* name, int number, const QString& text, const QByteArray& bytes,
                            const QString& refused = {}) { QTest::newRow(name) << number << text << bytes << refused; };
        row("Cyrillic in 1251", 1251, u"Ёё № € D:\\Фото.jpg"_s, "\xA8\xB8 \xB9 \x88 D:\\\xD4\xEE\xF2\xEE.jpg");
        row("Latin in 1252", 1252, u"Café Ærø — “ÿ” €"_s, "Caf\xE9 \xC6r\xF8 \x97 \x93\xFF\x94 \x80");
        row("Cyrillic in 1252", 1252, u"Фото"_s, {}, u"«Ф» (U+0424)"_s);
        row("emoji named whole", 1251, u"x😀"_s, {}, u"«😀» (U+1F600)"_s);
    }
    void codePage()
    {
        QFETCH(int, number);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, refused);
        const AnsiCodePage page = number == 1251 ? AnsiCodePage::windows1251() : AnsiCodePage::windows1252();
        const QString named = refused.section(u'»', 0, 0).mid(1);
        QCOMPARE(page.firstUnrepresentable(text), refused.isEmpty() ? -1 : text.indexOf(named));
        const auto encoded = page.encode(text);
        if (!refused.isEmpty()) {
            QCOMPARE(encoded.kind(), ErrorKind::Unrepresentable);
            QCOMPARE(encoded.message(),
                     u"Символ %1 нельзя записать в кодировке Windows-%2."_s.arg(refused, QString::number(number)));
            return;
        }
        QVERIFY2(encoded.isOk(), qPrintable(encoded.message()));
        QCOMPARE(*encoded, bytes);
        QCOMPARE(page.decode(bytes), text);
    }

    void codePageForLocale()
    {
        for (const char* cyrillic : {"ru_RU", "uk_UA", "be_BY", "bg_BG", "sr_Cyrl_RS"})
            QVERIFY2(AnsiCodePage::forLocale(QLocale(QString::fromLatin1(cyrillic))).number() == 1251, cyrillic);
        for (const char* other : {"sr_Latn_RS", "en_US", "de_DE", "C"})
            QVERIFY2(AnsiCodePage::forLocale(QLocale(QString::fromLatin1(other))).number() == 1252, other);
    }

    // What is read from a value Samba or anyone left, and what storing attributes over it writes.
    void dosAttrib_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<qint64>("parsed"); // -1: neither form
        QTest::addColumn<quint32>("attributes");
        QTest::addColumn<QByteArray>("stored"); // empty: not stored
        const auto row = [](const char* name, const QByteArray& value, qint64 parsed, quint32 attributes = 0,
                            const QByteArray& stored = {}) {
            QTest::newRow(name) << value << parsed << attributes << stored;
        };
        row("legacy with NUL", QByteArray("0x6", 4), 6, 0xABCDEF, QByteArray("0xabcdef", 9));
        row("legacy mixed case, no NUL", "0xaBcDeF", 0xABCDEF, 0, QByteArray("0x0", 4));
        row("legacy full width", QByteArray("0xffffffff", 11), 0xFFFFFFFF);
        // Little-endian at offset 12; every other byte of the blob kept.
        row("v5 blob", kV5, 0x20, 0x01020306, patched(kV5, 12, "\6\3\2\1"));
        row("v4 blob", kV4, 0x22, 0x01020306, patched(kV4, 12, "\6\3\2\1"));
        row("empty", QByteArray(), -1);
        row("upper-case prefix", "0X6", -1);
        row("not hex", "0x6g", -1, 4, QByteArray("0x4", 4));
        row("blob of another version", patched(kV5, 2, "\3"), -1, 2, QByteArray("0x2", 4));
        row("too large", "0x100000000", -1);
        row("blob with hex string", patched(kV5, 0, "A"), -1);
    }
    void dosAttrib()
    {
        QFETCH(QByteArray, value);
        QFETCH(qint64, parsed);
        QFETCH(quint32, attributes);
        QFETCH(QByteArray, stored);
        const std::optional<quint32> read = dosattrib::parse(value);
        QCOMPARE(read.has_value(), parsed >= 0);
        QCOMPARE(read.value_or(0), quint32(parsed >= 0 ? parsed : 0));
        if (!stored.isEmpty())
            QCOMPARE(dosattrib::compose(attributes, value), stored);
    }
};

QTEST_GUILESS_MAIN(TestEncodings)
#include "tst_encodings.moc"

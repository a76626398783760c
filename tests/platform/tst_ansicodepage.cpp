#include "platform/AnsiCodePage.h"

#include <QTest>

using mirtal::ErrorKind;
using mirtal::platform::AnsiCodePage;

class TestAnsiCodePage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyByteSurvivesDecodeAndEncode_data();
    void everyByteSurvivesDecodeAndEncode();
    void cyrillicIn1251();
    void latinIn1252();
    void euroSignFitsBoth();
    void refusesWhatTheCodePageLacks_data();
    void refusesWhatTheCodePageLacks();
    void forLocale_data();
    void forLocale();
};

void TestAnsiCodePage::everyByteSurvivesDecodeAndEncode_data()
{
    QTest::addColumn<int>("number");
    QTest::newRow("1251") << 1251;
    QTest::newRow("1252") << 1252;
}

void TestAnsiCodePage::everyByteSurvivesDecodeAndEncode()
{
    QFETCH(int, number);
    const AnsiCodePage page = number == 1251 ? AnsiCodePage::windows1251() : AnsiCodePage::windows1252();
    QCOMPARE(page.number(), number);
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = page.decode(all);
    QCOMPARE(text.size(), 256);
    const auto back = page.encode(text);
    QVERIFY2(back.isOk(), qPrintable(back.message()));
    QCOMPARE(*back, all);
}

void TestAnsiCodePage::cyrillicIn1251()
{
    const AnsiCodePage page = AnsiCodePage::windows1251();
    const QString text = QStringLiteral("Привет, мир! Ёё № D:\\Фото\\море.jpg");
    const QByteArray bytes(
        "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0! \xA8\xB8 \xB9 D:\\\xD4\xEE\xF2\xEE\\\xEC\xEE\xF0\xE5.jpg");
    const auto encoded = page.encode(text);
    QVERIFY2(encoded.isOk(), qPrintable(encoded.message()));
    QCOMPARE(*encoded, bytes);
    QCOMPARE(page.decode(bytes), text);
}

void TestAnsiCodePage::latinIn1252()
{
    const AnsiCodePage page = AnsiCodePage::windows1252();
    const QString text = QStringLiteral("Café Ærø — “ÿ”");
    const QByteArray bytes("Caf\xE9 \xC6r\xF8 \x97 \x93\xFF\x94");
    const auto encoded = page.encode(text);
    QVERIFY2(encoded.isOk(), qPrintable(encoded.message()));
    QCOMPARE(*encoded, bytes);
    QCOMPARE(page.decode(bytes), text);
}

void TestAnsiCodePage::euroSignFitsBoth()
{
    QCOMPARE(*AnsiCodePage::windows1252().encode(QStringLiteral("€")), QByteArray("\x80"));
    QCOMPARE(*AnsiCodePage::windows1251().encode(QStringLiteral("€")), QByteArray("\x88"));
}

void TestAnsiCodePage::refusesWhatTheCodePageLacks_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("named");
    QTest::addColumn<QString>("code");
    QTest::newRow("日 in 1251") << 1251 << QStringLiteral("ab日c") << 2 << QStringLiteral("日")
                                << QStringLiteral("U+65E5");
    QTest::newRow("日 in 1252") << 1252 << QStringLiteral("日") << 0 << QStringLiteral("日")
                                << QStringLiteral("U+65E5");
    QTest::newRow("Cyrillic in 1252") << 1252 << QStringLiteral("Фото") << 0 << QStringLiteral("Ф")
                                      << QStringLiteral("U+0424");
    QTest::newRow("é in 1251") << 1251 << QStringLiteral("Café") << 3 << QStringLiteral("é")
                               << QStringLiteral("U+00E9");
    QTest::newRow("emoji named whole") << 1251 << QStringLiteral("x😀") << 1 << QStringLiteral("😀")
                                       << QStringLiteral("U+1F600");
}

void TestAnsiCodePage::refusesWhatTheCodePageLacks()
{
    QFETCH(int, number);
    QFETCH(QString, text);
    QFETCH(int, position);
    QFETCH(QString, named);
    QFETCH(QString, code);
    const AnsiCodePage page = number == 1251 ? AnsiCodePage::windows1251() : AnsiCodePage::windows1252();
    QCOMPARE(page.firstUnrepresentable(text), position);
    const auto encoded = page.encode(text);
    QVERIFY(!encoded.isOk());
    QCOMPARE(encoded.kind(), ErrorKind::Unrepresentable);
    QVERIFY2(encoded.message().contains(QStringLiteral("«") + named + QStringLiteral("»")),
             qPrintable(encoded.message()));
    QVERIFY2(encoded.message().contains(code), qPrintable(encoded.message()));
    QVERIFY2(encoded.message().contains(QString::number(number)), qPrintable(encoded.message()));
}

void TestAnsiCodePage::forLocale_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("number");
    QTest::newRow("ru_RU") << QStringLiteral("ru_RU") << 1251;
    QTest::newRow("uk_UA") << QStringLiteral("uk_UA") << 1251;
    QTest::newRow("be_BY") << QStringLiteral("be_BY") << 1251;
    QTest::newRow("bg_BG") << QStringLiteral("bg_BG") << 1251;
    QTest::newRow("sr Cyrillic") << QStringLiteral("sr_Cyrl_RS") << 1251;
    QTest::newRow("sr Latin") << QStringLiteral("sr_Latn_RS") << 1252;
    QTest::newRow("en_US") << QStringLiteral("en_US") << 1252;
    QTest::newRow("de_DE") << QStringLiteral("de_DE") << 1252;
    QTest::newRow("C") << QStringLiteral("C") << 1252;
}

void TestAnsiCodePage::forLocale()
{
    QFETCH(QString, locale);
    QFETCH(int, number);
    QCOMPARE(AnsiCodePage::forLocale(QLocale(locale)).number(), number);
}

QTEST_GUILESS_MAIN(TestAnsiCodePage)
#include "tst_ansicodepage.moc"

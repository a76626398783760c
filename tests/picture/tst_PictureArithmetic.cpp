#include "picture/FitArithmetic.h"
#include "picture/SizeText.h"

#include <QTest>

using namespace mirtal::picture;

class PictureArithmeticTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void automaticSize_data();
    void automaticSize();
    void customDimension_data();
    void customDimension();
    void cutsToFourCharacters();
    void sizeText_data();
    void sizeText();
    void formatsSingle_data();
    void formatsSingle();
};

void PictureArithmeticTest::automaticSize_data()
{
    QTest::addColumn<QSize>("screenTwips");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("1024x768") << QSize(15360, 11520) << QSize(781, 626);
    QTest::newRow("800x600") << QSize(12000, 9000) << QSize(557, 458);
    QTest::newRow("1152x864") << QSize(17280, 12960) << QSize(909, 722);
    QTest::newRow("1280x1024") << QSize(19200, 15360) << QSize(1037, 882);
    // Beyond 2184 pixels 16-bit twips arithmetic would overflow.
    QTest::newRow("2560x1440") << QSize(38400, 21600) << QSize(2317, 1298);
    QTest::newRow("3840x2160") << QSize(57600, 32400) << QSize(3597, 2018);
    QTest::newRow("7 twips over, down") << QSize(15367, 11527) << QSize(781, 626);
    QTest::newRow("8 twips over, up") << QSize(15368, 11528) << QSize(782, 627);
    QTest::newRow("tiny screen") << QSize(3000, 1500) << QSize(1, 1);
}

void PictureArithmeticTest::automaticSize()
{
    QFETCH(QSize, screenTwips);
    QFETCH(QSize, expected);
    QCOMPARE(automaticFitSize(screenTwips), expected);
}

void PictureArithmeticTest::customDimension_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("783") << QStringLiteral("783") << 783;
    QTest::newRow("5000 lowered") << QStringLiteral("5000") << 2000;
    QTest::newRow("1 raised") << QStringLiteral("1") << 3;
    QTest::newRow("0 raised") << QStringLiteral("0") << 3;
    QTest::newRow("tie to even, down") << QStringLiteral("10.5") << 10;
    QTest::newRow("tie to even, up") << QStringLiteral("11.5") << 12;
    QTest::newRow("empty") << QString() << 3;
    QTest::newRow("leading number") << QStringLiteral("12a4") << 12;
    QTest::newRow("letters") << QStringLiteral("abc") << 3;
    QTest::newRow("sign alone") << QStringLiteral("-") << 3;
    QTest::newRow("negative") << QStringLiteral("-5") << 3;
    QTest::newRow("beyond 16 bits") << QStringLiteral("99999") << 2000;
    QTest::newRow("beyond double") << QString(400, QLatin1Char('9')) << 2000;
    QTest::newRow("other digits") << QStringLiteral("\u0661\u0662") << 3;
}

void PictureArithmeticTest::customDimension()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(customFitDimension(text), expected);
    QCOMPARE(customFitSize(text, QStringLiteral("626")), QSize(expected, 626));
}

void PictureArithmeticTest::cutsToFourCharacters()
{
    QCOMPARE(cutToFourCharacters(QStringLiteral("12345")), QStringLiteral("1234"));
    QCOMPARE(cutToFourCharacters(QStringLiteral("50")), QStringLiteral("50"));
    QCOMPARE(cutToFourCharacters(QStringLiteral("123\U0001F600")), QStringLiteral("123"));
}

void PictureArithmeticTest::sizeText_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("expected");
    const QLocale c = QLocale::c();
    const QLocale ru(QLocale::Russian, QLocale::Russia);
    QTest::newRow("1024x768") << 1024 << 768 << c << QStringLiteral("1024x768\r\n1.333");
    QTest::newRow("1280x1024") << 1280 << 1024 << c << QStringLiteral("1280x1024\r\n1.25");
    QTest::newRow("800x800") << 800 << 800 << c << QStringLiteral("800x800\r\n1.0");
    QTest::newRow("1366x768") << 1366 << 768 << c << QStringLiteral("1366x768\r\n1.779");
    QTest::newRow("100x300") << 100 << 300 << c << QStringLiteral("100x300\r\n0.333");
    QTest::newRow("781x626") << 781 << 626 << c << QStringLiteral("781x626\r\n1.248");
    QTest::newRow("half up") << 17 << 16 << c << QStringLiteral("17x16\r\n1.063");
    QTest::newRow("ru") << 1024 << 768 << ru << QStringLiteral("1024x768\r\n1,333");
    QTest::newRow("ru, no grouping") << 12000 << 10 << ru << QStringLiteral("12000x10\r\n1200,0");
    QTest::newRow("no height") << 1024 << 0 << c << QString();
}

void PictureArithmeticTest::sizeText()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QLocale, locale);
    QFETCH(QString, expected);
    QCOMPARE(mirtal::picture::sizeText(width, height, locale), expected);
}

void PictureArithmeticTest::formatsSingle_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("whole") << 1024.0f << QStringLiteral("1024");
    QTest::newRow("no grouping") << 15360.0f << QStringLiteral("15360");
    QTest::newRow("12288/15") << 12288.0f / 15.0f << QStringLiteral("819,2");
    QTest::newRow("1024/15") << 1024.0f / 15.0f << QStringLiteral("68,26667");
}

void PictureArithmeticTest::formatsSingle()
{
    QFETCH(float, value);
    QFETCH(QString, expected);
    QCOMPARE(formatSingle(value, QLocale(QLocale::Russian, QLocale::Russia)), expected);
}

QTEST_GUILESS_MAIN(PictureArithmeticTest)
#include "tst_PictureArithmetic.moc"

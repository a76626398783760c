#include "platform/DosAttrib.h"

#include <QTest>

namespace dosattrib = mirtal::platform::dosattrib;

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (const int v : values)
        out.append(static_cast<char>(v));
    return out;
}

// As Samba writes it: empty hex string and pad, version 5, level 5, valid flags, attributes 0x20, creation
// time.
QByteArray sambaV5() { return bytes({0, 0, 5, 0, 5, 0, 0, 0, 3, 0, 0, 0, 0x20, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}); }

// Version 4: valid flags, attributes 0x22, itime, creation time.
QByteArray sambaV4()
{
    return bytes({0, 0, 4, 0, 4, 0, 0, 0, 1, 0, 0, 0, 0x22, 0, 0, 0, 9, 9, 9, 9, 9, 9, 9, 9, 7, 7, 7, 7, 7, 7, 7, 7});
}

} // namespace

Q_DECLARE_METATYPE(std::optional<quint32>)

class TestDosAttrib : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void composeLegacy_data();
    void composeLegacy();
    void composePatchesBlobInPlace_data();
    void composePatchesBlobInPlace();
};

void TestDosAttrib::parse_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<std::optional<quint32>>("expected");
    const std::optional<quint32> none;
    QTest::newRow("legacy with NUL") << QByteArray("0x6", 4) << std::optional<quint32>(6);
    QTest::newRow("legacy without NUL") << QByteArray("0x6") << std::optional<quint32>(6);
    QTest::newRow("legacy zero") << QByteArray("0x0", 4) << std::optional<quint32>(0);
    QTest::newRow("legacy mixed case") << QByteArray("0xaBcD") << std::optional<quint32>(0xABCD);
    QTest::newRow("legacy full width") << QByteArray("0xffffffff", 11) << std::optional<quint32>(0xFFFFFFFF);
    QTest::newRow("legacy leading zeros") << QByteArray("0x000000006") << std::optional<quint32>(6);
    QTest::newRow("v5 blob") << sambaV5() << std::optional<quint32>(0x20);
    QTest::newRow("v4 blob") << sambaV4() << std::optional<quint32>(0x22);
    QTest::newRow("empty") << QByteArray() << none;
    QTest::newRow("prefix only") << QByteArray("0x", 3) << none;
    QTest::newRow("no prefix") << QByteArray("6") << none;
    QTest::newRow("upper-case prefix") << QByteArray("0X6") << none;
    QTest::newRow("not hex") << QByteArray("0x6g") << none;
    QTest::newRow("trailing blank") << QByteArray("0x6 ") << none;
    QTest::newRow("two NULs") << QByteArray("0x6\0\0", 5) << none;
    QTest::newRow("too large") << QByteArray("0x100000000") << none;
    QTest::newRow("garbage") << QByteArray("hello") << none;
    QByteArray v3 = sambaV5();
    v3[2] = 3;
    QTest::newRow("blob version 3") << v3 << none;
    QTest::newRow("blob cut short") << sambaV5().left(15) << none;
    QByteArray named = sambaV5();
    named[0] = 'A';
    QTest::newRow("blob with hex string") << named << none;
}

void TestDosAttrib::parse()
{
    QFETCH(QByteArray, value);
    QFETCH(std::optional<quint32>, expected);
    QCOMPARE(dosattrib::parse(value), expected);
}

void TestDosAttrib::composeLegacy_data()
{
    QTest::addColumn<quint32>("attributes");
    QTest::addColumn<QByteArray>("existing");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("none before") << 6u << QByteArray() << QByteArray("0x6", 4);
    QTest::newRow("zero is never empty") << 0u << QByteArray() << QByteArray("0x0", 4);
    QTest::newRow("lower-case hex") << 0xABCDEFu << QByteArray() << QByteArray("0xabcdef", 9);
    QTest::newRow("directory") << 0x14u << QByteArray("0x10", 5) << QByteArray("0x14", 5);
    QTest::newRow("over garbage") << 4u << QByteArray("hello") << QByteArray("0x4", 4);
    QByteArray v3 = sambaV5();
    v3[2] = 3;
    QTest::newRow("over unknown blob") << 2u << v3 << QByteArray("0x2", 4);
}

void TestDosAttrib::composeLegacy()
{
    QFETCH(quint32, attributes);
    QFETCH(QByteArray, existing);
    QFETCH(QByteArray, expected);
    QCOMPARE(dosattrib::compose(attributes, existing), expected);
}

void TestDosAttrib::composePatchesBlobInPlace_data()
{
    QTest::addColumn<QByteArray>("blob");
    QTest::newRow("v5") << sambaV5();
    QTest::newRow("v4") << sambaV4();
}

void TestDosAttrib::composePatchesBlobInPlace()
{
    QFETCH(QByteArray, blob);
    const QByteArray patched = dosattrib::compose(0x01020306, blob);
    QByteArray expected = blob;
    expected[12] = 0x06;
    expected[13] = 0x03;
    expected[14] = 0x02;
    expected[15] = 0x01;
    QCOMPARE(patched, expected);
}

QTEST_GUILESS_MAIN(TestDosAttrib)
#include "tst_dosattrib.moc"

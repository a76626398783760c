// Which lines of an old Desktop.ini a rewrite keeps, and what the read rule takes from a file. The bytes composed and
// the colour digits are checked by fuzz_settings over any file, and in place by tst_FolderSettings.
#include "settings/IniFormat.h"

#include <QTest>

using namespace mirtal::settings;
using namespace Qt::StringLiterals;

class TestIniFormat final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The keep rule drops empty lines and the lines Windows' reader takes for our header and our two keys: the name
    // between the brackets or before "=", blanks around it trimmed, in any case. Everything else is kept.
    void keepRule()
    {
        const QString guid = sectionHeader().mid(1, 38);
        const QStringList dropped{QString(),
                                  sectionHeader() + u" ; old"_s,
                                  u"IconArea_Text="_s,
                                  sectionHeader().toLower(),
                                  u" \t[ "_s + guid + u"\t]  "_s,
                                  u"  iconarea_image = D:\\x.jpg"_s,
                                  u"ICONAREA_TEXT\t=0x00FF"_s};
        const QStringList kept{u" "_s,
                               u"IconArea_Imag"_s,
                               u"IconArea_Text"_s,
                               u"[{BE098140-A513-11D0-A3A4-00C04FD706EC}x]"_s,
                               u"x["_s + guid + u"]"_s,
                               u"IconArea_Image_Old=1"_s,
                               u"; IconArea_Text=0x00FF"_s,
                               u"[.ShellClassInfo]"_s};
        for (const QString& line : dropped + kept)
            QVERIFY2(keepLine(line) == kept.contains(line), qPrintable(line));
    }

    void readRule_data()
    {
        QTest::addColumn<QStringList>("file");
        QTest::addColumn<bool>("ok"); // false: a colour line too short, with what was read before it
        QTest::addColumn<QString>("imagePath");
        QTest::addColumn<QString>("digits");
        // A key counts only at the very start of a line; the last one wins, even when empty.
        QTest::newRow("no key read, empty picture wins")
            << QStringList{u"IconArea_Image=a.jpg"_s, u"[.ShellClassInfo]"_s, u"IconArea_Image="_s,
                           u" IconArea_Image=b.jpg"_s, u"iconarea_image=c.jpg"_s}
            << true << QString() << u"000000"_s;
        // The four characters after '=' are skipped unchecked; the digits keep their case.
        QTest::newRow("last one wins, any section")
            << QStringList{u"IconArea_Image=a.jpg"_s, u"[other]"_s, u"IconArea_Image=b.jpg"_s,
                           u"IconArea_Text=0x0012"_s, u"IconArea_Text=0xFFffFF"_s}
            << true << u"b.jpg"_s << u"ffFF"_s;
        QTest::newRow("short colour line")
            << QStringList{u"IconArea_Image=a.jpg"_s, u"IconArea_Text=255"_s, u"IconArea_Image=b.jpg"_s} << false
            << u"a.jpg"_s << u"000000"_s;
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
};

QTEST_APPLESS_MAIN(TestIniFormat)
#include "tst_IniFormat.moc"

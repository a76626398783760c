#include "AboutDoubles.h"

#include "about/UpdateCheck.h"
#include "about/UpdateSearch.h"

#include <QTest>

using mirtal::about::findSiteVersion;

namespace {

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

} // namespace

class UpdateSearchTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void search_data()
    {
        QTest::addColumn<QString>("updateText");
        QTest::addColumn<QString>("version");

        QTest::newRow("key alone") << text("mt111=1.05") << text("1.05");
        QTest::newRow("key at start, more after") << text("mt111=1.05\r\nother=2") << text("1.05");
        QTest::newRow("CR LF inside the four") << text("mt111=1.1\r\nnext") << text("1.1\r");
        QTest::newRow("last key wins") << text("mt111=1.04\r\nmt111=1.05\r\n") << text("1.05");
        QTest::newRow("key at very end") << text("mt111=1.05\r\nmt111=") << QString();
        QTest::newRow("other case") << text("MT111=1.05") << QString();
        QTest::newRow("blanks around =") << text("mt111 = 1.05") << QString();
        QTest::newRow("short file") << text("mt11") << QString();
        QTest::newRow("key after text") << text("version mt111=2.00") << text("2.00");
        QTest::newRow("3 chars remain") << text("xx mt111=1.0") << text("1.0");
        QTest::newRow("overlapping keys") << text("mt111=mt111=9.99") << text("9.99");
        QTest::newRow("Cyrillic around") << text("Версия: mt111=α1.5 конец") << text("α1.5");
    }

    void search()
    {
        QFETCH(QString, updateText);
        QFETCH(QString, version);
        QCOMPARE(findSiteVersion(updateText), version);
    }

    // What a check asks for, and that each check starts afresh whatever the last one found.
    void checkSequence()
    {
        mirtal::about::test::ScriptedHttp http;
        http.answer(QByteArray("mt111=1.05"));
        http.answer(mirtal::Status::failure(QStringLiteral("timed out")));
        http.answer(QByteArray("no key here"));
        QStringList shown;
        mirtal::about::UpdateCheck check(http, mirtal::about::updateFileUrl(QStringLiteral("http://site.test/d/")),
                                         [&shown](const QString& s) { shown.append(s); });

        check.run();
        QCOMPARE(check.SiteVersion(), text("1.05"));
        check.run();
        QCOMPARE(check.SiteVersion(), QString()); // emptied before the fetch failed
        check.run();
        QCOMPARE(shown, QStringList({text("Ожидание..."), text("версия на сайте: 1.05"), text("Ожидание..."),
                                     text("Ошибка"), text("Ожидание..."), text("нет данных")}));
        QCOMPARE(http.requests().size(), 3);
        QCOMPARE(http.requests().first().url, QUrl(QStringLiteral("http://site.test/d/update.txt")));
        QCOMPARE(http.requests().first().timeout, std::chrono::milliseconds(60000));
        QCOMPARE(http.requests().first().maxBytes, qint64(64 * 1024));
    }
};

QTEST_GUILESS_MAIN(UpdateSearchTest)
#include "tst_UpdateSearch.moc"

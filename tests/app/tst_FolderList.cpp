#include "app/FolderList.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using mirtal::app::FolderList;

namespace {

QString S(const char* text) { return QString::fromUtf8(text); }

// The names the list shows after its ancestors.
QStringList childRows(const FolderList& list)
{
    QStringList names;
    for (int row = list.currentFolderRow() + 1; row < list.count(); ++row)
        names.append(list.item(row)->text());
    return names;
}

} // namespace

// The folder list reads names only; these check that it still shows what a full listing would.
class TestFolderList final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(m_dir.emplace().isValid()); }
    void showsAncestorsThenVisibleSubfolders();
    void rowsTellPathAndDepth();
    void highlightAndOpen();
    void sameFolderAgainIsNoChange();
    void unreadableFolderLeavesTheList();
    void manyFoldersInTheOrderOfAFullListing();

private:
    QString make(const QString& name)
    {
        const QString path = m_dir->filePath(name);
        return QDir().mkpath(path) ? path : QString();
    }

    std::optional<QTemporaryDir> m_dir;
};

void TestFolderList::showsAncestorsThenVisibleSubfolders()
{
    for (const char* name : {"b", "A", "c", "Ёлка", ".hidden"})
        QVERIFY(!make(S(name)).isEmpty());
    QFile file(m_dir->filePath(S("file.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(QFile::link(m_dir->filePath(S("b")), m_dir->filePath(S("link to b"))));
    QVERIFY(QFile::link(m_dir->filePath(S("file.txt")), m_dir->filePath(S("link to file"))));

    FolderList list;
    QVERIFY(list.setPath(m_dir->path()));
    // Hidden folders, files and links to files are left out; a link to a folder is a folder.
    QStringList shown = childRows(list);
    QCOMPARE(shown,
             QDir(m_dir->path())
                 .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware));
    shown.sort();
    QCOMPARE(shown, (QStringList{S("A"), S("b"), S("c"), S("link to b"), S("Ёлка")}));
    const QStringList chain = m_dir->path().split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QCOMPARE(list.currentFolderRow(), chain.size());
    QCOMPARE(list.item(0)->text(), S("/"));
    QCOMPARE(list.item(list.currentFolderRow())->text(), chain.last());
}

void TestFolderList::rowsTellPathAndDepth()
{
    const QString inner = make(S("inner"));
    FolderList list;
    QVERIFY(list.setPath(m_dir->path()));
    const int current = list.currentFolderRow();
    QCOMPARE(list.pathOfRow(0), S("/"));
    QCOMPARE(list.levelOfRow(0), 0);
    QCOMPARE(list.pathOfRow(current), m_dir->path());
    QCOMPARE(list.levelOfRow(current), current);
    QCOMPARE(list.pathOfRow(current + 1), inner);
    QCOMPARE(list.levelOfRow(current + 1), current + 1);
    QCOMPARE(list.pathOfRow(list.count()), QString());
    QCOMPARE(list.pathOfRow(-1), QString());
    // Nothing highlighted: the entry is the current folder.
    QCOMPARE(list.entryAtCurrentIndex(), m_dir->path());

    QVERIFY(list.setPath(S("/")));
    QCOMPARE(list.currentFolderRow(), 0);
    QCOMPARE(list.pathOfRow(0), S("/"));
    QVERIFY(list.pathOfRow(1).startsWith(S("/")) && list.pathOfRow(1).count(QLatin1Char('/')) == 1);
}

void TestFolderList::highlightAndOpen()
{
    const QString inner = make(S("inner"));
    QVERIFY(!make(S("inner/deeper")).isEmpty());
    FolderList list;
    QVERIFY(list.setPath(m_dir->path()));
    QSignalSpy highlighted(&list, &FolderList::highlighted);
    QSignalSpy changed(&list, &FolderList::changed);

    QVERIFY(list.highlight(inner));
    QCOMPARE(highlighted.size(), 1);
    QCOMPARE(list.entryAtCurrentIndex(), inner);
    QCOMPARE(list.path(), m_dir->path());
    QVERIFY(!list.highlight(m_dir->filePath(S("nowhere"))));

    // Enter opens the highlighted entry, as a double click does.
    QTest::keyClick(&list, Qt::Key_Return);
    QCOMPARE(list.path(), inner);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(childRows(list), QStringList{S("deeper")});
    QCOMPARE(list.entryAtCurrentIndex(), inner);

    // Opening an ancestor goes back up.
    QVERIFY(list.open(list.currentFolderRow() - 1));
    QCOMPARE(list.path(), m_dir->path());
    QCOMPARE(changed.size(), 2);
    QVERIFY(list.open(list.count()));
    QCOMPARE(list.path(), m_dir->path());
}

void TestFolderList::sameFolderAgainIsNoChange()
{
    FolderList list;
    QVERIFY(list.setPath(m_dir->path()));
    QSignalSpy changed(&list, &FolderList::changed);
    QVERIFY(!make(S("new")).isEmpty());
    QVERIFY(list.setPath(m_dir->path() + S("/.")));
    QCOMPARE(changed.size(), 0);
    // The listing is read again all the same.
    QCOMPARE(childRows(list), QStringList{S("new")});
}

void TestFolderList::unreadableFolderLeavesTheList()
{
    QVERIFY(!make(S("a")).isEmpty());
    FolderList list;
    QVERIFY(list.setPath(m_dir->path()));
    const int rows = list.count();
    const auto moved = list.setPath(m_dir->filePath(S("missing")));
    QVERIFY(!moved);
    QVERIFY(moved.message().contains(S("missing")));
    QCOMPARE(list.count(), rows);
    QCOMPARE(list.path(), m_dir->path());
}

void TestFolderList::manyFoldersInTheOrderOfAFullListing()
{
    // Mixed case and scripts, created in no order.
    const QString stems[] = {S("Фото"), S("photo"), S("Отпуск"), S("work"), S("Архив"), S("Music")};
    QStringList made;
    QRandomGenerator random(7);
    for (int i = 0; i < 800; ++i) {
        const QString name = stems[random.bounded(6)] + QLatin1Char(' ') + QString::number(random.bounded(100000));
        if (!made.contains(name) && QDir(m_dir->path()).mkdir(name))
            made.append(name);
    }
    // What listing every entry and sorting by locale, case ignored, gives.
    const QStringList expected =
        QDir(m_dir->path())
            .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    QCOMPARE(expected.size(), made.size());

    FolderList list;
    QVERIFY(list.setPath(m_dir->path()));
    QCOMPARE(childRows(list), expected);
    QCOMPARE(FolderList::subfolderNames(m_dir->path()), expected);
}

QTEST_MAIN(TestFolderList)
#include "tst_FolderList.moc"

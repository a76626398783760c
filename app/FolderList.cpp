#include "FolderList.h"

#include "platform/Paths.h"

#include <QCollator>
#include <QDir>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>

#include <algorithm>

namespace mirtal::app {
namespace {

constexpr int kIndentPixels = 10;

// Draws each entry with what its row tells: the indent of a tree, the open or closed folder. Nothing of this is
// stored per entry. No bold face for the current folder: a second weight is a font engine of its own before the
// first frame, and the open folders already show the way down to it.
class FolderDelegate final : public QStyledItemDelegate {
public:
    explicit FolderDelegate(FolderList* list)
        : QStyledItemDelegate(list)
        , m_list(list)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem shifted(option);
        shifted.rect.setLeft(option.rect.left() + m_list->levelOfRow(index.row()) * kIndentPixels);
        QStyledItemDelegate::paint(painter, shifted, index);
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->icon = m_list->iconOfRow(index.row());
        option->features |= QStyleOptionViewItem::HasDecoration;
    }

private:
    FolderList* m_list;
};

// A folder drawn rather than taken from the style: the style's icons are image files, and reading the first one
// loads Qt's image plugins, a millisecond or two before the window's first frame.
QIcon folderIcon(bool open)
{
    QIcon icon;
    for (const int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        const QColor outline(150, 105, 20);
        p.setPen(QPen(outline, 1.0));
        // The back with its tab.
        QPainterPath back;
        back.moveTo(1.5, 3.5);
        back.lineTo(6.0, 3.5);
        back.lineTo(7.5, 5.0);
        back.lineTo(14.5, 5.0);
        back.lineTo(14.5, 13.5);
        back.lineTo(1.5, 13.5);
        back.closeSubpath();
        p.setBrush(QColor(222, 172, 60));
        p.drawPath(back);
        // The front: flat when closed, tipped forward when open.
        QPainterPath front;
        if (open) {
            front.moveTo(3.5, 7.5);
            front.lineTo(15.5, 7.5);
            front.lineTo(13.0, 13.5);
            front.lineTo(1.5, 13.5);
        } else {
            front.moveTo(1.5, 6.5);
            front.lineTo(14.5, 6.5);
            front.lineTo(14.5, 13.5);
            front.lineTo(1.5, 13.5);
        }
        front.closeSubpath();
        p.setBrush(QColor(250, 210, 100));
        p.drawPath(front);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QStringList ancestorsOf(const QString& path)
{
    QStringList chain;
    QDir dir(path);
    chain.prepend(dir.absolutePath());
    while (dir.cdUp())
        chain.prepend(dir.absolutePath());
    return chain;
}

} // namespace

FolderList::FolderList(QWidget* parent)
    : QListWidget(parent)
{
    setItemDelegate(new FolderDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    m_openIcon = folderIcon(true);
    m_closedIcon = folderIcon(false);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_quiet && row >= 0)
            Q_EMIT highlighted();
    });
    // Double click rather than activation: some desktops activate on a single click, which must only highlight.
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const Status status = open(row(item));
        if (!status)
            Q_EMIT openFailed(status.message());
    });
}

QStringList FolderList::subfolderNames(const QString& folder)
{
    const QStringList names = platform::subfolderNames(folder);

    // One sort key per name, rather than a locale-aware comparison at every step of the sort.
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    struct Keyed {
        QCollatorSortKey key;
        qsizetype index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(static_cast<size_t>(names.size()));
    // In the C locale Qt's sort keys ignore the collator's case setting, which compare() obeys: fold the names
    // there, and only there, since folding costs a string per folder.
    const bool fold = collator.locale().language() == QLocale::C;
    for (qsizetype i = 0; i < names.size(); ++i)
        keyed.push_back({collator.sortKey(fold ? names.at(i).toCaseFolded() : names.at(i)), i});
    std::sort(keyed.begin(), keyed.end(), [&names](const Keyed& a, const Keyed& b) {
        const int order = a.key.compare(b.key);
        // Names equal but for case keep one order from run to run.
        return order != 0 ? order < 0 : names.at(a.index) < names.at(b.index);
    });
    QStringList sorted;
    sorted.reserve(names.size());
    for (const Keyed& entry : keyed)
        sorted.append(names.at(entry.index));
    return sorted;
}

Status FolderList::setPath(const QString& path)
{
    const QString target = QDir::cleanPath(QDir(path).absolutePath());
    const QDir dir(target);
    if (!dir.exists() || !dir.isReadable())
        return Status::failure(QStringLiteral("Папка «%1» недоступна: %2.")
                                   .arg(QDir::toNativeSeparators(target), dir.exists()
                                                                              ? QStringLiteral("нет прав на её чтение")
                                                                              : QStringLiteral("такой папки нет")));
    const QStringList children = subfolderNames(target);
    const QStringList chain = ancestorsOf(target);

    QStringList entries;
    entries.reserve(chain.size() + children.size());
    for (const QString& folder : chain) {
        const QString name = QDir(folder).dirName();
        entries.append(name.isEmpty() ? QDir::toNativeSeparators(folder) : name);
    }
    entries.append(children);

    const bool changedPath = target != m_path;
    m_quiet = true;
    clear();
    m_chain = chain;
    m_path = target;
    // All rows in one insertion: one notice to the view instead of one per entry.
    addItems(entries);
    setCurrentRow(-1);
    clearSelection();
    scrollToItem(item(currentFolderRow()));
    m_quiet = false;

    if (changedPath)
        Q_EMIT changed();
    return Status::ok();
}

QString FolderList::pathOfRow(int row) const
{
    if (row < 0 || row >= count())
        return {};
    if (row < m_chain.size())
        return m_chain.at(row);
    return QDir(m_path).filePath(item(row)->text());
}

int FolderList::levelOfRow(int row) const { return std::min(row, currentFolderRow() + 1); }

QString FolderList::entryAtCurrentIndex() const
{
    // In the system's own form: the path is written into the settings file as it stands.
    const int row = currentRow();
    return QDir::toNativeSeparators(row >= 0 && row < count() ? pathOfRow(row) : m_path);
}

bool FolderList::highlight(const QString& path)
{
    for (int row = 0; row < count(); ++row) {
        if (pathOfRow(row) == path) {
            setCurrentRow(row);
            return true;
        }
    }
    return false;
}

Status FolderList::open(int row)
{
    if (row < 0 || row >= count())
        return Status::ok();
    return setPath(pathOfRow(row));
}

void FolderList::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentRow() >= 0) {
        const Status status = open(currentRow());
        if (!status)
            Q_EMIT openFailed(status.message());
        return;
    }
    QListWidget::keyPressEvent(event);
}

// With no row current, the view would make the first one (the root) current as the keyboard focus arrives, and that
// would retarget every command. Land on the current folder instead: it is the folder already targeted.
void FolderList::focusInEvent(QFocusEvent* event)
{
    if (currentRow() < 0 && count() > 0 && event->reason() != Qt::MouseFocusReason) {
        m_quiet = true;
        setCurrentRow(currentFolderRow());
        m_quiet = false;
    }
    QListWidget::focusInEvent(event);
}

} // namespace mirtal::app

#include "FolderList.h"

#include <QDir>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace mirtal::app {
namespace {

constexpr int kIndentPixels = 10;

// Indents each entry by its depth, as a tree would.
class IndentDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem shifted(option);
        shifted.rect.setLeft(option.rect.left() + index.data(FolderList::LevelRole).toInt() * kIndentPixels);
        QStyledItemDelegate::paint(painter, shifted, index);
    }
};

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

FolderList::FolderList(QWidget* parent) : QListWidget(parent)
{
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_rebuilding && row >= 0)
            Q_EMIT highlighted();
    });
    // Double click rather than activation: some desktops activate on a single click, which must only highlight.
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const Status status = open(row(item));
        if (!status)
            Q_EMIT openFailed(status.message());
    });
}

Status FolderList::setPath(const QString& path)
{
    const QString target = QDir::cleanPath(QDir(path).absolutePath());
    const QDir dir(target);
    if (!dir.exists() || !dir.isReadable())
        return Status::failure(QStringLiteral("Папка «%1» недоступна.").arg(QDir::toNativeSeparators(target)));
    const QStringList children =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);

    m_rebuilding = true;
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const QStringList chain = ancestorsOf(target);
    int level = 0;
    for (const QString& folder : chain) {
        const QString name = QDir(folder).dirName();
        auto* item = new QListWidgetItem(openIcon, name.isEmpty() ? QDir::toNativeSeparators(folder) : name, this);
        item->setData(PathRole, folder);
        item->setData(LevelRole, level++);
        if (folder == target) {
            QFont bold = item->font();
            bold.setBold(true);
            item->setFont(bold);
        }
    }
    for (const QString& child : children) {
        auto* item = new QListWidgetItem(closedIcon, child, this);
        item->setData(PathRole, dir.absoluteFilePath(child));
        item->setData(LevelRole, level);
    }
    setCurrentRow(-1);
    clearSelection();
    scrollToItem(this->item(static_cast<int>(chain.size()) - 1));
    m_rebuilding = false;

    const bool changedPath = target != m_path;
    m_path = target;
    if (changedPath)
        Q_EMIT changed();
    return Status::ok();
}

QString FolderList::entryAtCurrentIndex() const
{
    const QListWidgetItem* item = currentRow() >= 0 ? currentItem() : nullptr;
    return item ? item->data(PathRole).toString() : m_path;
}

bool FolderList::highlight(const QString& path)
{
    for (int row = 0; row < count(); ++row) {
        if (item(row)->data(PathRole).toString() == path) {
            setCurrentRow(row);
            return true;
        }
    }
    return false;
}

Status FolderList::open(int row)
{
    const QListWidgetItem* entry = item(row);
    if (!entry)
        return Status::ok();
    return setPath(entry->data(PathRole).toString());
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

} // namespace mirtal::app

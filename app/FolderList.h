#pragma once

#include "platform/Result.h"

#include <QIcon>
#include <QListWidget>

namespace mirtal::app {

// The folder list: the ancestors of the current folder, the current folder, then its sub-folders. Opening an
// entry (double click, Enter) changes the current folder; a single click or the arrow keys only highlight.
//
// A folder may hold thousands of sub-folders, so an entry holds its name and nothing else: its path, depth, icon
// and font follow from its row.
class FolderList final : public QListWidget {
    Q_OBJECT

public:
    explicit FolderList(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(FolderList)

    QString path() const { return m_path; }
    // Lists path and makes it the current folder; emits changed() when it differs from the old one. A folder that
    // cannot be listed fails and leaves the list as it was.
    Status setPath(const QString& path);
    // The highlighted entry, or the current folder when nothing is highlighted.
    QString entryAtCurrentIndex() const;
    // Highlights the entry with this path, as a click does (emits highlighted()).
    bool highlight(const QString& path);
    // Opens the entry at this row, as a double click does.
    Status open(int row);

    // The full path of the entry at row; empty for a row that does not exist.
    QString pathOfRow(int row) const;
    // How far the entry at row is indented: 0 for the root, one more for each folder below it.
    int levelOfRow(int row) const;
    // The row of the current folder.
    int currentFolderRow() const { return static_cast<int>(m_chain.size()) - 1; }
    QIcon iconOfRow(int row) const { return row <= currentFolderRow() ? m_openIcon : m_closedIcon; }

    // The names of the sub-folders of folder in the order the list shows them: hidden ones left out, sorted
    // by the user's locale, case ignored. Only the names are read: no entry is examined on its own.
    static QStringList subfolderNames(const QString& folder);

Q_SIGNALS:
    void changed();
    void highlighted();
    // Opening an entry failed (the folder cannot be listed); the list stays where it was.
    void openFailed(const QString& message);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    QString m_path;
    // The current folder and its ancestors, root first; the current folder's sub-folders follow in the list.
    QStringList m_chain;
    QIcon m_openIcon;
    QIcon m_closedIcon;
    bool m_quiet = false; // the current row changes without a highlight
};

} // namespace mirtal::app

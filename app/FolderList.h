#pragma once

#include "platform/Result.h"

#include <QListWidget>

namespace mirtal::app {

// The folder list: the ancestors of the current folder, the current folder, then its sub-folders, each entry's
// value its full path. Opening an entry (double click, Enter) changes the current folder; a single click or the
// arrow keys only highlight.
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

    static constexpr int PathRole = Qt::UserRole;
    static constexpr int LevelRole = Qt::UserRole + 1;

Q_SIGNALS:
    void changed();
    void highlighted();
    // Opening an entry failed (the folder cannot be listed); the list stays where it was.
    void openFailed(const QString& message);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString m_path;
    bool m_rebuilding = false;
};

} // namespace mirtal::app

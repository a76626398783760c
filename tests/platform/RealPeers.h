#pragma once

#include "app/Form1.h"
#include "app/GeneralErrorPath.h"
#include "platform/fake/FakeDialogs.h"
#include "platform/fake/FakeScreen.h"
#include "platform/fake/FakeShell.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/qt/QtPictures.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>
#include <sys/types.h>

// Helpers for the tests that prove attributes with the real programs that read them.
namespace mirtal::test {

// A program found in PATH or in the system folders, empty when it is not installed.
QString findTool(const QString& name);

struct ToolRun {
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    bool ok() const { return finished && exitCode == 0; }
    // Both outputs, for a failure message.
    QString text() const;
};

// Runs a program to its end, killed after timeoutMs.
ToolRun runTool(const QString& program, const QStringList& arguments, int timeoutMs = 30000,
                const QByteArray& input = {});

// A long-running peer in a session of its own, so that it and every process it starts are ended together.
class Daemon final {
public:
    Daemon() = default;
    ~Daemon() { stop(); }
    Q_DISABLE_COPY_MOVE(Daemon)

    bool start(const QString& program, const QStringList& arguments);
    bool running() const;
    // Waits up to ms for the daemon to end; true when it has.
    bool waitForExit(int ms);
    // SIGTERM to the whole session, SIGKILL after a bounded wait.
    void stop();
    QString output() const;

private:
    std::unique_ptr<QProcess> m_process;
    pid_t m_session = 0; // the daemon's pid, which setsid() made its session's and process group's id
};

// Whether the kernel offers that file system type (/proc/filesystems).
bool kernelHas(const QByteArray& type);
// Whether extended attributes of the user namespace can be set in that folder.
bool keepsUserXattrs(const QString& folder);

// The program's own apply and remove operations on a real folder: the main window over the real Linux file system
// and picture code, only the dialogs scripted.
class ProgramOnFolder final {
public:
    ProgramOnFolder(const QString& folder, const QString& programDirectory);
    ~ProgramOnFolder();
    Q_DISABLE_COPY_MOVE(ProgramOnFolder)

    // "Применить" with that caption colour. The messages shown; an error went to the general error path when
    // failed() is true.
    QStringList apply(qint32 colour);
    // "Удалить", answered Yes.
    QStringList remove();
    bool failed() const { return m_ends > 0; }
    platform::LinuxFileSystem& fileSystem() { return m_fileSystem; }

private:
    platform::LinuxFileSystem m_fileSystem;
    platform::QtPictures m_pictures;
    platform::FakeDialogs m_dialogs;
    platform::FakeShell m_shell;
    platform::FakeScreen m_screen;
    int m_ends = 0;
    app::GeneralErrorPath m_errorPath;
    std::unique_ptr<app::Form1> m_form;
};

} // namespace mirtal::test

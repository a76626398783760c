#include "RealPeers.h"

#include "platform/AnsiCodePage.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLocale>
#include <QStandardPaths>
#include <QThread>
#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace mirtal::test {

QString findTool(const QString& name)
{
    QString found = QStandardPaths::findExecutable(name);
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(
            name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"), QStringLiteral("/usr/bin")});
    return found;
}

QString ToolRun::text() const { return QString::fromLocal8Bit(out + err).trimmed(); }

ToolRun runTool(const QString& program, const QStringList& arguments, int timeoutMs, const QByteArray& input)
{
    ToolRun run;
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(timeoutMs)) {
        run.err = process.errorString().toLocal8Bit();
        return run;
    }
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    run.finished = process.waitForFinished(timeoutMs);
    if (!run.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

bool Daemon::start(const QString& program, const QStringList& arguments)
{
    // Helpers that the daemon leaves behind become our children, so that stop() can reap them: the init of a
    // container may never do it.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->setChildProcessModifier([] { ::setsid(); });
    m_process->start(program, arguments);
    if (!m_process->waitForStarted(10000))
        return false;
    m_session = static_cast<pid_t>(m_process->processId());
    return true;
}

bool Daemon::running() const { return m_process && m_process->state() == QProcess::Running; }

bool Daemon::waitForExit(int ms) { return !running() || m_process->waitForFinished(ms); }

void Daemon::stop()
{
    if (m_session <= 0)
        return;
    // The daemon first, so that it ends and reaps its own helpers; then whatever is left of its session.
    if (running()) {
        ::kill(m_session, SIGTERM);
        if (!m_process->waitForFinished(5000)) {
            ::kill(m_session, SIGKILL);
            m_process->waitForFinished(5000);
        }
    }
    ::kill(-m_session, SIGKILL);
    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        const pid_t reaped = ::waitpid(-m_session, nullptr, WNOHANG);
        if (reaped < 0)
            break;
        if (reaped == 0)
            QThread::msleep(20);
    }
    m_session = 0;
}

QString Daemon::output() const
{
    return m_process ? QString::fromLocal8Bit(m_process->readAll()).trimmed() : QString();
}

bool kernelHas(const QByteArray& type)
{
    QFile list(QStringLiteral("/proc/filesystems"));
    if (!list.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : list.readAll().split('\n')) {
        if (line.split('\t').constLast().trimmed() == type)
            return true;
    }
    return false;
}

bool keepsUserXattrs(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    return ::setxattr(path.constData(), "user.mirtal-probe", "1", 1, 0) == 0 &&
           ::removexattr(path.constData(), "user.mirtal-probe") == 0;
}

ProgramOnFolder::ProgramOnFolder(const QString& folder, const QString& programDirectory)
    : m_fileSystem(platform::AnsiCodePage::windows1251(), programDirectory)
    , m_errorPath(m_dialogs, [this](int) { ++m_ends; })
    , m_form(std::make_unique<app::Form1>(app::Form1Services{
          m_fileSystem, m_pictures, m_dialogs, m_shell, m_screen, m_errorPath, {}, {}, folder, QLocale::c()}))
{
}

ProgramOnFolder::~ProgramOnFolder() = default;

QStringList ProgramOnFolder::apply(qint32 colour)
{
    m_dialogs.clearShown();
    m_dialogs.queueColor(colour);
    m_form->Command3_Click();
    m_form->Command5_Click();
    return m_dialogs.shownTexts();
}

QStringList ProgramOnFolder::remove()
{
    m_dialogs.clearShown();
    m_dialogs.queueAnswer(platform::Answer::Yes);
    m_form->Command4_Click();
    return m_dialogs.shownTexts();
}

} // namespace mirtal::test

#include "FakeFileSystem.h"

#include "platform/TextLines.h"

namespace mirtal::platform {

FakeFileSystem::FakeFileSystem(QString programDirectory, AnsiCodePage codePage)
    : m_programDirectory(std::move(programDirectory))
    , m_codePage(codePage)
{
    addDirectory(QStringLiteral("/"));
    // The program's folder and its ancestors exist.
    QString path;
    for (const QString& part : m_programDirectory.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        path += QLatin1Char('/') + part;
        addDirectory(path);
    }
}

QString FakeFileSystem::normalized(const QString& path)
{
    QString p = path;
#ifdef Q_OS_WIN
    p.replace(QLatin1Char('\\'), QLatin1Char('/')); // either separator, as Windows takes them
#endif
    while (p.contains(QStringLiteral("//")))
        p.replace(QStringLiteral("//"), QStringLiteral("/"));
    if (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    return p;
}

void FakeFileSystem::addDirectory(const QString& path, quint32 attributes)
{
    m_entries.insert(normalized(path), Entry{{}, attributes, true});
}

void FakeFileSystem::addFile(const QString& path, const QByteArray& bytes, quint32 attributes)
{
    m_entries.insert(normalized(path), Entry{bytes, attributes, false});
}

std::optional<FakeFileSystem::Entry> FakeFileSystem::entry(const QString& path) const
{
    const auto it = m_entries.constFind(normalized(path));
    if (it == m_entries.constEnd())
        return std::nullopt;
    return *it;
}

QByteArray FakeFileSystem::bytes(const QString& path) const
{
    const auto e = entry(path);
    return e ? e->bytes : QByteArray();
}

void FakeFileSystem::failNext(Op op, const QString& path, int skip, const QString& message, ErrorKind kind)
{
    m_failures.append(Failure{op, path.isEmpty() ? QString() : normalized(path), skip, message, kind});
}

std::optional<Status> FakeFileSystem::injected(Op op, const QString& path) const
{
    for (qsizetype i = 0; i < m_failures.size(); ++i) {
        Failure& f = m_failures[i];
        if (f.op != op || (!f.path.isEmpty() && f.path != normalized(path)))
            continue;
        if (f.skip-- > 0)
            return std::nullopt;
        const Status failure = Status::failure(f.message, f.kind);
        m_failures.removeAt(i);
        return failure;
    }
    return std::nullopt;
}

bool FakeFileSystem::parentExists(const QString& path) const
{
    const QString p = normalized(path);
    const qsizetype slash = p.lastIndexOf(QLatin1Char('/'));
    const QString parent = slash <= 0 ? QStringLiteral("/") : p.left(slash);
    const auto e = entry(parent);
    return e && e->directory;
}

bool FakeFileSystem::find(const QString& path, FindFilter filter) const
{
    m_log.append(QStringLiteral("find ") + normalized(path));
    const auto e = entry(path);
    if (!e)
        return false;
    switch (filter) {
    case FindFilter::NormalFiles:
        return !e->directory && (e->attributes & (attr::Hidden | attr::System)) == 0;
    case FindFilter::FilesWithHiddenSystem:
        return !e->directory;
    case FindFilter::FilesAndDirectories:
        return true;
    }
    return false;
}

QString FakeFileSystem::locate(const QString& folder, const QString& name) const
{
    const QString joined = normalized(folder + QLatin1Char('/') + name);
    if (exists(joined))
        return joined;
    const QString parent = joined.left(joined.lastIndexOf(QLatin1Char('/')) + 1);
    for (auto it = m_entries.constBegin(); it != m_entries.constEnd(); ++it) {
        const QString& key = it.key();
        if (key.size() == joined.size() && key.startsWith(parent) && key.compare(joined, Qt::CaseInsensitive) == 0)
            return key;
    }
    return joined;
}

Result<TextFile> FakeFileSystem::readText(const QString& path) const
{
    m_log.append(QStringLiteral("read ") + normalized(path));
    if (auto failure = injected(Op::Read, path))
        return *failure;
    const auto e = entry(path);
    if (!e || e->directory)
        return Status::failure(QStringLiteral("Файл «%1» не найден").arg(path), ErrorKind::NotFound);
    return decodeText(e->bytes, m_codePage, path);
}

Status FakeFileSystem::replaceText(const QString& path, const QString& text, TextEncoding encoding, quint32 attributes)
{
    m_log.append(QStringLiteral("write %1 %2").arg(normalized(path)).arg(attributes));
    auto encoded = encodeText(text, encoding, m_codePage);
    if (!encoded)
        return encoded.status();
    if (auto failure = injected(Op::Write, path))
        return *failure;
    if (!parentExists(path))
        return Status::failure(QStringLiteral("Папка файла «%1» не найдена").arg(path), ErrorKind::NotFound);
    if (const auto old = entry(path); old && old->directory)
        return Status::failure(QStringLiteral("«%1» — папка").arg(path));
    m_entries.insert(normalized(path), Entry{encoded.value(), attributes, false});
    return Status::ok();
}

Result<quint32> FakeFileSystem::attributes(const QString& path) const
{
    if (auto failure = injected(Op::Attributes, path))
        return *failure;
    const auto e = entry(path);
    if (!e)
        return Status::failure(QStringLiteral("«%1» не найден").arg(path), ErrorKind::NotFound);
    return e->attributes | (e->directory ? attr::Directory : 0u);
}

Status FakeFileSystem::setAttributes(const QString& path, quint32 value)
{
    m_log.append(QStringLiteral("attrib %1 %2").arg(normalized(path)).arg(value));
    if (auto failure = injected(Op::SetAttributes, path))
        return *failure;
    const auto it = m_entries.find(normalized(path));
    if (it == m_entries.end())
        return Status::failure(QStringLiteral("«%1» не найден").arg(path), ErrorKind::NotFound);
    it->attributes = value;
    return Status::ok();
}

Status FakeFileSystem::removeFile(const QString& path)
{
    m_log.append(QStringLiteral("remove ") + normalized(path));
    if (auto failure = injected(Op::Remove, path))
        return *failure;
    const auto it = m_entries.find(normalized(path));
    if (it == m_entries.end() || it->directory)
        return Status::failure(QStringLiteral("Файл «%1» не найден").arg(path), ErrorKind::NotFound);
    m_entries.erase(it);
    return Status::ok();
}

Status FakeFileSystem::makeDirectory(const QString& path)
{
    m_log.append(QStringLiteral("mkdir ") + normalized(path));
    if (auto failure = injected(Op::MakeDirectory, path))
        return *failure;
    if (exists(path))
        return Status::failure(QStringLiteral("«%1» уже существует").arg(path));
    if (!parentExists(path))
        return Status::failure(QStringLiteral("Папка для «%1» не найдена").arg(path), ErrorKind::NotFound);
    addDirectory(path);
    return Status::ok();
}

} // namespace mirtal::platform

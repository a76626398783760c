#pragma once

#include "platform/AnsiCodePage.h"
#include "platform/FileSystem.h"

#include <QByteArray>
#include <QMap>
#include <QStringList>

#include <optional>

namespace mirtal::platform {

// An in-memory file system with '/' paths. Any operation can be scripted to fail; every call is logged.
class FakeFileSystem final : public FileSystem {
public:
    enum class Op { Read, Write, Attributes, SetAttributes, Remove, MakeDirectory };

    struct Entry {
        QByteArray bytes;
        quint32 attributes = attr::Normal;
        bool directory = false;
    };

    explicit FakeFileSystem(QString programDirectory = QStringLiteral("/opt/mirtal"),
                            AnsiCodePage codePage = AnsiCodePage::windows1251());

    void addDirectory(const QString& path, quint32 attributes = attr::Normal);
    void addFile(const QString& path, const QByteArray& bytes, quint32 attributes = attr::Normal);
    std::optional<Entry> entry(const QString& path) const;
    bool exists(const QString& path) const { return entry(path).has_value(); }
    QByteArray bytes(const QString& path) const;
    QStringList paths() const { return m_entries.keys(); }

    // The skip-th next call of op (optionally only on path) fails with message and kind; once.
    void failNext(Op op, const QString& path = {}, int skip = 0,
                  const QString& message = QStringLiteral("Отказано в доступе"), ErrorKind kind = ErrorKind::Failed);
    const QStringList& log() const { return m_log; }
    void clearLog() { m_log.clear(); }

    bool find(const QString& path, FindFilter filter) const override;
    // Names that differ only in case are all kept; the search ignores case as Windows' does.
    QString locate(const QString& folder, const QString& name) const override;
    Result<TextFile> readText(const QString& path) const override;
    // One step, as a rename is: the new bytes and the new attributes together, or nothing.
    Status replaceText(const QString& path, const QString& text, TextEncoding encoding, quint32 attributes) override;
    Status checkEncodable(const QString& text) const override { return m_codePage.encode(text).status(); }
    Result<quint32> attributes(const QString& path) const override;
    Status setAttributes(const QString& path, quint32 value) override;
    Status removeFile(const QString& path) override;
    Status makeDirectory(const QString& path) override;
    QString programDirectory() const override { return m_programDirectory; }

    static QString normalized(const QString& path);

private:
    struct Failure {
        Op op;
        QString path;
        int skip;
        QString message;
        ErrorKind kind;
    };
    std::optional<Status> injected(Op op, const QString& path) const;
    bool parentExists(const QString& path) const;

    QString m_programDirectory;
    AnsiCodePage m_codePage;
    QMap<QString, Entry> m_entries;
    mutable QList<Failure> m_failures;
    mutable QStringList m_log;
};

} // namespace mirtal::platform

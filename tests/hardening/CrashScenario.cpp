#include "CrashScenario.h"

#include "platform/AnsiCodePage.h"

namespace mirtal::test::crash {
namespace {

QByteArray cp1251(const QString& text) { return platform::AnsiCodePage::windows1251().encode(text).value(); }

QString foreignHead()
{
    return QStringLiteral("[.ShellClassInfo]\r\nIconResource=C:\\Windows\\system32\\imageres.dll,-3\r\n"
                          "InfoTip=Фотографии из отпуска\r\n");
}

QString foreignTail()
{
    QString tail = QStringLiteral("[ViewState]\r\nMode=\r\nVid=\r\nFolderType=Pictures\r\n[Комментарии]\r\n");
    for (int i = 0; i < 120; ++i)
        tail += QStringLiteral("Файл%1.jpg=снимок номер %1, сделан на берегу\r\n").arg(i);
    return tail;
}

QByteArray rewritten(const Settings& settings)
{
    QString text = foreignHead() + QStringLiteral("Foreign=1\r\n") + foreignTail() +
                   QStringLiteral("\r\n[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\n");
    const QString image = QString::fromUtf8(settings.imagePath);
    if (!image.isEmpty())
        text += QStringLiteral("IconArea_Image=") + image + QStringLiteral("\r\n");
    text += QStringLiteral("IconArea_Text=0x00") + QString::fromUtf8(settings.textColorHex) + QStringLiteral("\r\n");
    return cp1251(text);
}

} // namespace

QByteArray originalFile()
{
    return cp1251(foreignHead() +
                  QStringLiteral("\r\n[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\n"
                                 "IconArea_Image=C:\\old.jpg\r\nForeign=1\r\nIconArea_Text=0x00FF\r\n") +
                  foreignTail());
}

QByteArray withFirst() { return rewritten(kFirst); }
QByteArray withSecond() { return rewritten(kSecond); }

} // namespace mirtal::test::crash

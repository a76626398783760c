#include "QtDialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace mirtal::platform {

Answer QtDialogs::message(QWidget* owner, const QString& text, const QString& title, MessageIcon icon,
                          MessageButtons buttons)
{
    QMessageBox box(owner);
    box.setWindowTitle(title.isEmpty() ? applicationTitle() : title);
    box.setText(text);
    switch (icon) {
    case MessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MessageIcon::Stop:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    }
    if (buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Answer::Ok;
}

QString QtDialogs::qtNameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        filters.append(parts.at(i) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return filters.join(QStringLiteral(";;"));
}

std::optional<QString> QtDialogs::openFile(QWidget* owner, const QString& title, const QString& filter,
                                           const QString& initialFile)
{
    QFileDialog dialog(owner, title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(qtNameFilters(filter).split(QStringLiteral(";;")));
    if (!initialFile.isEmpty()) {
        dialog.setDirectory(QFileInfo(initialFile).absolutePath());
        dialog.selectFile(initialFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

qint32 QtDialogs::chooseColor(QWidget* owner)
{
    // Every opening starts on black with sixteen black custom colours.
    for (int i = 0; i < QColorDialog::customCount(); ++i)
        QColorDialog::setCustomColor(i, QColor(Qt::black));
    QColorDialog dialog(QColor(Qt::black), owner);
    if (dialog.exec() != QDialog::Accepted)
        return -1;
    const QColor c = dialog.selectedColor();
    if (!c.isValid())
        return -1;
    return static_cast<qint32>(static_cast<quint32>(c.red()) | static_cast<quint32>(c.green()) << 8 |
                               static_cast<quint32>(c.blue()) << 16);
}

} // namespace mirtal::platform

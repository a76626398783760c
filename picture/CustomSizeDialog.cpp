#include "CustomSizeDialog.h"

#include "platform/Screen.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace mirtal::picture {

namespace {

// The layout is designed in twips.
constexpr QRect twips(int left, int top, int width, int height)
{
    constexpr int k = platform::kTwipsPerPixel;
    return {left / k, top / k, width / k, height / k};
}

QLineEdit* numberBox(QWidget* parent, const QString& name, const QString& text, QRect geometry)
{
    auto* box = new QLineEdit(text, parent);
    box->setObjectName(name);
    box->setAlignment(Qt::AlignCenter);
    box->setGeometry(geometry);
    return box;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption, QRect geometry)
{
    auto* push = new QPushButton(caption, parent);
    push->setObjectName(name);
    push->setAutoDefault(false);
    push->setDefault(false);
    push->setGeometry(geometry);
    return push;
}

} // namespace

CustomSizeDialog::CustomSizeDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , Text1(numberBox(this, QStringLiteral("Text1"), QStringLiteral("783"), twips(180, 540, 1275, 285)))
    , Text2(numberBox(this, QStringLiteral("Text2"), QStringLiteral("626"), twips(1440, 540, 1275, 285)))
    , Command1(button(this, QStringLiteral("Command1"), QStringLiteral("ОК"), twips(180, 1020, 1275, 435)))
    , Command2(button(this, QStringLiteral("Command2"), QStringLiteral("Отмена"), twips(1440, 1020, 1275, 435)))
    , Label1(new QLabel(QStringLiteral("Введите размеры:"), this))
{
    setObjectName(QStringLiteral("CustomSizeDialog"));
    setModal(true);
    setFixedSize(twips(0, 0, 2880, 1605).size());

    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twips(240, 120, 2355, 375));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setAutoFillBackground(false);
    QPalette white = Label1->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    Label1->setPalette(white);
    QFont font(QStringLiteral("Comic Sans MS"));
    font.setPointSizeF(11.25);
    Label1->setFont(font);
    Label1->setFocusPolicy(Qt::NoFocus);

    setTabOrder(Text1, Text2);
    setTabOrder(Text2, Command1);
    setTabOrder(Command1, Command2);
    Text1->setFocus();

    connect(Command1, &QPushButton::clicked, this, &CustomSizeDialog::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &CustomSizeDialog::Command2_Click);
}

void CustomSizeDialog::Command1_Click()
{
    m_widthText = Text1->text();
    m_heightText = Text2->text();
    m_customSizeSet = true;
    accept();
}

void CustomSizeDialog::Command2_Click()
{
    m_customSizeSet = false;
    reject();
}

void CustomSizeDialog::keyPressEvent(QKeyEvent* event)
{
    // Neither button is a default or a cancel button: Enter and Esc stop here.
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CustomSizeDialog::showEvent(QShowEvent* event)
{
    if (const QScreen* shown = screen())
        move(shown->geometry().center() - rect().center());
    QDialog::showEvent(event);
}

} // namespace mirtal::picture

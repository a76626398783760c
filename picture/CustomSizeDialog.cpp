#include "CustomSizeDialog.h"

#include "platform/Screen.h"
#include "widgets/TextColor.h"

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
    , m_widthBox(numberBox(this, QStringLiteral("widthBox"), QStringLiteral("783"), twips(180, 540, 1275, 285)))
    , m_heightBox(numberBox(this, QStringLiteral("heightBox"), QStringLiteral("626"), twips(1440, 540, 1275, 285)))
    , m_okButton(button(this, QStringLiteral("okButton"), QStringLiteral("ОК"), twips(180, 1020, 1275, 435)))
    , m_cancelButton(
          button(this, QStringLiteral("cancelButton"), QStringLiteral("Отмена"), twips(1440, 1020, 1275, 435)))
    , m_prompt(new QLabel(QStringLiteral("Введите размеры:"), this))
{
    setObjectName(QStringLiteral("CustomSizeDialog"));
    setModal(true);
    setFixedSize(twips(0, 0, 2880, 1605).size());

    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);

    m_prompt->setObjectName(QStringLiteral("prompt"));
    m_prompt->setGeometry(twips(240, 120, 2355, 375));
    m_prompt->setAlignment(Qt::AlignCenter);
    m_prompt->setAutoFillBackground(false);
    widgets::setTextColor(m_prompt, Qt::white);
    QFont font(QStringLiteral("Comic Sans MS"));
    font.setPointSizeF(11.25);
    m_prompt->setFont(font);
    m_prompt->setFocusPolicy(Qt::NoFocus);

    setTabOrder(m_widthBox, m_heightBox);
    setTabOrder(m_heightBox, m_okButton);
    setTabOrder(m_okButton, m_cancelButton);
    m_widthBox->setFocus();

    connect(m_okButton, &QPushButton::clicked, this, &CustomSizeDialog::confirm);
    connect(m_cancelButton, &QPushButton::clicked, this, &CustomSizeDialog::cancel);
}

void CustomSizeDialog::confirm()
{
    m_widthText = m_widthBox->text();
    m_heightText = m_heightBox->text();
    m_customSizeSet = true;
    accept();
}

void CustomSizeDialog::cancel()
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

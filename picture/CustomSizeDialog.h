#pragma once

#include <QDialog>
#include <QString>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace mirtal::picture {

// The custom-size dialog: borderless and black, two boxes and "ОК" / "Отмена". Enter and Esc mean nothing
// here. Created afresh for each showing; read the result after exec().
class CustomSizeDialog final : public QDialog {
    Q_OBJECT

public:
    explicit CustomSizeDialog(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(CustomSizeDialog)

    // True only when the dialog was closed with "ОК"; any other way out is a cancel.
    bool customSizeSet() const { return m_customSizeSet; }
    // The boxes' texts as confirmed with "ОК", unchecked.
    QString widthText() const { return m_widthText; }
    QString heightText() const { return m_heightText; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private Q_SLOTS:
    void confirm();
    void cancel();

private:
    QLineEdit* m_widthBox;
    QLineEdit* m_heightBox;
    QPushButton* m_okButton;
    QPushButton* m_cancelButton;
    QLabel* m_prompt;

    bool m_customSizeSet = false;
    QString m_widthText;
    QString m_heightText;
};

} // namespace mirtal::picture

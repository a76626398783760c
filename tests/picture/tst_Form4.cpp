#include "picture/Form4.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using mirtal::picture::Form4;

class Form4Test final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { m_form.reset(); }
    void designValues();
    void tabOrderFromText1();
    void okReturnsTextAsTyped();
    void cancelAndOtherClosesSetNothing();
    void escapeAndEnterDoNothing();

private:
    template <typename T = QWidget> T* child(const char* name) const
    {
        return m_form->findChild<T*>(QLatin1String(name));
    }

    std::unique_ptr<Form4> m_form;
};

void Form4Test::init()
{
    m_form = std::make_unique<Form4>();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
}

void Form4Test::designValues()
{
    QVERIFY(m_form->windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(m_form->minimumSize(), QSize(192, 107));
    QCOMPARE(m_form->maximumSize(), QSize(192, 107));
    QCOMPARE(m_form->frameGeometry().center(), m_form->screen()->geometry().center());
    QCOMPARE(m_form->palette().color(QPalette::Window), QColor(Qt::black));

    const std::pair<const char*, QString> texts[] = {
        {"Text1", QStringLiteral("783")},
        {"Text2", QStringLiteral("626")},
        {"Command1", QStringLiteral("\u041E\u041A")},
        {"Command2", QStringLiteral("Отмена")},
        {"Label1", QStringLiteral("Введите размеры:")},
    };
    for (const auto& [name, text] : texts)
        QCOMPARE(child(name)->property("text").toString(), text);
    for (const char* name : {"Command1", "Command2"})
        QVERIFY(!child<QPushButton>(name)->isDefault() && !child<QPushButton>(name)->autoDefault());
}

void Form4Test::tabOrderFromText1()
{
    QStringList order{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(order.join(QLatin1Char(' ')), QStringLiteral("Text1 Text2 Command1 Command2 Text1"));
}

void Form4Test::okReturnsTextAsTyped()
{
    child<QLineEdit>("Text1")->clear();
    QTest::keyClicks(child("Text1"), QStringLiteral("12345"));
    child<QLineEdit>("Text2")->setText(QStringLiteral("1x"));
    QTest::mouseClick(child("Command1"), Qt::LeftButton);

    QVERIFY(m_form->customSizeSet());
    QCOMPARE(m_form->widthText(), QStringLiteral("12345"));
    QCOMPARE(m_form->heightText(), QStringLiteral("1x"));
    QCOMPARE(m_form->result(), static_cast<int>(QDialog::Accepted));
    QVERIFY(!m_form->isVisible());
}

void Form4Test::cancelAndOtherClosesSetNothing()
{
    QTest::mouseClick(child("Command2"), Qt::LeftButton);
    QVERIFY(!m_form->isVisible());
    QVERIFY(!m_form->customSizeSet());

    m_form = std::make_unique<Form4>();
    m_form->show();
    QVERIFY(m_form->close());
    QVERIFY(!m_form->customSizeSet());
}

void Form4Test::escapeAndEnterDoNothing()
{
    for (const char* name : {"Text1", "Text2", "Command1", "Command2"}) {
        child(name)->setFocus();
        for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter})
            QTest::keyClick(child(name), key);
        QVERIFY2(m_form->isVisible(), name);
    }
    QVERIFY(!m_form->customSizeSet());
}

QTEST_MAIN(Form4Test)
#include "tst_Form4.moc"

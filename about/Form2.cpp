#include "about/Form2.h"

#include "about/AboutArt.h"
#include "mirtal/Version.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QStyleOptionFocusRect>
#include <QTimer>

#include <utility>

namespace mirtal::about {
namespace {

constexpr QSize kClientSize(501, 579);
constexpr int kTimer1Interval = 2000;
constexpr int kTimer3Interval = 80;

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kCloseBackground(64, 64, 64);
const QColor kCloseHoverBackground(128, 128, 128);
const QColor kCloseHoverText(228, 228, 228);
const QColor kLinkLayoutText(202, 202, 251);
const QColor kLinkText(192, 192, 255);
const QColor kLinkHoverText(252, 227, 186);
const QColor kLinkPressedText(248, 208, 105);
const QColor kStatusText(192, 255, 192);
const QColor kStreakColor(222, 245, 254);

QFont windowFont(const QString& family, qreal points, bool underline = false)
{
    QFont font(family);
    font.setPointSizeF(points);
    font.setUnderline(underline);
    return font;
}

QFont sansSerif(qreal points, bool underline = false)
{
    return windowFont(QStringLiteral("MS Sans Serif"), points, underline);
}

QFont comic(qreal points) { return windowFont(QStringLiteral("Comic Sans MS"), points); }

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

void setBackgroundColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
                  Qt::Alignment alignment, const QFont& font)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1StringView(name));
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setGeometry(geometry);
    label->setAlignment(alignment | Qt::AlignTop);
    label->setFont(font);
    setTextColour(label, kWhite);
    return label;
}

// `Picture1`: the banner picture. The streak's points are plotted once, by the paint that a tick asks for, and kept
// nowhere: any other repaint (the banner covered and uncovered) shows the plain picture until the next frame.
class BannerBox final : public QWidget {
public:
    explicit BannerBox(QWidget* parent)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    Q_DISABLE_COPY_MOVE(BannerBox)

    void setStreak(const BannerAnimation* animation, const QColor& colour)
    {
        m_animation = animation;
        m_colour = colour;
    }

    // Plots the animation's current frame over the banner.
    void plotFrame()
    {
        m_plotPending = true;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.drawImage(0, 0, bannerPicture());
        const bool plot = std::exchange(m_plotPending, false);
        if (!plot || m_animation == nullptr || m_animation->points().isEmpty())
            return;
        p.setPen(QPen(m_colour, 0));
        p.drawPoints(m_animation->points().constData(), static_cast<int>(m_animation->points().size()));
    }

private:
    const BannerAnimation* m_animation = nullptr;
    QColor m_colour;
    bool m_plotPending = false;
};

// `Command1`: a button whose face is a picture, with a thin raised edge that sinks while pressed.
class PictureButton final : public QAbstractButton {
public:
    PictureButton(const QImage& picture, QWidget* parent)
        : QAbstractButton(parent)
        , m_picture(picture)
    {
        setFocusPolicy(Qt::StrongFocus);
    }
    Q_DISABLE_COPY_MOVE(PictureButton)

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QRect r = rect();
        p.fillRect(r, kBlack);
        const bool sunk = isDown();
        QPoint at((r.width() - m_picture.width()) / 2, (r.height() - m_picture.height()) / 2);
        if (sunk)
            at += QPoint(1, 1);
        p.drawImage(at, m_picture);

        const QColor light(176, 176, 176);
        const QColor dark(40, 40, 40);
        p.setPen(sunk ? dark : light);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(sunk ? light : dark);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());

        if (hasFocus()) {
            QPen dots(QColor(224, 224, 224), 0, Qt::DotLine);
            p.setPen(dots);
            p.drawRect(r.adjusted(3, 3, -4, -4));
        }
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        // A focused button also answers Enter, as Space.
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            animateClick();
            return;
        }
        QAbstractButton::keyPressEvent(event);
    }

private:
    QImage m_picture;
};

// `Frame2`: an etched frame with its caption on the top edge, and the three white lines drawn on it beneath the
// controls.
class DescriptionFrame final : public QGroupBox {
public:
    DescriptionFrame(const QString& title, QWidget* parent)
        : QGroupBox(title, parent)
    {
    }
    Q_DISABLE_COPY_MOVE(DescriptionFrame)

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), kBlack);

        const QFontMetrics metrics(font());
        const int edge = metrics.height() / 2;
        const QRect frame = rect().adjusted(0, edge, -1, -1);
        p.setPen(QColor(128, 128, 128));
        p.drawRect(frame.adjusted(0, 0, -1, -1));
        p.setPen(QColor(255, 255, 255, 200));
        p.drawRect(frame.adjusted(1, 1, 0, 0));

        const QRect caption(8, 0, metrics.horizontalAdvance(title()) + 4, metrics.height());
        p.fillRect(caption, kBlack);
        p.setPen(kWhite);
        p.drawText(caption, Qt::AlignCenter, title());

        p.setPen(kWhite);
        p.drawLine(16, 400, 16, 564);   // Line2
        p.drawLine(476, 404, 476, 564); // Line3
        p.drawLine(0, 552, 492, 552);   // Line1
    }
};

} // namespace

Form2::Form2(platform::HttpTransfer& http, platform::Shell& shell, QString siteRoot, RandomSource random,
             QWidget* parent)
    : QDialog(parent)
    , m_shell(shell)
    , m_siteRoot(std::move(siteRoot))
{
    buildControls();

    // Load.
    m_streakColor = kStreakColor;
    m_streakRows = static_cast<qint16>(m_picture1->height()); // the banner's inner height in pixels
    m_animation = std::make_unique<BannerAnimation>(m_streakRows, std::move(random));
    static_cast<BannerBox*>(m_picture1)->setStreak(m_animation.get(), m_streakColor);
    m_updateCheck = std::make_unique<UpdateCheck>(http, updateFileUrl(m_siteRoot),
                                                  [this](const QString& text) { m_label7->setText(text); });
}

Form2::~Form2() = default;

QString Form2::descriptionText()
{
    return QStringLiteral("Программа редактирует фон и цвет шрифта надписей, в окне эксплорера "
                          "для конкретной папки.\r\n\r\n"
                          "Принцип работы, заключается в редактировании файла Desktop.ini в "
                          "папке с редактируемым фоном, в нем хранятся настройки, о фоне, цвете "
                          "шрифта, и иконки. Утилита для его программного и удобного "
                          "редактирования была в Windows 98, в Windows XP стандартных средств "
                          "для этого нет (есть только редактирование иконки), остаётся либо "
                          "ручное редактирование (если знать что туда писать), либо "
                          "использование таких сторонних программ, как эта.\r\n\r\n"
                          "Во время редактирования файла она указывает для этой папки атрибут "
                          "\"системный\" (для корректного отображения фона), поэтому при "
                          "назначении такой папке атрибута \"скрытый\" без соответствующего "
                          "параметра в свойствах папки, эта папка не будет отображаться совсем. "
                          "При удалении файла атрибут \"системный\" снимается.\r\n\r\n"
                          "Для установки фона удобно использовать тайлинговые текстуры, так как "
                          "их края подогнаны так, чтобы при склеивании с противоположным краем "
                          "шва не наблюдалось.\r\n\r\n"
                          "Подгон размера фона:\r\n"
                          "Так как размер области на экране, где будет отображаться фон имеет "
                          "особый размер, в программе предусмотрена возможность автоматического "
                          "изменения размера картинки фона. Она создает измененную копию этого "
                          "файла и сохраняет ее в папку pictures, которая находится в папке с "
                          "установленной программой. \r\n\r\n"
                          "Если автоматический режим изменил размер картинки некорректно, вы "
                          "можете выбрать режим \"свой размер\" и указать размеры вручную.\r\n");
}

void Form2::buildControls()
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral(" О программе"));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setFixedSize(kClientSize);
    setFont(sansSerif(9.75));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kBlack);
    palette.setColor(QPalette::WindowText, kWhite);
    setPalette(palette);
    setAutoFillBackground(true);
    setMouseTracking(true);

    m_frame2 = new DescriptionFrame(QStringLiteral("Описание"), this);
    m_frame2->setObjectName(QStringLiteral("Frame2"));
    m_frame2->setGeometry(4, 8, 493, 565);
    m_frame2->setFont(sansSerif(8.25));
    m_frame2->setMouseTracking(true);
    m_frame2->installEventFilter(this);

    m_picture1 = new BannerBox(m_frame2);
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_picture1->setGeometry(QRect(QPoint(16, 20), kBannerSize));
    m_picture1->setFocusPolicy(Qt::StrongFocus);

    m_label1 =
        makeLabel(m_picture1, "Label1",
                  QStringLiteral("Тобрелин      v.") + QLatin1String(kBannerVersion) + QStringLiteral("   Июль 2008"),
                  QRect(196, 0, 201, 17), Qt::AlignRight, comic(8.25));

    m_text1 = new QPlainTextEdit(m_frame2);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setGeometry(16, 88, 461, 317);
    m_text1->setFont(sansSerif(8.25));
    m_text1->setReadOnly(true);
    m_text1->setTabChangesFocus(true);
    // Read-only, yet the caret and keyboard selection stay, as in an ordinary locked text box.
    m_text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QPalette textPalette = m_text1->palette();
    textPalette.setColor(QPalette::Base, kBlack);
    textPalette.setColor(QPalette::Text, kWhite);
    m_text1->setPalette(textPalette);
    // The scroll bar keeps the ordinary look of the desktop rather than the window's black.
    m_text1->verticalScrollBar()->setPalette(QGuiApplication::palette());
    // The text box would take CR and LF each for a line end; one line end is CR LF.
    QString shown = descriptionText();
    shown.replace(QLatin1StringView("\r\n"), QLatin1StringView("\n"));
    m_text1->setPlainText(shown);
    m_text1->viewport()->setMouseTracking(true);
    m_text1->viewport()->installEventFilter(this);

    m_label5 = makeLabel(m_frame2, "Label5", QStringLiteral("На сайте "), QRect(40, 415, 49, 17), Qt::AlignLeft,
                         sansSerif(8.25));
    m_label4 = makeLabel(m_frame2, "Label4", m_siteRoot, QRect(92, 412, 161, 17), Qt::AlignLeft, sansSerif(9.75, true));
    setTextColour(m_label4, kLinkLayoutText);
    m_label2 = makeLabel(m_frame2, "Label2",
                         QStringLiteral("вы вероятно сможете найти новую версию этой программы; скачать другие мои "
                                        "программы, задать интересующие вопросы, выразить свое мнение о программе, "
                                        "пожелания, сообщить об ошибках."),
                         QRect(32, 428, 429, 41), Qt::AlignLeft, sansSerif(8.25));
    m_label2->setWordWrap(true);

    m_command1 = new PictureButton(checkButtonPicture(), m_frame2);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setGeometry(36, 480, 277, 21);
    m_command1->setAccessibleName(QStringLiteral("Проверить наличие новой версии на сайте"));
    connect(m_command1, &QAbstractButton::clicked, this, &Form2::CheckForUpdate);

    // No font of its own: the window's.
    m_label7 = makeLabel(m_frame2, "Label7", QString(), QRect(320, 484, 145, 17), Qt::AlignHCenter, font());
    setTextColour(m_label7, kStatusText);

    m_label3 = makeLabel(m_frame2, "Label3", QStringLiteral("Закрыть"), QRect(24, 520, 445, 21), Qt::AlignHCenter,
                         comic(11.25));
    m_label3->setAutoFillBackground(true);
    setBackgroundColour(m_label3, kCloseBackground);

    // The reactive labels and the areas that put them back into their resting colours. The banner, the button and
    // the status line track no movement, so a pointer over them changes nothing.
    for (QLabel* label : {m_label1, m_label2, m_label5, m_label3, m_label4}) {
        label->setMouseTracking(true);
        label->installEventFilter(this);
    }

    setTabOrder(m_text1, m_command1);
    setTabOrder(m_command1, m_picture1);
    m_text1->setFocus();

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(kTimer1Interval);
    connect(m_timer1, &QTimer::timeout, this, &Form2::Timer1_Timer);
    m_timer3 = new QTimer(this);
    m_timer3->setObjectName(QStringLiteral("Timer3"));
    m_timer3->setInterval(kTimer3Interval);
    connect(m_timer3, &QTimer::timeout, this, &Form2::Timer3_Timer);
    m_timer1->start();

    // Centred on the screen (of the owner, if there is one).
    const QScreen* screen = parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        QRect placed(QPoint(0, 0), kClientSize);
        placed.moveCenter(screen->geometry().center());
        move(placed.topLeft());
    }
}

void Form2::done(int result)
{
    m_timer1->stop();
    m_timer3->stop();
    QDialog::done(result);
}

void Form2::CheckForUpdate() { m_updateCheck->run(); }

void Form2::ResetLinkColors()
{
    setTextColour(m_label3, kWhite);
    setBackgroundColour(m_label3, kCloseBackground);
    setTextColour(m_label4, kLinkText);
}

void Form2::Timer1_Timer()
{
    m_animation->Timer1Tick();
    syncTimers();
    static_cast<BannerBox*>(m_picture1)->plotFrame();
}

void Form2::Timer3_Timer()
{
    m_animation->Timer3Tick();
    syncTimers();
    static_cast<BannerBox*>(m_picture1)->plotFrame();
}

void Form2::syncTimers()
{
    const bool waiting = m_animation->state() == BannerAnimation::State::Waiting;
    QTimer* const running = waiting ? m_timer1 : m_timer3;
    QTimer* const stopped = waiting ? m_timer3 : m_timer1;
    stopped->stop();
    if (!running->isActive())
        running->start();
}

void Form2::Label3_MouseMove()
{
    setBackgroundColour(m_label3, kCloseHoverBackground);
    setTextColour(m_label3, kCloseHoverText);
}

void Form2::Label3_MouseDown() { setTextColour(m_label3, kBlack); }

void Form2::Label3_MouseUp() { close(); }

void Form2::Label4_MouseMove() { setTextColour(m_label4, kLinkHoverText); }

void Form2::Label4_MouseDown() { setTextColour(m_label4, kLinkPressedText); }

void Form2::Label4_MouseUp()
{
    // Nothing is reported when the browser cannot be started.
    static_cast<void>(m_shell.openUrl(m_siteRoot));
}

bool Form2::isResetArea(const QObject* watched) const
{
    return watched == m_frame2 || watched == m_label1 || watched == m_label2 || watched == m_label5 ||
           watched == m_text1->viewport();
}

bool Form2::eventFilter(QObject* watched, QEvent* event)
{
    const bool onClose = watched == m_label3;
    const bool onLink = watched == m_label4;
    switch (event->type()) {
    case QEvent::MouseMove:
        if (onClose) {
            Label3_MouseMove();
            return true;
        }
        if (onLink) {
            Label4_MouseMove();
            return true;
        }
        if (isResetArea(watched)) {
            ResetLinkColors();
            // The text box still needs the movement for selecting; a label's movement ends here.
            return watched != m_text1->viewport() && watched != m_frame2;
        }
        break;
    case QEvent::MouseButtonPress:
        // The widget pressed gets the release too, wherever the pointer is by then (Qt's implicit grab).
        if (onClose) {
            Label3_MouseDown();
            return true;
        }
        if (onLink) {
            Label4_MouseDown();
            return true;
        }
        break;
    case QEvent::MouseButtonDblClick:
        // The second press of a double click is not another press.
        if (onClose || onLink)
            return true;
        break;
    case QEvent::MouseButtonRelease:
        if (onClose) {
            Label3_MouseUp();
            return true;
        }
        if (onLink) {
            Label4_MouseUp();
            return true;
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

// Windows shows a tool window without activating it; the modal About window takes the keyboard and the first click.
void Form2::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    activateWindow();
}

void Form2::mouseMoveEvent(QMouseEvent* event)
{
    ResetLinkColors();
    QDialog::mouseMoveEvent(event);
}

void Form2::keyPressEvent(QKeyEvent* event)
{
    // Escape does not close this window: only "Закрыть" and the close box do.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace mirtal::about

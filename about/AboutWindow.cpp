#include "about/AboutWindow.h"

#include "about/AboutArt.h"
#include "about/CloseOnlyInput.h"
#include "mirtal/Version.h"
#include "widgets/TextColor.h"

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

using widgets::setTextColor;

namespace {

constexpr QSize kClientSize(501, 579);
constexpr int kWaitInterval = 2000;
constexpr int kFrameInterval = 80;

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
    setTextColor(label, kWhite);
    return label;
}

} // namespace

// The banner picture. The streak's points are plotted once, by the paint that a tick asks for, and kept nowhere:
// any other repaint (the banner covered and uncovered) shows the plain picture until the next frame.
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

namespace {

// The update check's button: its face is a picture, with a thin raised edge that sinks while pressed.
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

// The description's frame: etched with its caption on the top edge, and the three white lines drawn on it beneath the
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
        p.drawLine(16, 400, 16, 564);   // left of the site text
        p.drawLine(476, 404, 476, 564); // right of it
        p.drawLine(0, 552, 492, 552);   // under the close bar
    }
};

} // namespace

AboutWindow::AboutWindow(platform::HttpTransfer& http, platform::Shell& shell, QString siteRoot, RandomSource random,
                         QWidget* parent)
    : QDialog(parent)
    , m_shell(shell)
    , m_siteRoot(std::move(siteRoot))
{
    buildControls();

    // Load.
    m_streakColor = kStreakColor;
    m_streakRows = static_cast<qint16>(m_banner->height()); // the banner's inner height in pixels
    m_animation = std::make_unique<BannerAnimation>(m_streakRows, std::move(random));
    m_banner->setStreak(m_animation.get(), m_streakColor);
    m_updateCheck = std::make_unique<UpdateCheck>(http, updateFileUrl(m_siteRoot),
                                                  [this](const QString& text) { m_statusLabel->setText(text); });
}

AboutWindow::~AboutWindow() = default;

QString AboutWindow::descriptionText()
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

void AboutWindow::buildControls()
{
    setObjectName(QStringLiteral("AboutWindow"));
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

    m_descriptionFrame = new DescriptionFrame(QStringLiteral("Описание"), this);
    m_descriptionFrame->setObjectName(QStringLiteral("descriptionFrame"));
    m_descriptionFrame->setGeometry(4, 8, 493, 565);
    m_descriptionFrame->setFont(sansSerif(8.25));
    m_descriptionFrame->setMouseTracking(true);
    m_descriptionFrame->installEventFilter(this);

    m_banner = new BannerBox(m_descriptionFrame);
    m_banner->setObjectName(QStringLiteral("banner"));
    m_banner->setGeometry(QRect(QPoint(16, 20), kBannerSize));
    m_banner->setFocusPolicy(Qt::StrongFocus);

    m_versionLabel =
        makeLabel(m_banner, "versionLabel",
                  QStringLiteral("Тобрелин      v.") + QLatin1String(kBannerVersion) + QStringLiteral("   Июль 2008"),
                  QRect(196, 0, 201, 17), Qt::AlignRight, comic(8.25));

    m_description = new QPlainTextEdit(m_descriptionFrame);
    m_description->setObjectName(QStringLiteral("description"));
    m_description->setGeometry(16, 88, 461, 317);
    m_description->setFont(sansSerif(8.25));
    m_description->setReadOnly(true);
    m_description->setTabChangesFocus(true);
    // Read-only, yet the caret and keyboard selection stay, as in an ordinary locked text box.
    m_description->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_description->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_description->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_description->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_description->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QPalette textPalette = m_description->palette();
    textPalette.setColor(QPalette::Base, kBlack);
    textPalette.setColor(QPalette::Text, kWhite);
    m_description->setPalette(textPalette);
    // The scroll bar keeps the ordinary look of the desktop rather than the window's black.
    m_description->verticalScrollBar()->setPalette(QGuiApplication::palette());
    // The text box would take CR and LF each for a line end; one line end is CR LF.
    QString shown = descriptionText();
    shown.replace(QLatin1StringView("\r\n"), QLatin1StringView("\n"));
    m_description->setPlainText(shown);
    m_description->viewport()->setMouseTracking(true);
    m_description->viewport()->installEventFilter(this);

    m_siteCaption = makeLabel(m_descriptionFrame, "siteCaption", QStringLiteral("На сайте "), QRect(40, 415, 49, 17),
                              Qt::AlignLeft, sansSerif(8.25));
    m_siteLink = makeLabel(m_descriptionFrame, "siteLink", m_siteRoot, QRect(92, 412, 161, 17), Qt::AlignLeft,
                           sansSerif(9.75, true));
    setTextColor(m_siteLink, kLinkLayoutText);
    m_siteText = makeLabel(m_descriptionFrame, "siteText",
                           QStringLiteral("вы вероятно сможете найти новую версию этой программы; скачать другие мои "
                                          "программы, задать интересующие вопросы, выразить свое мнение о программе, "
                                          "пожелания, сообщить об ошибках."),
                           QRect(32, 428, 429, 41), Qt::AlignLeft, sansSerif(8.25));
    m_siteText->setWordWrap(true);

    m_checkButton = new PictureButton(checkButtonPicture(), m_descriptionFrame);
    m_checkButton->setObjectName(QStringLiteral("checkForUpdateButton"));
    m_checkButton->setGeometry(36, 480, 277, 21);
    m_checkButton->setAccessibleName(QStringLiteral("Проверить наличие новой версии на сайте"));
    connect(m_checkButton, &QAbstractButton::clicked, this, &AboutWindow::checkForUpdate);

    // No font of its own: the window's.
    m_statusLabel =
        makeLabel(m_descriptionFrame, "statusLabel", QString(), QRect(320, 484, 145, 17), Qt::AlignHCenter, font());
    setTextColor(m_statusLabel, kStatusText);

    m_closeBar = makeLabel(m_descriptionFrame, "closeBar", QStringLiteral("Закрыть"), QRect(24, 520, 445, 21),
                           Qt::AlignHCenter, comic(11.25));
    m_closeBar->setAutoFillBackground(true);
    setBackgroundColour(m_closeBar, kCloseBackground);

    // The reactive labels and the areas that put them back into their resting colours. The banner, the button and
    // the status line track no movement, so a pointer over them changes nothing.
    for (QLabel* label : {m_versionLabel, m_siteText, m_siteCaption, m_closeBar, m_siteLink}) {
        label->setMouseTracking(true);
        label->installEventFilter(this);
    }

    setTabOrder(m_description, m_checkButton);
    setTabOrder(m_checkButton, m_banner);
    m_description->setFocus();

    m_waitTimer = new QTimer(this);
    m_waitTimer->setObjectName(QStringLiteral("waitTimer"));
    m_waitTimer->setInterval(kWaitInterval);
    connect(m_waitTimer, &QTimer::timeout, this, &AboutWindow::waitTimerTick);
    m_frameTimer = new QTimer(this);
    m_frameTimer->setObjectName(QStringLiteral("frameTimer"));
    m_frameTimer->setInterval(kFrameInterval);
    connect(m_frameTimer, &QTimer::timeout, this, &AboutWindow::frameTimerTick);
    m_waitTimer->start();

    // Centred on the screen (of the owner, if there is one).
    const QScreen* screen = parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        QRect placed(QPoint(0, 0), kClientSize);
        placed.moveCenter(screen->geometry().center());
        move(placed.topLeft());
    }
}

void AboutWindow::done(int result)
{
    // Closed while the check waits: the transfer ends now, the window once the check's handler has returned.
    if (m_updateCheck->isRunning()) {
        m_closeAfterCheck = result;
        m_updateCheck->abort();
        return;
    }
    m_waitTimer->stop();
    m_frameTimer->stop();
    QDialog::done(result);
}

void AboutWindow::checkForUpdate()
{
    {
        // While the check waits, the window takes no input but what closes it.
        const CloseOnlyInput closeOnly(this, m_closeBar);
        m_updateCheck->run();
    }
    if (m_closeAfterCheck)
        done(*std::exchange(m_closeAfterCheck, std::nullopt));
}

void AboutWindow::resetLinkColors()
{
    setTextColor(m_closeBar, kWhite);
    setBackgroundColour(m_closeBar, kCloseBackground);
    setTextColor(m_siteLink, kLinkText);
}

void AboutWindow::waitTimerTick()
{
    m_animation->waitTick();
    syncTimers();
    m_banner->plotFrame();
}

void AboutWindow::frameTimerTick()
{
    m_animation->frameTick();
    syncTimers();
    m_banner->plotFrame();
}

void AboutWindow::syncTimers()
{
    const bool waiting = m_animation->state() == BannerAnimation::State::Waiting;
    QTimer* const running = waiting ? m_waitTimer : m_frameTimer;
    QTimer* const stopped = waiting ? m_frameTimer : m_waitTimer;
    stopped->stop();
    if (!running->isActive())
        running->start();
}

void AboutWindow::hoverCloseBar()
{
    setBackgroundColour(m_closeBar, kCloseHoverBackground);
    setTextColor(m_closeBar, kCloseHoverText);
}

void AboutWindow::pressCloseBar() { setTextColor(m_closeBar, kBlack); }

void AboutWindow::releaseCloseBar() { close(); }

void AboutWindow::hoverSiteLink() { setTextColor(m_siteLink, kLinkHoverText); }

void AboutWindow::pressSiteLink() { setTextColor(m_siteLink, kLinkPressedText); }

void AboutWindow::openSite()
{
    // Nothing is reported when the browser cannot be started.
    static_cast<void>(m_shell.openUrl(m_siteRoot));
}

bool AboutWindow::isResetArea(const QObject* watched) const
{
    return watched == m_descriptionFrame || watched == m_versionLabel || watched == m_siteText ||
           watched == m_siteCaption || watched == m_description->viewport();
}

bool AboutWindow::eventFilter(QObject* watched, QEvent* event)
{
    const bool onClose = watched == m_closeBar;
    const bool onLink = watched == m_siteLink;
    switch (event->type()) {
    case QEvent::MouseMove:
        if (onClose) {
            hoverCloseBar();
            return true;
        }
        if (onLink) {
            hoverSiteLink();
            return true;
        }
        if (isResetArea(watched)) {
            resetLinkColors();
            // The text box still needs the movement for selecting; a label's movement ends here.
            return watched != m_description->viewport() && watched != m_descriptionFrame;
        }
        break;
    case QEvent::MouseButtonPress:
        // The widget pressed gets the release too, wherever the pointer is by then (Qt's implicit grab).
        if (onClose) {
            pressCloseBar();
            return true;
        }
        if (onLink) {
            pressSiteLink();
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
            releaseCloseBar();
            return true;
        }
        if (onLink) {
            openSite();
            return true;
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

// Windows shows a tool window without activating it; the modal About window takes the keyboard and the first click.
void AboutWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    activateWindow();
}

void AboutWindow::mouseMoveEvent(QMouseEvent* event)
{
    resetLinkColors();
    QDialog::mouseMoveEvent(event);
}

void AboutWindow::keyPressEvent(QKeyEvent* event)
{
    // Escape does not close this window: only "Закрыть" and the close box do.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace mirtal::about

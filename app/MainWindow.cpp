#include "MainWindow.h"

#include "Appearance.h"
#include "DriveList.h"
#include "FolderList.h"
#include "TitleText.h"
#include "widgets/TextColor.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyleFactory>
#include <QTextEdit>
#include <QTimer>

#include <utility>

namespace mirtal::app {

using platform::MessageButtons;
using platform::MessageIcon;
using widgets::setTextColor;

namespace {

// The layout is in twips, 15 to a pixel.
int px(int twips) { return (twips + platform::kTwipsPerPixel / 2) / platform::kTwipsPerPixel; }

// Frames and edges are drawn from the window colour, which is black here: give them a grey one to draw with.
void showEdges(QWidget* widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, QColor(120, 120, 120));
    widget->setPalette(palette);
}

void place(QWidget* widget, int left, int top, int width, int height)
{
    widget->setGeometry(px(left), px(top), px(width), px(height));
}

QString tr8(const char* text) { return QString::fromUtf8(text); }

constexpr int kClientWidthTwips = 11670;
constexpr int kClientHeightTwips = 8325;
// The window's outer width; the client area is laid out wider, and what lies beyond is cut off.
constexpr int kOuterWidthTwips = 7245;
constexpr int kBorderPixels = 3;

} // namespace

MainWindow::MainWindow(MainWindowServices services)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                               Qt::MSWindowsFixedSizeDialogHint)
    , m_services(std::move(services))
    , m_editor(m_services.editor)
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowIcon(programIcon());
    // Palettes rather than a style sheet: the same look, at a fraction of the cost of the first frame.
    setPalette(darkPalette());
    buildControls();
    buildMenu();
    qApp->installEventFilter(this);

    m_editor.setDialogOwner(this);
    m_editor.setPreviewBox([this] {
        const qreal ratio = m_preview->devicePixelRatioF();
        return QSize(qRound(m_preview->width() * ratio), qRound(m_preview->height() * ratio));
    });
    connect(&m_editor, &FolderEditor::changed, this, &MainWindow::render);
    connect(&m_editor, &FolderEditor::backgroundMarked, this, &MainWindow::markBackground);

    // Narrowed to its outer width; what is laid out beyond it is cut off.
    const int clientWidth = px(kOuterWidthTwips) - 2 * kBorderPixels;
    const int menuHeight = menuBar()->sizeHint().height();
    setFixedSize(clientWidth, px(kClientHeightTwips) + menuHeight);
    setWindowTitle(mainWindowTitle(m_services.editor.screen.sizeInTwips(), m_services.editor.locale));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    // With no folder listed at all, nothing is loaded: an empty folder never stands for the root.
    if (!m_folderList->path().isEmpty())
        m_editor.start(m_folderList->entryAtCurrentIndex());
}

MainWindow::~MainWindow() { qApp->removeEventFilter(this); }

void MainWindow::buildControls()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("central"));
    central->setFixedSize(px(kClientWidthTwips), px(kClientHeightTwips));
    setCentralWidget(central);

    m_folderPathBox = new QTextEdit(central);
    m_folderPathBox->setObjectName(QStringLiteral("folderPathBox"));
    m_folderPathBox->setReadOnly(true);
    m_folderPathBox->setFont(designFont(QStringLiteral("Comic Sans MS"), 9));
    m_folderPathBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_folderPathBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_folderPathBox->setTabChangesFocus(true);
    m_folderPathBox->setWordWrapMode(QTextOption::WrapAnywhere);
    place(m_folderPathBox, 60, 7620, 7035, 645);
    showEdges(m_folderPathBox);

    // "Выберите папку".
    auto* folderFrame = new CaptionFrame(tr8("Выберите папку"), central);
    folderFrame->setObjectName(QStringLiteral("folderFrame"));
    folderFrame->setFont(designFont(QStringLiteral("Comic Sans MS"), 9.75));
    place(folderFrame, 60, 0, 7035, 5535);
    showEdges(folderFrame);
    const QFont controlFont = QApplication::font();

    m_folderList = new FolderList(folderFrame);
    m_folderList->setObjectName(QStringLiteral("folderList"));
    m_folderList->setFont(controlFont);
    place(m_folderList, 120, 300, 4515, 4815);
    m_driveList = new DriveList(folderFrame);
    m_driveList->setObjectName(QStringLiteral("driveList"));
    m_driveList->setFont(controlFont);
    place(m_driveList, 4740, 300, 2175, 315);

    const struct {
        const char* name;
        int top, height;
        QStringList face;
        void (FolderEditor::*operation)();
    } commands[] = {
        {"reloadButton", 1740, 555, {tr8("Обновить")}, &FolderEditor::reload},
        {"applyButton", 2280, 555, {tr8("Применить")}, &FolderEditor::apply},
        {"captionColorButton", 2820, 555, {tr8("Цвет шрифта")}, &FolderEditor::chooseCaptionColor},
        {"removeSettingsButton",
         3360,
         675,
         {tr8("Удалить все настройки"), tr8("для папки")},
         &FolderEditor::removeSettings},
        {"openInFileManagerButton", 4020, 555, {tr8("Открыть в explorer")}, &FolderEditor::openInFileManager},
        {"endButton", 4560, 555, {tr8("Выход")}, nullptr},
    };
    QList<QWidget*> commandButtons;
    for (const auto& c : commands) {
        auto* button = new FaceButton(QSize(149, c.height == 675 ? 40 : 34), c.face, folderFrame);
        button->setObjectName(QLatin1String(c.name));
        place(button, 4680, c.top, 2295, c.height);
        if (c.operation)
            connect(button, &QPushButton::clicked, &m_editor, c.operation);
        else
            connect(button, &QPushButton::clicked, this, &MainWindow::end);
        commandButtons.append(button);
    }
    // The status line over its strip.
    auto* strip = new QLabel(folderFrame);
    strip->setObjectName(QStringLiteral("statusStrip"));
    strip->setScaledContents(true);
    place(strip, 120, 5160, 6840, 255);
    // Drawn at the label's own size, so that painting it scales nothing.
    strip->setPixmap(statusStrip(strip->size()));
    m_statusLabel = new QLabel(folderFrame);
    m_statusLabel->setObjectName(QStringLiteral("statusLabel"));
    m_statusLabel->setAlignment(Qt::AlignCenter);
    m_statusLabel->setFont(controlFont);
    setTextColor(m_statusLabel, QColor(0x88, 0x9C, 0xFB));
    place(m_statusLabel, 120, 5160, 6855, 255);

    // "Фон".
    auto* backgroundFrame = new CaptionFrame(tr8("Фон"), central);
    backgroundFrame->setObjectName(QStringLiteral("backgroundFrame"));
    place(backgroundFrame, 60, 5520, 4620, 1995);
    showEdges(backgroundFrame);
    m_picturePathLine = new QLineEdit(backgroundFrame);
    m_picturePathLine->setObjectName(QStringLiteral("picturePathLine"));
    m_picturePathLine->setReadOnly(true);
    m_picturePathLine->setFocusPolicy(Qt::NoFocus);
    m_picturePathLine->setFont(designFont(QStringLiteral("Times New Roman"), 6.75));
    m_picturePathLine->setFrame(false);
    place(m_picturePathLine, 60, 1740, 4515, 225);
    auto* backgroundOptions = new QFrame(backgroundFrame);
    backgroundOptions->setObjectName(QStringLiteral("backgroundOptions"));
    place(backgroundOptions, 120, 180, 1395, 1515);
    m_noBackgroundOption = new QRadioButton(tr8(" Без фона"), backgroundOptions);
    m_noBackgroundOption->setObjectName(QStringLiteral("noBackgroundOption"));
    m_noBackgroundOption->setChecked(true);
    place(m_noBackgroundOption, 60, 240, 1215, 315);
    m_pictureOption = new QRadioButton(tr8("Выбрать"), backgroundOptions);
    m_pictureOption->setObjectName(QStringLiteral("pictureOption"));
    place(m_pictureOption, 60, 660, 1095, 315);
    for (QRadioButton* option : {m_noBackgroundOption, m_pictureOption}) {
        option->installEventFilter(this);
        showEdges(option);
    }
    // The picture button lies over the caption of "Выбрать", leaving only its round mark to the left.
    auto* choosePictureButton = new FaceButton(QSize(63, 20), {tr8("Выбрать")}, backgroundOptions);
    choosePictureButton->setObjectName(QStringLiteral("choosePictureButton"));
    place(choosePictureButton, 300, 660, 975, 315);
    connect(choosePictureButton, &QPushButton::clicked, &m_editor, &FolderEditor::choosePicture);
    m_sizeLabel = new QLabel(backgroundOptions);
    m_sizeLabel->setObjectName(QStringLiteral("sizeLabel"));
    m_sizeLabel->setAlignment(Qt::AlignCenter);
    m_sizeLabel->setToolTip(tr8("Размер и соотношение сторон картинки"));
    place(m_sizeLabel, 60, 1020, 1275, 495);

    // The preview: the picture with the two caption samples over it.
    auto* previewFrame = new QFrame(central);
    previewFrame->setObjectName(QStringLiteral("previewFrame"));
    previewFrame->setAutoFillBackground(true);
    previewFrame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    previewFrame->setLineWidth(2);
    // The system's window colour, not the dark one of the rest of the window.
    QPalette system = QApplication::palette();
    system.setResolveMask(~QPalette::ResolveMask(0));
    previewFrame->setPalette(system);
    previewFrame->setBackgroundRole(QPalette::Base);
    place(previewFrame, 4740, 5640, 2355, 1884);
    m_preview = new QLabel(previewFrame);
    m_preview->setObjectName(QStringLiteral("preview"));
    m_preview->setScaledContents(true);
    place(m_preview, 0, 0, 2355, 1884);
    m_smallCaptionSample = new QLabel(tr8("Цвет шрифта"), previewFrame);
    m_smallCaptionSample->setObjectName(QStringLiteral("smallCaptionSample"));
    m_smallCaptionSample->setFont(designFont(QStringLiteral("Comic Sans MS"), 8.25));
    place(m_smallCaptionSample, 0, 180, 2295, 435);
    m_largeCaptionSample = new QLabel(tr8("Цвет шрифта"), previewFrame);
    m_largeCaptionSample->setObjectName(QStringLiteral("largeCaptionSample"));
    m_largeCaptionSample->setFont(designFont(QStringLiteral("Comic Sans MS"), 15.75));
    place(m_largeCaptionSample, 0, 780, 2295, 435);
    for (QLabel* sample : {m_smallCaptionSample, m_largeCaptionSample}) {
        sample->setAlignment(Qt::AlignCenter);
        setTextColor(sample, Qt::black);
    }

    // Tab order.
    previewFrame->setFocusPolicy(Qt::NoFocus);
    QList<QWidget*> order{m_folderPathBox, m_folderList, m_driveList, commandButtons[1], commandButtons[0]};
    order << commandButtons.mid(2) << m_pictureOption << m_noBackgroundOption << choosePictureButton;
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);

    // The folder list starts on the start folder; its signals are wired once it is there.
    if (const Status started = m_folderList->setPath(m_services.startDirectory); !started) {
        // The home folder instead, and the user is told which folder is shown.
        m_startProblem = started.message() + QLatin1Char('\n');
        if (m_folderList->setPath(QDir::homePath()))
            m_startProblem += tr8("Показана папка «%1».").arg(m_folderList->entryAtCurrentIndex());
        else
            m_startProblem += tr8("Домашняя папка тоже недоступна. Выберите диск в списке дисков.");
    }
    m_driveList->refresh(m_folderList->path());
    connect(m_folderList, &FolderList::changed, this, [this] {
        // The drive list follows the folder list onto another volume.
        m_driveList->restore(DriveList::driveOf(m_driveList->roots(), m_folderList->path()));
        m_editor.openFolder(m_folderList->entryAtCurrentIndex());
    });
    connect(m_folderList, &FolderList::highlighted, this,
            [this] { m_editor.highlightFolder(m_folderList->entryAtCurrentIndex()); });
    connect(m_folderList, &FolderList::openFailed, this, &MainWindow::showMessage);
    connect(m_driveList, &DriveList::driveChanged, this, &MainWindow::changeDrive);
}

void MainWindow::buildMenu()
{
    QMenuBar* bar = menuBar();
    QAction* endAction = bar->addAction(tr8("Выход"));
    endAction->setObjectName(QStringLiteral("endAction"));
    QMenu* fitMenu = bar->addMenu(tr8("Подогнать размер"));
    fitMenu->setObjectName(QStringLiteral("fitMenu"));
    auto* tickStyle = new TickMenuStyle(QStyleFactory::create(QApplication::style()->name()));
    tickStyle->setParent(fitMenu);
    fitMenu->setStyle(tickStyle);
    m_fitToScreen = fitMenu->addAction(tr8("Автоматически"));
    m_fitToScreen->setObjectName(QStringLiteral("fitToScreenAction"));
    m_fitToCustomSize = fitMenu->addAction(tr8("Свой размер"));
    m_fitToCustomSize->setObjectName(QStringLiteral("fitToCustomSizeAction"));
    m_keepPicture = fitMenu->addAction(tr8("Не менять"));
    m_keepPicture->setObjectName(QStringLiteral("keepPictureAction"));
    QAction* aboutAction = bar->addAction(tr8("О программе"));
    aboutAction->setObjectName(QStringLiteral("aboutAction"));

    connect(endAction, &QAction::triggered, this, &MainWindow::end);
    connect(aboutAction, &QAction::triggered, this, &MainWindow::showAbout);
    const std::pair<QAction*, void (FolderEditor::*)()> fitItems[] = {
        {m_fitToScreen, &FolderEditor::fitToScreen},
        {m_fitToCustomSize, &FolderEditor::fitToCustomSize},
        {m_keepPicture, &FolderEditor::keepPictureAsChosen}};
    for (const auto& [action, operation] : fitItems) {
        action->setCheckable(true);
        // Qt toggles a checkable item before it is handled; only the editor decides the ticks.
        connect(action, &QAction::triggered, this, [this, action = action, operation = operation](bool checked) {
            action->setChecked(!checked);
            (m_editor.*operation)();
        });
    }
    m_keepPicture->setChecked(true);
}

// ---- what only the window does --------------------------------------------------------------------------------

void MainWindow::showAbout()
{
    if (m_services.showAbout)
        m_services.showAbout(this);
}

void MainWindow::end() { m_services.editor.errorPath.endNow(); }

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Told once the window is up, with the folder shown instead in view behind the message.
    if (!m_startProblem.isEmpty())
        QTimer::singleShot(0, this, [this, text = std::exchange(m_startProblem, QString())] { showMessage(text); });
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    m_services.editor.errorPath.endNow();
}

void MainWindow::changeDrive()
{
    const QString drive = m_driveList->drive();
    // Picking the drive the folder list is already on changes nothing.
    if (!m_folderList->path().isEmpty() && drive == DriveList::driveOf(m_driveList->roots(), m_folderList->path()))
        return;
    // The process's current folder when it lies on that drive, the drive's root otherwise.
    const QString current = QDir::currentPath();
    const QString target = DriveList::driveOf(m_driveList->roots(), current) == drive ? current : drive;
    const Status moved = m_folderList->setPath(target);
    if (!moved) {
        // A drive that cannot be read is reported; the previous drive and folder stay.
        showMessage(moved.message());
        m_driveList->restore(DriveList::driveOf(m_driveList->roots(), m_folderList->path()));
    }
}

void MainWindow::showMessage(const QString& text)
{
    m_services.editor.dialogs.message(this, text, QString(), MessageIcon::Stop, MessageButtons::Ok);
}

// ---- showing the editor's state -------------------------------------------------------------------------------

void MainWindow::render()
{
    const EditorState& s = m_editor.state();
    if (m_shownFolder != s.folder) {
        m_shownFolder = s.folder;
        m_folderPathBox->setPlainText(s.folder);
        QTextCursor cursor(m_folderPathBox->document());
        cursor.select(QTextCursor::Document);
        QTextBlockFormat centred;
        centred.setAlignment(Qt::AlignHCenter);
        cursor.mergeBlockFormat(centred);
    }
    if (m_statusLabel->text() != s.status)
        m_statusLabel->setText(s.status);
    if (m_picturePathLine->text() != s.shownPath)
        m_picturePathLine->setText(s.shownPath);
    if (m_sizeLabel->text() != s.sizeText)
        m_sizeLabel->setText(s.sizeText);
    if (s.preview.cacheKey() != m_shownPreview) {
        m_shownPreview = s.preview.cacheKey();
        QPixmap pixmap = QPixmap::fromImage(s.preview);
        if (!pixmap.isNull())
            pixmap.setDevicePixelRatio(m_preview->devicePixelRatioF());
        m_preview->setPixmap(pixmap);
    }
    for (QLabel* sample : {m_smallCaptionSample, m_largeCaptionSample})
        setTextColor(sample, s.captionColor);
    m_fitToScreen->setChecked(s.tickedFit == Fit::Automatic);
    m_fitToCustomSize->setChecked(s.tickedFit == Fit::Custom);
    m_keepPicture->setChecked(s.tickedFit == Fit::Unchanged);
}

void MainWindow::markBackground(bool withBackground)
{
    QRadioButton* marked = withBackground ? m_pictureOption : m_noBackgroundOption;
    QRadioButton* other = withBackground ? m_noBackgroundOption : m_pictureOption;
    marked->setChecked(true);
    other->setChecked(false);
}

// ---- events ---------------------------------------------------------------------------------------------------

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        // Key preview: F1 anywhere in this window, with any modifier, opens the About window.
        auto* key = static_cast<QKeyEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (key->key() == Qt::Key_F1 && widget && widget->window() == this && !QApplication::activeModalWidget()) {
            showAbout();
            return true;
        }
        return false;
    }
    case QEvent::FocusIn: {
        // The keyboard enters the two options on the one that is marked, whichever of them comes first in turn.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if ((watched != m_noBackgroundOption && watched != m_pictureOption) ||
            (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason))
            return false;
        QRadioButton* other = watched == m_pictureOption ? m_noBackgroundOption : m_pictureOption;
        if (static_cast<QRadioButton*>(watched)->isChecked() || !other->isChecked())
            return false;
        other->setFocus(reason);
        return true;
    }
    case QEvent::MouseButtonPress:
        if (watched == m_noBackgroundOption) {
            m_editor.chooseNoBackground();
            return false; // the click then selects " Без фона"
        }
        if (watched == m_pictureOption) {
            // The choice decides the marks itself; a modal dialog has taken the rest of the click anyway.
            m_editor.choosePicture();
            return true;
        }
        return false;
    default:
        return false;
    }
}

} // namespace mirtal::app

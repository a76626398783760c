#include "Form1.h"

#include "Appearance.h"
#include "ComDlg.h"
#include "DriveList.h"
#include "FolderList.h"
#include "TitleText.h"
#include "picture/FitArithmetic.h"
#include "picture/ScaledCopy.h"
#include "picture/SizeText.h"
#include "platform/Paths.h"
#include "settings/IniFormat.h"

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
#include <QTextEdit>

namespace mirtal::app {

using platform::Answer;
using platform::FindFilter;
using platform::MessageButtons;
using platform::MessageIcon;

namespace {

// The layout is in twips, 15 to a pixel.
int px(int twips) { return (twips + platform::kTwipsPerPixel / 2) / platform::kTwipsPerPixel; }

void setTextColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

void setColors(QWidget* widget, const QColor& text, const QColor& ground)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Button, ground);
    widget->setPalette(palette);
}

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
// The window is narrowed to this outer width; the hidden controls to the right are then outside it.
constexpr int kOuterWidthTwips = 7245;
constexpr int kBorderPixels = 3;

} // namespace

Form1::Form1(Form1Services services)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                               Qt::MSWindowsFixedSizeDialogHint)
    , m_services(std::move(services))
    , m_option3(std::make_unique<platform::OptionGroup>(6, 3))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowIcon(programIcon());
    // Palettes rather than a style sheet: the same look, at a fraction of the cost of the first frame.
    setPalette(darkPalette());
    buildControls();
    buildMenu();
    qApp->installEventFilter(this);
    Form_Load();
}

Form1::~Form1() { qApp->removeEventFilter(this); }

void Form1::buildControls()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("central"));
    central->setFixedSize(px(kClientWidthTwips), px(kClientHeightTwips));
    setCentralWidget(central);

    // Hidden controls first, so that nothing visible lies under them.
    m_picture3Box = new QFrame(central);
    m_picture3Box->setObjectName(QStringLiteral("Picture3"));
    place(m_picture3Box, 7260, 60, 1500, 1500);
    m_picture2Box = new QFrame(central);
    m_picture2Box->setObjectName(QStringLiteral("Picture2"));
    place(m_picture2Box, 7320, 1620, 1500, 1500);
    m_frame4 = new CaptionFrame(tr8("Подогнать размер фона"), central);
    m_frame4->setObjectName(QStringLiteral("Frame4"));
    place(m_frame4, 7620, 5760, 3075, 1515);
    const struct {
        int index, left, top, width, height;
        const char* caption;
    } fitOptions[] = {
        {0, 60, 240, 1395, 315, ""},
        {1, 60, 600, 1395, 375, "      783х626         (1024х768)"},
        {2, 60, 1020, 1395, 375, "      558х459          (800х600)"},
        {3, 1620, 240, 1335, 315, "Не менять"},
        {4, 1620, 600, 1335, 435, "      911х723        (1152х864)"},
        {5, 1620, 1080, 1335, 375, "     1039х883      (1280х1024)"},
    };
    m_option3Buttons.resize(6);
    for (const auto& o : fitOptions) {
        auto* button = new QPushButton(tr8(o.caption), m_frame4);
        button->setObjectName(QStringLiteral("Option3_%1").arg(o.index));
        button->setCheckable(true);
        if (o.index == 3)
            setColors(button, Qt::black, QColor(0xE0, 0xE0, 0xE0));
        else
            setColors(button, Qt::white, QColor(0x40, 0x40, 0x40));
        button->setChecked(o.index == 3);
        place(button, o.left, o.top, o.width, o.height);
        m_option3Buttons[o.index] = button;
    }
    m_text1 = new QLineEdit(QStringLiteral("783"), m_frame4);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text3 = new QLineEdit(QStringLiteral("626"), m_frame4);
    m_text3->setObjectName(QStringLiteral("Text3"));
    for (QLineEdit* box : {m_text1, m_text3}) {
        box->setMaxLength(4);
        box->setAlignment(Qt::AlignCenter);
        box->installEventFilter(this);
    }
    place(m_text1, 120, 255, 495, 285);
    place(m_text3, 660, 255, 495, 285);
    auto* line1 = new QFrame(m_frame4);
    line1->setFrameShape(QFrame::VLine);
    line1->setFrameShadow(QFrame::Plain);
    setTextColor(line1, QColor(0x80, 0x80, 0x80));
    line1->setGeometry(px(1530), px(300), 1, px(1320 - 300));
    for (QWidget* hidden : {static_cast<QWidget*>(m_frame4), static_cast<QWidget*>(m_picture2Box),
                            static_cast<QWidget*>(m_picture3Box)}) {
        hidden->setEnabled(false);
        hidden->setVisible(false);
    }
    m_option3->setSelectionObserver([this](int index) {
        for (int i = 0; i < m_option3Buttons.size(); ++i)
            m_option3Buttons[i]->setChecked(i == index);
    });
    m_option3->setClickHandler([this](int index) { Option3_Click(index); });

    // The path box.
    m_text2 = new QTextEdit(central);
    m_text2->setObjectName(QStringLiteral("Text2"));
    m_text2->setReadOnly(true);
    m_text2->setFont(designFont(QStringLiteral("Comic Sans MS"), 9));
    m_text2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text2->setTabChangesFocus(true);
    m_text2->setWordWrapMode(QTextOption::WrapAnywhere);
    place(m_text2, 60, 7620, 7035, 645);
    showEdges(m_text2);

    // "Выберите папку".
    m_frame1 = new CaptionFrame(tr8("Выберите папку"), central);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setFont(designFont(QStringLiteral("Comic Sans MS"), 9.75));
    place(m_frame1, 60, 0, 7035, 5535);
    showEdges(m_frame1);
    const QFont controlFont = QApplication::font();

    m_dir1 = new FolderList(m_frame1);
    m_dir1->setObjectName(QStringLiteral("Dir1"));
    m_dir1->setFont(controlFont);
    place(m_dir1, 120, 300, 4515, 4815);
    m_drive1 = new DriveList(m_frame1);
    m_drive1->setObjectName(QStringLiteral("Drive1"));
    m_drive1->setFont(controlFont);
    place(m_drive1, 4740, 300, 2175, 315);

    const struct {
        const char* name;
        int top, height;
        QStringList face;
        void (Form1::*handler)();
    } commands[] = {
        {"Command8", 1740, 555, {tr8("Обновить")}, &Form1::Command8_Click},
        {"Command5", 2280, 555, {tr8("Применить")}, &Form1::Command5_Click},
        {"Command3", 2820, 555, {tr8("Цвет шрифта")}, &Form1::Command3_Click},
        {"Command4", 3360, 675, {tr8("Удалить все настройки"), tr8("для папки")}, &Form1::Command4_Click},
        {"Command6", 4020, 555, {tr8("Открыть в explorer")}, &Form1::Command6_Click},
        {"Command7", 4560, 555, {tr8("Выход")}, &Form1::Command7_Click},
    };
    for (const auto& c : commands) {
        auto* button = new FaceButton(QSize(149, c.height == 675 ? 40 : 34), c.face, m_frame1);
        button->setObjectName(QLatin1String(c.name));
        place(button, 4680, c.top, 2295, c.height);
        connect(button, &QPushButton::clicked, this, c.handler);
    }
    // The status line over its strip.
    m_image2 = new QLabel(m_frame1);
    m_image2->setObjectName(QStringLiteral("Image2"));
    m_image2->setScaledContents(true);
    place(m_image2, 120, 5160, 6840, 255);
    // Drawn at the label's own size, so that painting it scales nothing.
    m_image2->setPixmap(statusStrip(m_image2->size()));
    m_label2 = new QLabel(m_frame1);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label2->setAlignment(Qt::AlignCenter);
    m_label2->setFont(controlFont);
    setTextColor(m_label2, QColor(0x88, 0x9C, 0xFB));
    place(m_label2, 120, 5160, 6855, 255);

    // "Фон".
    m_frame2 = new CaptionFrame(tr8("Фон"), central);
    m_frame2->setObjectName(QStringLiteral("Frame2"));
    place(m_frame2, 60, 5520, 4620, 1995);
    showEdges(m_frame2);
    m_text4 = new QLineEdit(m_frame2);
    m_text4->setObjectName(QStringLiteral("Text4"));
    m_text4->setReadOnly(true);
    m_text4->setFocusPolicy(Qt::NoFocus);
    m_text4->setFont(designFont(QStringLiteral("Times New Roman"), 6.75));
    m_text4->setFrame(false);
    place(m_text4, 60, 1740, 4515, 225);
    m_frame3 = new QFrame(m_frame2);
    m_frame3->setObjectName(QStringLiteral("Frame3"));
    place(m_frame3, 120, 180, 1395, 1515);
    m_option1 = new QRadioButton(tr8(" Без фона"), m_frame3);
    m_option1->setObjectName(QStringLiteral("Option1"));
    m_option1->setChecked(true);
    place(m_option1, 60, 240, 1215, 315);
    m_option2 = new QRadioButton(tr8("Выбрать"), m_frame3);
    m_option2->setObjectName(QStringLiteral("Option2"));
    place(m_option2, 60, 660, 1095, 315);
    for (QRadioButton* option : {m_option1, m_option2}) {
        option->installEventFilter(this);
        showEdges(option);
    }
    // The picture button lies over the caption of "Выбрать", leaving only its round mark to the left.
    auto* command2 = new FaceButton(QSize(63, 20), {tr8("Выбрать")}, m_frame3);
    command2->setObjectName(QStringLiteral("Command2"));
    place(command2, 300, 660, 975, 315);
    connect(command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    m_label5 = new QLabel(m_frame3);
    m_label5->setObjectName(QStringLiteral("Label5"));
    m_label5->setAlignment(Qt::AlignCenter);
    m_label5->setToolTip(tr8("Размер и соотношение сторон картинки"));
    place(m_label5, 60, 1020, 1275, 495);

    // The preview: the picture with the two caption samples over it.
    m_picture1 = new QFrame(central);
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_picture1->setAutoFillBackground(true);
    m_picture1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_picture1->setLineWidth(2);
    // The system's window colour, not the dark one of the rest of the window.
    QPalette system = QApplication::palette();
    system.setResolveMask(~QPalette::ResolveMask(0));
    m_picture1->setPalette(system);
    m_picture1->setBackgroundRole(QPalette::Base);
    place(m_picture1, 4740, 5640, 2355, 1884);
    m_image1 = new QLabel(m_picture1);
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setScaledContents(true);
    place(m_image1, 0, 0, 2355, 1884);
    m_label1 = new QLabel(tr8("Цвет шрифта"), m_picture1);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setFont(designFont(QStringLiteral("Comic Sans MS"), 8.25));
    place(m_label1, 0, 180, 2295, 435);
    m_label4 = new QLabel(tr8("Цвет шрифта"), m_picture1);
    m_label4->setObjectName(QStringLiteral("Label4"));
    m_label4->setFont(designFont(QStringLiteral("Comic Sans MS"), 15.75));
    place(m_label4, 0, 780, 2295, 435);
    for (QLabel* sample : {m_label1, m_label4}) {
        sample->setAlignment(Qt::AlignCenter);
    }
    setSampleColor(0);

    // Tab order of the visible controls; the hidden ones never take the focus.
    m_picture1->setFocusPolicy(Qt::NoFocus);
    QWidget* order[] = {m_text2,
                        m_dir1,
                        m_drive1,
                        m_frame1->findChild<QPushButton*>(QStringLiteral("Command5")),
                        m_frame1->findChild<QPushButton*>(QStringLiteral("Command8")),
                        m_frame1->findChild<QPushButton*>(QStringLiteral("Command3")),
                        m_frame1->findChild<QPushButton*>(QStringLiteral("Command4")),
                        m_frame1->findChild<QPushButton*>(QStringLiteral("Command6")),
                        m_frame1->findChild<QPushButton*>(QStringLiteral("Command7")),
                        m_option2,
                        m_option1,
                        command2};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    // The folder list starts on the start folder; its signals are wired once it is there.
    if (!m_dir1->setPath(m_services.startDirectory))
        (void)m_dir1->setPath(QDir::homePath());
    m_drive1->refresh(m_dir1->path());
    connect(m_dir1, &FolderList::changed, this, &Form1::Dir1_Change);
    connect(m_dir1, &FolderList::highlighted, this, &Form1::Dir1_Click);
    connect(m_dir1, &FolderList::openFailed, this,
            [this](const QString& message) { showMessage(message, QString(), MessageIcon::Stop); });
    connect(m_drive1, &DriveList::driveChanged, this, &Form1::Drive1_Change);
}

void Form1::buildMenu()
{
    QMenuBar* bar = menuBar();
    m_exit = bar->addAction(tr8("Выход"));
    m_exit->setObjectName(QStringLiteral("Exit"));
    QMenu* editFon = bar->addMenu(tr8("Подогнать размер"));
    editFon->setObjectName(QStringLiteral("EditFon"));
    m_r1024 = editFon->addAction(tr8("Автоматически"));
    m_r1024->setObjectName(QStringLiteral("R1024"));
    m_rxxxx = editFon->addAction(tr8("Свой размер"));
    m_rxxxx->setObjectName(QStringLiteral("RXXXX"));
    m_rnn = editFon->addAction(tr8("Не менять"));
    m_rnn->setObjectName(QStringLiteral("RNN"));
    m_spravka = bar->addAction(tr8("О программе"));
    m_spravka->setObjectName(QStringLiteral("Справка"));

    connect(m_exit, &QAction::triggered, this, &Form1::Exit_Click);
    connect(m_spravka, &QAction::triggered, this, &Form1::Справка_Click);
    const std::pair<QAction*, void (Form1::*)()> fitItems[] = {
        {m_r1024, &Form1::R1024_Click}, {m_rxxxx, &Form1::RXXXX_Click}, {m_rnn, &Form1::RNN_Click}};
    for (const auto& [action, handler] : fitItems) {
        action->setCheckable(true);
        // Qt toggles a checkable item before its handler runs; only the handlers decide the marks.
        connect(action, &QAction::triggered, this, [this, action = action, handler = handler](bool checked) {
            action->setChecked(!checked);
            (this->*handler)();
        });
    }
    m_rnn->setChecked(true);
}

QAction* Form1::menuAction(const QString& name) const
{
    for (QAction* action : {m_exit, m_r1024, m_rxxxx, m_rnn, m_spravka}) {
        if (action->objectName() == name)
            return action;
    }
    return nullptr;
}

// ---- start-up -------------------------------------------------------------------------------------------------

void Form1::Form_Load()
{
    SectionHeader = settings::sectionHeader();
    ImagePath.clear();
    TextColorHex = settings::defaultTextColorHex();
    PicturesDir = platform::joinPath(m_services.fileSystem.programDirectory(), QStringLiteral("pictures")) +
                  platform::pathSeparator();
    CustomSizeSet = false;
    setText2(m_dir1->entryAtCurrentIndex());

    // Narrow the window to its first column; the hidden controls lie beyond it.
    const int clientWidth = px(kOuterWidthTwips) - 2 * kBorderPixels;
    const int menuHeight = menuBar()->sizeHint().height();
    setFixedSize(clientWidth, px(kClientHeightTwips) + menuHeight);

    setWindowTitle(mainWindowTitle(m_services.screen.sizeInTwips(), m_services.locale));
    CommonDialog1.title = tr8("Выберите картинку фона");
    CommonDialog1.filter = QStringLiteral("JPG, BMP, GIF|*.jpg;*.bmp;*.gif|BMP|*.bmp|JPG|*.jpg|GIF|*.gif");

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    Command8_Click();
}

// ---- helpers --------------------------------------------------------------------------------------------------

QString Form1::text2() const { return m_text2->toPlainText(); }

void Form1::setText2(const QString& text)
{
    m_text2->setPlainText(text);
    QTextCursor cursor(m_text2->document());
    cursor.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.mergeBlockFormat(centred);
}

QString Form1::settingsPath() const { return m_services.fileSystem.locate(text2(), settings::settingsFileName()); }

QString Form1::picturesFolder() const
{
    return platform::joinPath(m_services.fileSystem.programDirectory(), QStringLiteral("pictures"));
}

void Form1::setSampleColor(quint32 color)
{
    m_sampleColor = QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                           static_cast<int>((color >> 16) & 0xFF));
    for (QLabel* sample : {m_label1, m_label4})
        setTextColor(sample, m_sampleColor);
}

QColor Form1::sampleColor() const { return m_sampleColor; }

void Form1::showMessage(const QString& text, const QString& title, MessageIcon icon)
{
    m_services.dialogs.message(this, text, title, icon, MessageButtons::Ok);
}

bool Form1::fail(const Status& status)
{
    if (status)
        return false;
    m_services.errorPath.fail(this, status.message());
    return true;
}

// ---- the load operation ---------------------------------------------------------------------------------------

void Form1::Command8_Click()
{
    ImagePath.clear();
    TextColorHex = settings::defaultTextColorHex();
    const QString path = settingsPath();
    if (!m_services.fileSystem.find(path, FindFilter::FilesWithHiddenSystem)) {
        setSampleColor(0);
        ClearPreview();
        m_label2->setText(tr8("Файл настройки отсутствует"));
        m_text4->clear();
        MarkBackground(false);
        return;
    }

    m_label2->setText(tr8("Файл настройки найден"));
    const auto lines = m_services.fileSystem.readLines(path);
    if (!lines)
        return damagedFileQuestion();
    settings::ReadValues partial;
    const auto values = settings::readValues(*lines, &partial);
    ImagePath = partial.imagePath;
    TextColorHex = partial.textColorHex;
    if (!values)
        return damagedFileQuestion();
    const auto color = settings::colorFromDigits(TextColorHex);
    if (!color)
        return damagedFileQuestion();
    setSampleColor(*color);

    if (!ImagePath.isEmpty() && m_services.fileSystem.find(ImagePath, FindFilter::NormalFiles)) {
        if (!LoadPreview(ImagePath) || !ShowSizeText())
            return damagedFileQuestion();
        MarkBackground(true);
        m_text4->setText(ImagePath);
    } else {
        // The path stays in ImagePath, so that the next apply writes it back.
        ClearPreview();
        m_text4->clear();
        MarkBackground(false);
    }
}

void Form1::damagedFileQuestion()
{
    const QString text = tr8("Во время чтения файла настройки возникла ошибка ") + settings::crlf() +
                         tr8("              Вероятно файл настройки испорчен") + settings::crlf() +
                         tr8("                             Удалить его?");
    if (m_services.dialogs.message(this, text, QString(), MessageIcon::Question, MessageButtons::YesNo) == Answer::Yes)
        Command4_Click();
}

// ---- the apply operation --------------------------------------------------------------------------------------

void Form1::Command5_Click()
{
    OtherLines.clear();
    if (TextColorHex.isEmpty())
        TextColorHex = settings::defaultTextColorHex();

    // A character the file's code page cannot hold would turn into '?': refuse before anything is touched.
    if (const Status encodable = m_services.fileSystem.checkEncodable(ImagePath); !encodable) {
        showMessage(tr8("Путь к картинке нельзя записать в файл настройки.\n") + encodable.message() +
                        tr8("\nПереименуйте картинку или выберите другую. Ничего не записано."),
                    QString(), MessageIcon::Stop);
        return;
    }

    const QString path = settingsPath();
    const bool existed = m_services.fileSystem.find(path, FindFilter::FilesWithHiddenSystem);
    auto& fs = m_services.fileSystem;
    platform::TextEncoding encoding = platform::TextEncoding::Ansi;
    if (existed) {
        const auto old = fs.readText(path);
        if (fail(old.status()))
            return;
        OtherLines = settings::keptLines(old->lines);
        IniText = settings::composeRewrite(OtherLines, ImagePath, TextColorHex);
        encoding = old->encoding;
    } else {
        IniText = settings::composeNew(ImagePath, TextColorHex);
    }
    if (fail(fs.replaceText(path, IniText, encoding, platform::attr::Hidden | platform::attr::System)) ||
        fail(fs.setAttributes(text2(), platform::attr::System)))
        return;
    m_services.shell.folderChanged(text2());

    Command8_Click();
    m_services.dialogs.message(this, existed ? tr8("Файл настройки отредактирован") : tr8("Файл настройки создан"),
                               tr8("Готово"), MessageIcon::Information, MessageButtons::Ok);
}

// ---- the remove operation -------------------------------------------------------------------------------------

void Form1::Command4_Click()
{
    RNN_Click();
    const QString path = settingsPath();
    auto& fs = m_services.fileSystem;
    if (!fs.find(path, FindFilter::FilesWithHiddenSystem)) {
        showMessage(tr8("В выбранной папке нет файла настройки"), tr8("Нет здесь никакого файла настройки"),
                    MessageIcon::Stop);
        return;
    }
    if (m_services.dialogs.message(this, tr8("Вы уверены?"), tr8("Подтверждение удаления"), MessageIcon::Question,
                                   MessageButtons::YesNo) != Answer::Yes)
        return;
    if (fail(fs.setAttributes(path, platform::attr::Normal)) || fail(fs.removeFile(path)))
        return;
    if (!ImagePath.isEmpty() && fs.find(ImagePath, FindFilter::NormalFiles)) {
        const auto copy = picture::scaledCopyPath(PicturesDir, ImagePath);
        if (copy && fs.find(*copy, FindFilter::NormalFiles) && fail(fs.removeFile(*copy)))
            return;
    }
    m_services.shell.folderChanged(text2());
    showMessage(tr8("Файл настройки удалён"), tr8("Радуйся"), MessageIcon::Information);
    Command8_Click();
    m_label2->setText(tr8("Файла настройки больше нет с нами"));
}

// ---- colour, shell, end ---------------------------------------------------------------------------------------

void Form1::Command3_Click()
{
    const qint32 c = ComDlg::ShowColorDialog(m_services.dialogs, this);
    if (c == -1)
        return;
    const auto color = static_cast<quint32>(c) & 0xFFFFFFu;
    setSampleColor(color);
    TextColorHex = settings::digitsOfColor(color);
}

void Form1::Command6_Click()
{
    const Status opened = m_services.shell.openFolder(text2());
    if (!opened)
        showMessage(opened.message(), QString(), MessageIcon::Stop);
}

void Form1::Command7_Click() { m_services.errorPath.endNow(); }

void Form1::Exit_Click() { m_services.errorPath.endNow(); }

void Form1::Справка_Click()
{
    if (m_services.showAbout)
        m_services.showAbout(this);
}

void Form1::closeEvent(QCloseEvent* event)
{
    event->accept();
    m_services.errorPath.endNow();
}

// ---- folder navigation ----------------------------------------------------------------------------------------

void Form1::Drive1_Change()
{
    const QString drive = m_drive1->drive();
    // The process's current folder when it lies on that drive, the drive's root otherwise.
    const QString current = QDir::currentPath();
    const QString target = DriveList::driveOf(m_drive1->roots(), current) == drive ? current : drive;
    const Status moved = m_dir1->setPath(target);
    if (!moved) {
        // A drive that cannot be read is reported; the previous drive and folder stay.
        showMessage(moved.message(), QString(), MessageIcon::Stop);
        m_drive1->restore(DriveList::driveOf(m_drive1->roots(), m_dir1->path()));
    }
}

void Form1::Dir1_Change()
{
    setText2(m_dir1->entryAtCurrentIndex());
    RNN_Click();
    Command8_Click();
}

void Form1::Dir1_Click() { setText2(m_dir1->entryAtCurrentIndex()); }

// ---- picture choice -------------------------------------------------------------------------------------------

namespace {

// A picture as the preview needs it: the natural size from the file's header, the pixels at the preview's size.
struct PreviewPicture {
    QSize naturalSize;
    QPixmap pixmap;
};

// The preview box in device pixels.
QSize previewBox(const QWidget* image)
{
    const qreal ratio = image->devicePixelRatioF();
    return QSize(qRound(image->width() * ratio), qRound(image->height() * ratio));
}

// A 24-megapixel photo decodes to 96 MB and takes a tenth of a second; the preview shows 157 x 126 pixels. So
// the decoder shrinks the picture while reading it (JPEG by up to 8), and the rest is scaled here once, so that
// the label has nothing left to scale when it paints. Fails as the loader does.
Result<PreviewPicture> readPreview(const platform::Pictures& pictures, const QString& path, const QWidget* image)
{
    const auto natural = pictures.naturalSize(path);
    if (!natural)
        return natural.status();
    const QSize box = previewBox(image);
    const auto decoded = pictures.loadForSize(path, box);
    if (!decoded)
        return decoded.status();
    if (decoded->isNull())
        return PreviewPicture{*natural, QPixmap()};
    QPixmap pixmap = QPixmap::fromImage(decoded->size() == box || box.isEmpty()
                                            ? *decoded
                                            : decoded->scaled(box, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(image->devicePixelRatioF());
    return PreviewPicture{*natural, pixmap};
}

} // namespace

void Form1::Command2_Click() { ChoosePicture(); }
void Form1::Option2_MouseDown() { ChoosePicture(); }
void Form1::Option1_MouseDown() { ChooseNoBackground(); }

void Form1::ChoosePicture()
{
    const auto chosen =
        m_services.dialogs.openFile(this, CommonDialog1.title, CommonDialog1.filter, CommonDialog1.fileName);
    if (chosen)
        CommonDialog1.fileName = *chosen;
    ImagePath = CommonDialog1.fileName;
    if (!ImagePath.isEmpty()) {
        // Read and measure before showing, so that a picture that cannot be used changes nothing on screen.
        const auto preview = readPreview(m_services.pictures, ImagePath, m_image1);
        if (!preview || preview->naturalSize.height() <= 0) {
            m_services.dialogs.message(this, tr8("Ошибка загрузки фона (Ошибка 1)"), QString(), MessageIcon::None,
                                       MessageButtons::Ok);
            return;
        }
        m_image1->setPixmap(preview->pixmap);
        m_picture2 = HeldPicture{ImagePath, preview->naturalSize};
        MarkBackground(true);
        ResetFitChoice();
        (void)ShowSizeText();
    } else {
        MarkBackground(false);
    }
    m_text4->setText(ImagePath);
}

void Form1::ChooseNoBackground()
{
    auto& fs = m_services.fileSystem;
    if (!ImagePath.isEmpty() && fs.find(ImagePath, FindFilter::NormalFiles)) {
        const auto copy = picture::scaledCopyPath(PicturesDir, ImagePath);
        if (copy && fs.find(*copy, FindFilter::NormalFiles)) {
            const Status removed = fs.removeFile(*copy);
            if (!removed)
                showMessage(tr8("Не удалось удалить копию картинки «%1»: %2").arg(*copy, removed.message()), QString(),
                            MessageIcon::Stop);
        }
    }
    ResetFitChoice();
    UpdateFitMenuChecks();
    ImagePath.clear();
    ClearPreview();
    m_text4->clear();
    m_label5->clear();
}

// ---- shared picture steps -------------------------------------------------------------------------------------

Status Form1::LoadPreview(const QString& path)
{
    const auto preview = readPreview(m_services.pictures, path, m_image1);
    if (!preview)
        return preview.status();
    m_image1->setPixmap(preview->pixmap);
    m_picture2 = HeldPicture{path, preview->naturalSize};
    return Status::ok();
}

void Form1::ClearPreview() { m_image1->setPixmap(QPixmap()); }

Status Form1::ShowSizeText()
{
    const QSize size = m_picture2.naturalSize;
    if (size.height() <= 0) {
        m_label5->clear();
        return Status::failure(tr8("Высота картинки равна нулю."));
    }
    m_label5->setText(picture::sizeText(size.width(), size.height(), m_services.locale));
    return Status::ok();
}

void Form1::MarkBackground(bool withPicture)
{
    if (withPicture) {
        m_option2->setChecked(true);
        m_option1->setChecked(false);
    } else {
        m_option1->setChecked(true);
        m_option2->setChecked(false);
    }
}

void Form1::ResetFitChoice()
{
    FitResetInProgress = true;
    m_option3->select(3);
    FitResetInProgress = false;
}

void Form1::UpdateFitMenuChecks()
{
    m_rxxxx->setChecked(m_option3->isSelected(0));
    m_r1024->setChecked(m_option3->isSelected(1));
    m_rnn->setChecked(m_option3->isSelected(3));
}

// ---- fit choice -----------------------------------------------------------------------------------------------

void Form1::Option3_Click(int index)
{
    switch (index) {
    case 3:
        if (!FitResetInProgress)
            RevertToDialogFile();
        return;
    case 0: {
        const QSize size = picture::customFitSize(m_text1->text(), m_text3->text());
        MakeScaledCopy(size.width(), size.height());
        return;
    }
    case 1: {
        const QSize size = picture::automaticFitSize(m_services.screen.sizeInTwips());
        MakeScaledCopy(size.width(), size.height());
        return;
    }
    default:
        return;
    }
}

void Form1::RevertToDialogFile()
{
    ImagePath = CommonDialog1.fileName;
    if (!LoadPreview(ImagePath)) {
        // The file chosen earlier can no longer be read: fall back to no background.
        ImagePath.clear();
        m_picture2 = HeldPicture();
        ClearPreview();
    }
    if (!ImagePath.isEmpty()) {
        MarkBackground(true);
    } else {
        MarkBackground(false);
        m_services.dialogs.message(this, tr8("Ошибка загрузки фона"), QString(), MessageIcon::None, MessageButtons::Ok);
    }
    (void)ShowSizeText();
    m_text4->setText(ImagePath);
}

void Form1::MakeScaledCopy(int width, int height)
{
    if (ImagePath.isEmpty() || m_text4->text().isEmpty()) {
        ResetFitChoice();
        return;
    }
    const auto copyPath = picture::scaledCopyPath(PicturesDir, ImagePath);
    if (!copyPath) {
        showMessage(
            tr8("Для картинки «%1» нельзя составить имя копии: имя файла короче четырёх символов.").arg(ImagePath),
            QString(), MessageIcon::Stop);
        return;
    }
    {
        // The picture's pixels are read only now, and the decoder shrinks them while reading to the least that
        // still covers the copy (a JPEG in eighths); the smooth stretch does the rest. The copy is made from the
        // picture that Picture2 holds, which after a first fit is the copy itself.
        const QSize size(width, height);
        const auto source = m_services.pictures.loadForSize(m_picture2.path, size);
        if (!source) {
            showMessage(source.message(), QString(), MessageIcon::Stop);
            return;
        }
        const Status written = picture::writeScaledCopy(m_services.pictures, m_services.fileSystem, *source, size,
                                                        picturesFolder(), *copyPath);
        if (!written) {
            showMessage(written.message(), QString(), MessageIcon::Stop);
            return;
        }
    }
    ImagePath = *copyPath;
    if (!LoadPreview(ImagePath)) {
        m_services.dialogs.message(this, tr8("Ошибка загрузки фона (Ошибка 1)"), QString(), MessageIcon::None,
                                   MessageButtons::Ok);
        return;
    }
    MarkBackground(true);
    (void)ShowSizeText();
    m_text4->setText(ImagePath);
}

// ---- fit-mode menu --------------------------------------------------------------------------------------------

void Form1::R1024_Click()
{
    m_option3->select(1);
    UpdateFitMenuChecks();
}

void Form1::RNN_Click()
{
    m_option3->select(3);
    UpdateFitMenuChecks();
}

void Form1::RXXXX_Click()
{
    CustomSizeSet = false;
    std::optional<CustomSize> answer;
    if (m_services.askCustomSize)
        answer = m_services.askCustomSize(this);
    CustomSizeSet = answer.has_value();
    if (!CustomSizeSet)
        return;
    // The boxes keep at most four characters, also of text set from code.
    m_text1->setText(answer->width);
    m_text3->setText(answer->height);
    m_option3->select(0);
    UpdateFitMenuChecks();
}

// ---- events ---------------------------------------------------------------------------------------------------

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == m_text1 || watched == m_text3) {
            // Only digits may be typed; Backspace counts as a character and is dropped too.
            const QString text = key->text();
            if (!text.isEmpty() && (text.at(0) < QLatin1Char('0') || text.at(0) > QLatin1Char('9')) &&
                key->key() != Qt::Key_Delete)
                return true;
            return false;
        }
        // Key preview: F1 anywhere in this window, with any modifier, opens the About window.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (key->key() == Qt::Key_F1 && widget && widget->window() == this && !QApplication::activeModalWidget()) {
            Справка_Click();
            return true;
        }
        return false;
    }
    case QEvent::MouseButtonPress:
        if (watched == m_option1) {
            Option1_MouseDown();
            return false; // the click then selects " Без фона"
        }
        if (watched == m_option2) {
            // The choice decides the marks itself; a modal dialog has taken the rest of the click anyway.
            Option2_MouseDown();
            return true;
        }
        return false;
    default:
        return false;
    }
}

} // namespace mirtal::app

#include "FolderEditor.h"

#include "ComDlg.h"
#include "GeneralErrorPath.h"
#include "picture/FitArithmetic.h"
#include "picture/ScaledCopy.h"
#include "picture/SizeText.h"
#include "platform/Paths.h"
#include "platform/Places.h"
#include "settings/IniFormat.h"

namespace mirtal::app {

using platform::Answer;
using platform::FindFilter;
using platform::MessageButtons;
using platform::MessageIcon;

namespace {

QString tr8(const char* text) { return QString::fromUtf8(text); }

const char* const kPictureDialogTitle = "Выберите картинку фона";
const char* const kPictureFilter = "JPG, BMP, GIF|*.jpg;*.bmp;*.gif|BMP|*.bmp|JPG|*.jpg|GIF|*.gif";

// A picture as the preview needs it: the natural size from the file's header, the pixels at the preview's size.
struct PreviewPicture {
    QSize naturalSize;
    QImage image;
};

// A 24-megapixel photo decodes to 96 MB and takes a tenth of a second; the preview shows 157 x 126 pixels. So
// the decoder shrinks the picture while reading it (JPEG by up to 8), and the rest is scaled here once, so that
// the preview has nothing left to scale when it paints. Fails as the loader does.
Result<PreviewPicture> readPreview(const platform::Pictures& pictures, const QString& path, QSize box)
{
    const auto natural = pictures.naturalSize(path);
    if (!natural)
        return natural.status();
    const auto decoded = pictures.loadForSize(path, box);
    if (!decoded)
        return decoded.status();
    if (decoded->isNull())
        return PreviewPicture{*natural, QImage()};
    return PreviewPicture{*natural, decoded->size() == box || box.isEmpty()
                                        ? *decoded
                                        : decoded->scaled(box, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)};
}

} // namespace

FolderEditor::FolderEditor(EditorServices services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
{
    m_state.textColorHex = settings::defaultTextColorHex();
    m_picturesDir = picturesFolder() + platform::pathSeparator();
}

QString FolderEditor::picturesFolder() const
{
    return platform::picturesFolder(m_services.fileSystem.programDirectory());
}

// ---- folders --------------------------------------------------------------------------------------------------

void FolderEditor::start(const QString& folder)
{
    m_state.folder = folder;
    reload();
}

void FolderEditor::openFolder(const QString& folder)
{
    m_state.folder = folder;
    keepPictureAsChosen();
    reload();
}

void FolderEditor::highlightFolder(const QString& folder)
{
    m_state.folder = folder;
    Q_EMIT changed();
}

// No folder is named when none could be listed at start-up; that never means the root.
bool FolderEditor::refuseWithoutFolder()
{
    if (!m_state.folder.isEmpty())
        return false;
    report(tr8("Папка не выбрана. Выберите её в списке папок."));
    return true;
}

QString FolderEditor::settingsPath() const
{
    return m_services.fileSystem.locate(m_state.folder, settings::settingsFileName());
}

// The file imagePath names: a path read relative to its folder is taken from that folder, as Windows takes it.
QString FolderEditor::pictureFile() const
{
    return settings::resolvePicturePath(m_imageReadIn, m_state.imagePath, settings::hostPathStyle());
}

// A path read relative to the folder goes back as read; written to another folder, it names its file in full.
QString FolderEditor::pathToWrite() const
{
    if (settings::isFolderRelative(m_state.imagePath) && m_imageReadIn == m_state.folder)
        return m_state.imagePath;
    return settings::picturePathToWrite(m_state.folder, pictureFile(), settings::hostPathStyle(),
                                        m_services.canonicalPath);
}

// ---- load -----------------------------------------------------------------------------------------------------

void FolderEditor::reload()
{
    if (refuseWithoutFolder())
        return;
    m_state.imagePath.clear();
    m_state.textColorHex = settings::defaultTextColorHex();
    const QString path = settingsPath();
    if (!m_services.fileSystem.find(path, FindFilter::FilesWithHiddenSystem)) {
        setCaptionColor(0);
        m_state.preview = QImage();
        m_state.status = tr8("Файл настройки отсутствует");
        m_state.shownPath.clear();
        markBackground(false);
        Q_EMIT changed();
        return;
    }

    const auto text = m_services.fileSystem.readText(path);
    if (text.kind() == ErrorKind::PermissionDenied || text.kind() == ErrorKind::Refused) {
        // Unreadable, or of a kind the program leaves alone: nothing of it is shown, nothing offered for removal.
        setCaptionColor(0);
        m_state.preview = QImage();
        m_state.status =
            text.kind() == ErrorKind::Refused ? tr8("Файл настройки найден") : tr8("Файл настройки недоступен");
        m_state.shownPath.clear();
        markBackground(false);
        report(text.message());
        return;
    }
    m_state.status = tr8("Файл настройки найден");
    if (!text)
        return askDamagedFile();
    settings::ReadValues partial;
    const auto values = settings::readValues(text->lines, &partial);
    m_state.imagePath = partial.imagePath;
    m_imageReadIn = m_state.folder;
    m_state.textColorHex = partial.textColorHex;
    if (!values)
        return askDamagedFile();
    const auto color = settings::colorFromDigits(m_state.textColorHex);
    if (!color)
        return askDamagedFile();
    setCaptionColor(*color);

    const QString file = pictureFile();
    if (!m_state.imagePath.isEmpty() && m_services.fileSystem.find(file, FindFilter::NormalFiles)) {
        if (!loadPreview(file) || !showSizeText())
            return askDamagedFile();
        markBackground(true);
        m_state.shownPath = file;
    } else {
        // The path stays in imagePath, so that the next apply writes it back.
        m_state.preview = QImage();
        m_state.shownPath.clear();
        markBackground(false);
    }
    Q_EMIT changed();
}

void FolderEditor::askDamagedFile()
{
    const QString text = tr8("Во время чтения файла настройки возникла ошибка ") + settings::crlf() +
                         tr8("              Вероятно файл настройки испорчен") + settings::crlf() +
                         tr8("                             Удалить его?");
    if (ask(text, QString(), MessageIcon::Question, MessageButtons::YesNo) == Answer::Yes)
        removeSettings();
}

// ---- apply ----------------------------------------------------------------------------------------------------

void FolderEditor::apply()
{
    if (refuseWithoutFolder())
        return;
    if (m_state.textColorHex.isEmpty())
        m_state.textColorHex = settings::defaultTextColorHex();

    const QString path = settingsPath();
    const bool existed = m_services.fileSystem.find(path, FindFilter::FilesWithHiddenSystem);
    auto& fs = m_services.fileSystem;
    const QString picture = pathToWrite();
    // A rewrite keeps the file's own encoding: Windows writes UTF-16LE where the code page falls short.
    platform::TextEncoding encoding = platform::TextEncoding::Ansi;
    QString kept;
    if (existed) {
        const auto old = fs.readText(path);
        if (refuseOrEnd(old.status()))
            return;
        kept = settings::keptLines(old->lines);
        encoding = old->encoding;
    }
    // A character the code page cannot hold would turn into '?': refuse before anything is written.
    if (const Status encodable = encoding == platform::TextEncoding::Ansi ? fs.checkEncodable(picture) : Status::ok();
        !encodable) {
        report(tr8("Путь к картинке нельзя записать в файл настройки.\n") + encodable.message() +
               tr8("\nПереименуйте картинку или выберите другую. Ничего не записано."));
        return;
    }
    const QString composed = existed ? settings::composeRewrite(kept, picture, m_state.textColorHex)
                                     : settings::composeNew(picture, m_state.textColorHex);
    // The replacement carries the final attributes, so no instant shows the file without them.
    if (refuseOrEnd(fs.replaceText(path, composed, encoding, platform::attr::Hidden | platform::attr::System)) ||
        endOnFailure(fs.setAttributes(m_state.folder, platform::attr::System)))
        return;
    m_services.shell.folderChanged(m_state.folder);

    reload();
    ask(existed ? tr8("Файл настройки отредактирован") : tr8("Файл настройки создан"), tr8("Готово"),
        MessageIcon::Information, MessageButtons::Ok);
}

// ---- remove ---------------------------------------------------------------------------------------------------

void FolderEditor::removeSettings()
{
    if (refuseWithoutFolder())
        return;
    keepPictureAsChosen();
    const QString path = settingsPath();
    auto& fs = m_services.fileSystem;
    if (!fs.find(path, FindFilter::FilesWithHiddenSystem)) {
        report(tr8("В выбранной папке нет файла настройки"), tr8("Нет здесь никакого файла настройки"));
        return;
    }
    if (ask(tr8("Вы уверены?"), tr8("Подтверждение удаления"), MessageIcon::Question, MessageButtons::YesNo) !=
        Answer::Yes)
        return;
    if (refuseOrEnd(fs.setAttributes(path, platform::attr::Normal)) || endOnFailure(fs.removeFile(path)))
        return;
    if (!m_state.imagePath.isEmpty() && fs.find(pictureFile(), FindFilter::NormalFiles)) {
        const auto copy = picture::scaledCopyPath(m_picturesDir, pictureFile());
        if (copy && fs.find(*copy, FindFilter::NormalFiles) && endOnFailure(fs.removeFile(*copy)))
            return;
    }
    m_services.shell.folderChanged(m_state.folder);
    ask(tr8("Файл настройки удалён"), tr8("Радуйся"), MessageIcon::Information, MessageButtons::Ok);
    reload();
    m_state.status = tr8("Файла настройки больше нет с нами");
    Q_EMIT changed();
}

// ---- colour, shell --------------------------------------------------------------------------------------------

void FolderEditor::chooseCaptionColor()
{
    Q_EMIT changed();
    const qint32 c = ComDlg::ShowColorDialog(m_services.dialogs, m_owner);
    if (c == -1)
        return;
    const auto color = static_cast<quint32>(c) & 0xFFFFFFu;
    setCaptionColor(color);
    m_state.textColorHex = settings::digitsOfColor(color);
    Q_EMIT changed();
}

void FolderEditor::setCaptionColor(quint32 color)
{
    m_state.captionColor = QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                                  static_cast<int>((color >> 16) & 0xFF));
}

void FolderEditor::openInFileManager()
{
    if (refuseWithoutFolder())
        return;
    const Status opened = m_services.shell.openFolder(m_state.folder);
    if (!opened)
        report(opened.message());
}

// ---- picture choice -------------------------------------------------------------------------------------------

void FolderEditor::choosePicture()
{
    Q_EMIT changed();
    const auto chosen =
        m_services.dialogs.openFile(m_owner, tr8(kPictureDialogTitle), tr8(kPictureFilter), m_state.chosenFile);
    if (chosen)
        m_state.chosenFile = *chosen;
    m_state.imagePath = m_state.chosenFile;
    if (!m_state.imagePath.isEmpty()) {
        // Read and measure before showing, so that a picture that cannot be used changes nothing on screen.
        const auto preview = readPreview(m_services.pictures, m_state.imagePath, previewBox());
        if (!preview || preview->naturalSize.height() <= 0) {
            ask(tr8("Ошибка загрузки фона (Ошибка 1)"), QString(), MessageIcon::None, MessageButtons::Ok);
            return;
        }
        m_state.preview = preview->image;
        m_state.picture = HeldPicture{m_state.imagePath, preview->naturalSize};
        markBackground(true);
        resetFit();
        // Cannot fail: the height was checked above.
        (void)showSizeText();
    } else {
        markBackground(false);
    }
    m_state.shownPath = m_state.imagePath;
    Q_EMIT changed();
}

void FolderEditor::chooseNoBackground()
{
    auto& fs = m_services.fileSystem;
    if (!m_state.imagePath.isEmpty() && fs.find(pictureFile(), FindFilter::NormalFiles)) {
        const auto copy = picture::scaledCopyPath(m_picturesDir, pictureFile());
        if (copy && fs.find(*copy, FindFilter::NormalFiles)) {
            const Status removed = fs.removeFile(*copy);
            if (!removed)
                report(tr8("Не удалось удалить копию картинки «%1»: %2").arg(*copy, removed.message()));
        }
    }
    resetFit();
    m_state.tickedFit = m_state.fit;
    m_state.imagePath.clear();
    m_state.preview = QImage();
    m_state.shownPath.clear();
    m_state.sizeText.clear();
    Q_EMIT changed();
}

// ---- shared picture steps -------------------------------------------------------------------------------------

QSize FolderEditor::previewBox() const { return m_previewBox ? m_previewBox() : QSize(); }

Status FolderEditor::loadPreview(const QString& path)
{
    const auto preview = readPreview(m_services.pictures, path, previewBox());
    if (!preview)
        return preview.status();
    m_state.preview = preview->image;
    m_state.picture = HeldPicture{path, preview->naturalSize};
    return Status::ok();
}

Status FolderEditor::showSizeText()
{
    const QSize size = m_state.picture.naturalSize;
    if (size.height() <= 0) {
        m_state.sizeText.clear();
        return Status::failure(tr8("Высота картинки равна нулю."));
    }
    m_state.sizeText = picture::sizeText(size.width(), size.height(), m_services.locale);
    return Status::ok();
}

void FolderEditor::markBackground(bool withBackground)
{
    m_state.withBackground = withBackground;
    Q_EMIT backgroundMarked(withBackground);
}

// ---- fit ------------------------------------------------------------------------------------------------------

void FolderEditor::fitToScreen()
{
    selectFit(Fit::Automatic);
    m_state.tickedFit = m_state.fit;
    Q_EMIT changed();
}

void FolderEditor::keepPictureAsChosen()
{
    selectFit(Fit::Unchanged);
    m_state.tickedFit = m_state.fit;
    Q_EMIT changed();
}

void FolderEditor::fitToCustomSize()
{
    Q_EMIT changed();
    const std::optional<CustomSize> answer =
        m_services.askCustomSize ? m_services.askCustomSize(m_owner) : std::nullopt;
    if (!answer)
        return;
    // The size is kept as typed, at most four characters of each; it is read when the copy is made.
    m_state.customSize = CustomSize{answer->width.left(4), answer->height.left(4)};
    selectFit(Fit::Custom);
    m_state.tickedFit = m_state.fit;
    Q_EMIT changed();
}

// Choosing a fit acts only when the choice changes: choosing the one already chosen does nothing.
void FolderEditor::selectFit(Fit fit)
{
    if (fit == m_state.fit)
        return;
    m_state.fit = fit;
    switch (fit) {
    case Fit::Unchanged:
        revertToChosenFile();
        return;
    case Fit::Custom:
        makeScaledCopy(picture::customFitSize(m_state.customSize.width, m_state.customSize.height));
        return;
    case Fit::Automatic:
        makeScaledCopy(picture::automaticFitSize(m_services.screen.sizeInTwips()));
        return;
    }
}

// Back to "Не менять" without going back to the chosen file: the caller has just set the picture itself.
void FolderEditor::resetFit() { m_state.fit = Fit::Unchanged; }

void FolderEditor::revertToChosenFile()
{
    m_state.imagePath = m_state.chosenFile;
    if (!loadPreview(m_state.imagePath)) {
        // The file chosen earlier can no longer be read: fall back to no background.
        m_state.imagePath.clear();
        m_state.picture = HeldPicture();
        m_state.preview = QImage();
    }
    if (!m_state.imagePath.isEmpty()) {
        markBackground(true);
    } else {
        markBackground(false);
        ask(tr8("Ошибка загрузки фона"), QString(), MessageIcon::None, MessageButtons::Ok);
    }
    // A zero height only clears the size text; a picture that failed to load has been reported above.
    (void)showSizeText();
    m_state.shownPath = m_state.imagePath;
}

void FolderEditor::makeScaledCopy(QSize size)
{
    if (m_state.imagePath.isEmpty() || m_state.shownPath.isEmpty()) {
        resetFit();
        return;
    }
    // A copy that cannot be made leaves the picture as it is, and the fit says so.
    const auto copyPath = picture::scaledCopyPath(m_picturesDir, pictureFile());
    if (!copyPath) {
        resetFit();
        report(tr8("Для картинки «%1» нельзя составить имя копии: имя файла короче четырёх символов.")
                   .arg(m_state.imagePath));
        return;
    }
    {
        // The picture's pixels are read only now, and the decoder shrinks them while reading to the least that
        // still covers the copy (a JPEG in eighths); the smooth stretch does the rest. The copy is made from the
        // held picture, which after a first fit is the copy itself.
        const auto source = m_services.pictures.loadForSize(m_state.picture.path, size);
        if (!source) {
            resetFit();
            report(source.message());
            return;
        }
        const Status written = picture::writeScaledCopy(m_services.pictures, m_services.fileSystem, *source, size,
                                                        picturesFolder(), *copyPath);
        if (!written) {
            resetFit();
            report(written.message());
            return;
        }
    }
    m_state.imagePath = *copyPath;
    if (!loadPreview(m_state.imagePath)) {
        ask(tr8("Ошибка загрузки фона (Ошибка 1)"), QString(), MessageIcon::None, MessageButtons::Ok);
        return;
    }
    markBackground(true);
    // Cannot fail: the copy was just written at least 3 pixels high.
    (void)showSizeText();
    m_state.shownPath = m_state.imagePath;
}

// ---- the error policies ---------------------------------------------------------------------------------------

// A failed step of writing or removing the settings file: the general error path shows it and ends the program.
bool FolderEditor::endOnFailure(const Status& status)
{
    if (status)
        return false;
    Q_EMIT changed();
    m_services.errorPath.fail(m_owner, status.message());
    return true;
}

// A file the program will not change is refused with the reason and nothing touched; any other failure ends it.
bool FolderEditor::refuseOrEnd(const Status& status)
{
    if (status.kind() != ErrorKind::Refused)
        return endOnFailure(status);
    Q_EMIT changed();
    report(status.message());
    return true;
}

// A failure the user can mend: shown, and the editor goes on.
void FolderEditor::report(const QString& text, const QString& title)
{
    ask(text, title, MessageIcon::Stop, MessageButtons::Ok);
}

Answer FolderEditor::ask(const QString& text, const QString& title, MessageIcon icon, MessageButtons buttons)
{
    Q_EMIT changed();
    return m_services.dialogs.message(m_owner, text, title, icon, buttons);
}

} // namespace mirtal::app

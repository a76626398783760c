#pragma once

#include "about/BannerAnimation.h"
#include "about/UpdateCheck.h"
#include "platform/HttpTransfer.h"
#include "platform/Shell.h"

#include <QColor>
#include <QDialog>

#include <memory>
#include <optional>

class QAbstractButton;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QTimer;

namespace mirtal::about {

class BannerBox;

// The About window: banner, description, site link, update check and the "Закрыть" bar. Build it afresh for every
// showing and exec() it; closing it stops everything it runs.
class AboutWindow final : public QDialog {
    Q_OBJECT

public:
    AboutWindow(platform::HttpTransfer& http, platform::Shell& shell, QString siteRoot = QString(kSiteRoot),
                RandomSource random = systemRandom(), QWidget* parent = nullptr);
    ~AboutWindow() override;
    Q_DISABLE_COPY_MOVE(AboutWindow)

    // The seven lines of the description, each ended by CR LF, blank lines included.
    static QString descriptionText();

    QColor streakColor() const { return m_streakColor; }
    qint16 streakRows() const { return m_streakRows; }
    const BannerAnimation& animation() const { return *m_animation; }
    const UpdateCheck& updateCheck() const { return *m_updateCheck; }
    QTimer* waitTimer() const { return m_waitTimer; }
    QTimer* frameTimer() const { return m_frameTimer; }

    void done(int result) override;

public Q_SLOTS:
    void checkForUpdate();
    void resetLinkColors();
    void waitTimerTick();
    void frameTimerTick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void hoverCloseBar();
    void pressCloseBar();
    void releaseCloseBar();
    void hoverSiteLink();
    void pressSiteLink();
    void openSite();
    bool isResetArea(const QObject* watched) const;
    void syncTimers();

    platform::Shell& m_shell;
    QString m_siteRoot;

    QGroupBox* m_descriptionFrame = nullptr;
    BannerBox* m_banner = nullptr;
    QLabel* m_versionLabel = nullptr;
    QPlainTextEdit* m_description = nullptr;
    QLabel* m_siteCaption = nullptr;
    QLabel* m_siteLink = nullptr;
    QLabel* m_siteText = nullptr;
    QAbstractButton* m_checkButton = nullptr;
    QLabel* m_statusLabel = nullptr;
    QLabel* m_closeBar = nullptr;
    QTimer* m_waitTimer = nullptr;
    QTimer* m_frameTimer = nullptr;

    QColor m_streakColor;
    qint16 m_streakRows = 0;
    std::unique_ptr<BannerAnimation> m_animation;
    std::unique_ptr<UpdateCheck> m_updateCheck;
    std::optional<int> m_closeAfterCheck; // the result of a close asked for while the check waited
};

} // namespace mirtal::about

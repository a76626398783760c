#pragma once

#include "about/BannerAnimation.h"
#include "about/UpdateCheck.h"
#include "platform/HttpTransfer.h"
#include "platform/Shell.h"

#include <QColor>
#include <QDialog>

#include <memory>

class QAbstractButton;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QTimer;

namespace mirtal::about {

// The About window: banner, description, site link, update check and the "Закрыть" bar. Build it afresh for every
// showing and exec() it; closing it stops everything it runs.
class Form2 final : public QDialog {
    Q_OBJECT

public:
    Form2(platform::HttpTransfer& http, platform::Shell& shell, QString siteRoot = QString(kSiteRoot),
          RandomSource random = systemRandom(), QWidget* parent = nullptr);
    ~Form2() override;
    Q_DISABLE_COPY_MOVE(Form2)

    // The seven lines of the description, each ended by CR LF, blank lines included.
    static QString descriptionText();

    QColor StreakColor() const { return m_streakColor; }
    qint16 StreakRows() const { return m_streakRows; }
    const BannerAnimation& animation() const { return *m_animation; }
    const UpdateCheck& updateCheck() const { return *m_updateCheck; }
    QTimer* Timer1() const { return m_timer1; }
    QTimer* Timer3() const { return m_timer3; }

    void done(int result) override;

public Q_SLOTS:
    void CheckForUpdate();
    void ResetLinkColors();
    void Timer1_Timer();
    void Timer3_Timer();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void Label3_MouseMove();
    void Label3_MouseDown();
    void Label3_MouseUp();
    void Label4_MouseMove();
    void Label4_MouseDown();
    void Label4_MouseUp();
    bool isResetArea(const QObject* watched) const;
    void syncTimers();

    platform::Shell& m_shell;
    QString m_siteRoot;

    QGroupBox* m_frame2 = nullptr;
    QWidget* m_picture1 = nullptr;
    QLabel* m_label1 = nullptr;
    QPlainTextEdit* m_text1 = nullptr;
    QLabel* m_label5 = nullptr;
    QLabel* m_label4 = nullptr;
    QLabel* m_label2 = nullptr;
    QAbstractButton* m_command1 = nullptr;
    QLabel* m_label7 = nullptr;
    QLabel* m_label3 = nullptr;
    QTimer* m_timer1 = nullptr;
    QTimer* m_timer3 = nullptr;

    QColor m_streakColor;
    qint16 m_streakRows = 0;
    std::unique_ptr<BannerAnimation> m_animation;
    std::unique_ptr<UpdateCheck> m_updateCheck;
};

} // namespace mirtal::about

#pragma once

#include <QList>
#include <QPoint>
#include <QtGlobal>

#include <functional>

namespace mirtal::about {

// Uniform draws u with 0 <= u < 1.
using RandomSource = std::function<double()>;

// Draws from the process-wide generator, seeded by the system.
RandomSource systemRandom();

// The streak over the right end of the banner: the wait timer starts a series with its start point, then the frame
// timer draws five frames of a fresh one-pixel random walk from that point downwards and clears on its sixth tick. Only
// the points of the current frame exist; nothing is ever drawn into the banner picture.
class BannerAnimation final {
public:
    enum class State { Waiting, Flashing }; // the wait timer runs while Waiting, the frame timer while Flashing

    static constexpr qint16 kFirstColumn = 404;
    static constexpr qint16 kLastColumn = 460;
    static constexpr int kStartColumns = 56;  // a series starts in 404..459, never at 460
    static constexpr qint16 kSeriesTicks = 6; // five frames, and a tick that only clears

    BannerAnimation(qint16 streakRows, RandomSource random);
    Q_DISABLE_COPY_MOVE(BannerAnimation)

    void waitTick();
    void frameTick();

    State state() const { return m_state; }
    // What is plotted now, in banner pixels; empty after a clear. Row streakRows() lies below the banner and is
    // clipped when drawn.
    const QList<QPoint>& points() const { return m_points; }

    qint16 streakRows() const { return m_streakRows; }
    qint16 StreakStartX() const { return m_streakStartX; }
    qint16 StreakX() const { return m_streakX; }
    qint16 StreakY() const { return m_streakY; }
    qint16 StreakFrames() const { return m_streakFrames; }

private:
    // Whole part of u * n for a draw u, kept within 0..n-1 even if the source strays outside [0, 1).
    int draw(int n);
    void plot() { m_points.append(QPoint(m_streakX, m_streakY)); }

    RandomSource m_random;
    State m_state = State::Waiting;
    QList<QPoint> m_points;
    qint16 m_streakRows;
    qint16 m_streakStartX = kFirstColumn;
    qint16 m_streakX = kFirstColumn;
    qint16 m_streakY = 0;
    qint16 m_streakFrames = 0;
};

} // namespace mirtal::about

#include "about/BannerAnimation.h"

#include <QRandomGenerator>

#include <algorithm>
#include <utility>

namespace mirtal::about {

RandomSource systemRandom()
{
    return [] { return QRandomGenerator::global()->generateDouble(); };
}

BannerAnimation::BannerAnimation(qint16 streakRows, RandomSource random)
    : m_random(std::move(random))
    , m_streakRows(std::max<qint16>(streakRows, 0))
{
    m_points.reserve(m_streakRows + 1);
}

int BannerAnimation::draw(int n)
{
    const double u = m_random();
    if (!(u >= 0.0)) // also NaN
        return 0;
    if (u >= 1.0)
        return n - 1;
    return std::min(static_cast<int>(u * n), n - 1);
}

void BannerAnimation::waitTick()
{
    m_streakY = 0;
    m_streakFrames = 0;
    m_streakStartX = static_cast<qint16>(kFirstColumn + draw(kStartColumns));
    m_streakX = m_streakStartX;
    m_points.clear();
    plot();
    m_state = State::Flashing;
}

void BannerAnimation::frameTick()
{
    m_points.clear();
    m_streakX = m_streakStartX;
    m_streakY = 0;
    plot();
    ++m_streakFrames;
    if (m_streakFrames >= kSeriesTicks) {
        m_points.clear();
        m_state = State::Waiting;
        return;
    }
    for (qint16 row = 0; row < m_streakRows; ++row) {
        ++m_streakY;
        switch (1 + draw(4)) {
        case 1:
            m_streakX = std::max<qint16>(static_cast<qint16>(m_streakX - 1), kFirstColumn);
            break;
        case 2:
            m_streakX = std::min<qint16>(static_cast<qint16>(m_streakX + 1), kLastColumn);
            break;
        default: // 3 or 4: straight down
            break;
        }
        plot();
    }
}

} // namespace mirtal::about

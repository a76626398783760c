#include "about/BannerAnimation.h"

#include <QTest>

#include <cmath>
#include <random>

using mirtal::about::BannerAnimation;
using State = BannerAnimation::State;

namespace {

constexpr qint16 kRows = 57;

// The first draw places the series; every later draw is the same step.
mirtal::about::RandomSource scripted(double start, double step)
{
    return [start, step, first = true]() mutable {
        const double u = first ? start : step;
        first = false;
        return u;
    };
}

constexpr double kLeft = 0.0;        // r = 1
constexpr double kRight = 0.25;      // r = 2
constexpr double kDown = 0.5;        // r = 3
constexpr double kAlsoDown = 0.9999; // r = 4

} // namespace

class BannerAnimationTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startColumn_data()
    {
        QTest::addColumn<double>("u");
        QTest::addColumn<int>("column");

        QTest::newRow("0") << 0.0 << 404;
        QTest::newRow("just below 1/56") << 0.999 / 56.0 << 404;
        QTest::newRow("middle") << 0.5 << 432;
        QTest::newRow("largest draw, never 460") << std::nextafter(1.0, 0.0) << 459;
        // A source that strays outside [0, 1) still keeps the streak in its columns.
        QTest::newRow("stray 1.0") << 1.0 << 459;
        QTest::newRow("stray NaN") << std::nan("") << 404;
    }

    // Timer1 starts a series: one point on the top row, in 404..459, and hands over to Timer3.
    void startColumn()
    {
        QFETCH(double, u);
        QFETCH(int, column);
        BannerAnimation animation(kRows, scripted(u, kDown));
        QCOMPARE(animation.state(), State::Waiting);

        animation.Timer1Tick();
        QCOMPARE(animation.state(), State::Flashing);
        QCOMPARE(animation.StreakStartX(), column);
        QCOMPARE(animation.points(), QList<QPoint>({QPoint(column, 0)}));
    }

    void steps_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("step");
        QTest::addColumn<int>("secondColumn");
        QTest::addColumn<int>("lastColumn");

        QTest::newRow("left at 404 stays") << 0.0 << kLeft << 404 << 404;
        QTest::newRow("right at 460 stays") << 0.9999 << kRight << 460 << 460;
        QTest::newRow("3 goes straight down") << 0.5 << kDown << 432 << 432;
        QTest::newRow("4 goes straight down") << 0.5 << kAlsoDown << 432 << 432;
        QTest::newRow("walking left stops at 404") << 0.5 << kLeft << 431 << 404;
        QTest::newRow("walking right stops at 460") << 0.0 << kRight << 405 << 460;
    }

    // A frame has one point per row 0..StreakRows, each step at most one column, within 404..460.
    void steps()
    {
        QFETCH(double, start);
        QFETCH(double, step);
        QFETCH(int, secondColumn);
        QFETCH(int, lastColumn);
        BannerAnimation animation(kRows, scripted(start, step));
        animation.Timer1Tick();
        animation.Timer3Tick();

        const QList<QPoint>& points = animation.points();
        QCOMPARE(points.size(), kRows + 1);
        QCOMPARE(points.first(), QPoint(animation.StreakStartX(), 0));
        QCOMPARE(points.at(1), QPoint(secondColumn, 1));
        QCOMPARE(points.last(), QPoint(lastColumn, kRows));
    }

    // Five frames, each a fresh walk from the same start; the sixth tick only clears and hands back to Timer1.
    void series()
    {
        std::mt19937 gen(7u);
        std::uniform_real_distribution<double> uniform(0.0, 1.0);
        BannerAnimation animation(kRows, [&] { return uniform(gen); });

        for (int series = 0; series < 200; ++series) {
            animation.Timer1Tick();
            const qint16 start = animation.StreakStartX();
            QVERIFY(start >= 404 && start <= 459);
            QCOMPARE(animation.StreakFrames(), 0);

            for (int frame = 1; frame <= 5; ++frame) {
                animation.Timer3Tick();
                QCOMPARE(animation.state(), State::Flashing);
                QCOMPARE(animation.StreakFrames(), frame);
                const QList<QPoint>& points = animation.points();
                QCOMPARE(points.size(), kRows + 1);
                QCOMPARE(points.first(), QPoint(start, 0));
                for (qsizetype row = 1; row < points.size(); ++row) {
                    const QPoint at = points.at(row);
                    QCOMPARE(at.y(), row);
                    QVERIFY2(at.x() >= 404 && at.x() <= 460, qPrintable(QString::number(at.x())));
                    QVERIFY(qAbs(at.x() - points.at(row - 1).x()) <= 1);
                }
            }
            animation.Timer3Tick();
            QCOMPARE(animation.state(), State::Waiting);
            QVERIFY(animation.points().isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(BannerAnimationTest)
#include "tst_BannerAnimation.moc"

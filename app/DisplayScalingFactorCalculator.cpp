#include "app/DisplayScalingFactorCalculator.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace scaling {
Factors compute(double logicalDpi, int screenWidth, int screenHeight)
{
    Factors f;
    if (logicalDpi == 0.0)
        return f;
    const double shortSide = std::min(screenWidth, screenHeight);
    const double longSide = std::max(screenWidth, screenHeight);
    const double a = shortSide * 96.0 / (logicalDpi * 1080.0);
    const double b = longSide * 96.0 / (logicalDpi * 1920.0);
    f.fontScalingFactor = b < a ? b : a;
    f.scalingFactor = std::max(logicalDpi / 96.0, 1.0);
    return f;
}

QSize fixedWindowSize(double scalingFactor) { return QSize(qRound(800 * scalingFactor), qRound(500 * scalingFactor)); }
} // namespace scaling

DisplayScalingFactorCalculator::DisplayScalingFactorCalculator(QObject *parent) : QObject(parent)
{
    recalculate();
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::primaryScreenChanged, this,
                &DisplayScalingFactorCalculator::onPrimaryScreenChanged);
}

void DisplayScalingFactorCalculator::onPrimaryScreenChanged(QScreen *screen)
{
    Q_UNUSED(screen); // the computation always asks for the current primary screen
    const double oldFont = m_factors.fontScalingFactor;
    recalculate();
    // The font factor has a notify signal of its own: without it, bindings to it would keep
    // the old screen's value.
    if (m_factors.fontScalingFactor != oldFont)
        emit fontScalingFactorChanged();
    emit scalingFactorChanged();
}

void DisplayScalingFactorCalculator::recalculate()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen) {
        m_factors = scaling::Factors();
        return;
    }
    const QRect g = screen->geometry();
    m_factors = scaling::compute(screen->logicalDotsPerInch(), g.width(), g.height());
}

#pragma once
#include <QObject>
#include <QSize>

class QScreen;

namespace scaling {
struct Factors
{
    double fontScalingFactor = 1.0;
    double scalingFactor = 1.0;
};

// 96 dpi and a 1920 x 1080 screen are the reference: the window scale follows the density
// (never below 1), the font scale the screen's size in reference pixels (either orientation).
// A density of 0 gives 1.0 and 1.0.
Factors compute(double logicalDpi, int screenWidth, int screenHeight);

// The window's fixed size: the 800 x 500 reference scaled like the views, so the root item
// (800 x 500 x scalingFactor) is never cut off on a denser screen. 800 x 500 at 96 dpi.
QSize fixedWindowSize(double scalingFactor);
} // namespace scaling

// Created by Main.qml; every QML size derives from its factors.
class DisplayScalingFactorCalculator : public QObject
{
    Q_OBJECT
    Q_PROPERTY(double fontScalingFactor READ fontScalingFactor NOTIFY fontScalingFactorChanged)
    Q_PROPERTY(double scalingFactor READ scalingFactor NOTIFY scalingFactorChanged)
public:
    explicit DisplayScalingFactorCalculator(QObject *parent = nullptr);

    double fontScalingFactor() const { return m_factors.fontScalingFactor; }
    double scalingFactor() const { return m_factors.scalingFactor; }

signals:
    void fontScalingFactorChanged();
    void scalingFactorChanged();

public slots:
    void onPrimaryScreenChanged(QScreen *screen);

private:
    void recalculate();

    scaling::Factors m_factors;
};

import QtQuick 2.5

// Bar meter of the ducker's attenuation: 0 dB lights every bar, 90 dB none.
Rectangle {
    id: mMeter

    property int pCount: 0
    property real pMeterValue: 0
    property bool pVisibility: true
    property bool pActive: false
    property bool pDialActive: false
    // Number of opaque bars, counted from the bottom.
    readonly property real pLitLimit: pCount * Number(Math.abs(1 - pMeterValue / 90).toFixed(2))
    readonly property color pBarColor: pActive ? "green" : globalColors.pInactiveDuckerStatusColor
    readonly property color pFadedBarColor: Qt.rgba(pBarColor.r, pBarColor.g, pBarColor.b, pBarColor.a * 0.05)

    color: "transparent"
    radius: globalSizes.pSizeThree
    border.width: 1
    border.color: globalColors.pTabHeaderUnderLineColor

    // Bar 0 at the bottom. Placed by hand rather than by a column turned over: the bars' own
    // transforms stay translations, which lets them be drawn as one.
    Item {
        id: mBars
        objectName: "meterBars"
        anchors.horizontalCenter: parent.horizontalCenter
        y: 6
        width: 19
        height: mMeter.pCount * 4
        visible: mMeter.pDialActive
        opacity: 0.001

        onVisibleChanged: mFade.restart()

        NumberAnimation {
            id: mFade
            target: mBars
            property: "opacity"
            to: 0.5
            duration: 1000
        }

        Repeater {
            id: mRepeater
            model: Math.max(0, mMeter.pCount)

            // A faded bar has a translucent colour rather than an opacity of its own: bars that
            // differ only in colour are drawn together, in one call per frame instead of one each.
            delegate: Rectangle {
                y: (mMeter.pCount - 1 - index) * 4
                width: 19
                height: 2
                radius: 2
                color: index < mMeter.pLitLimit ? mMeter.pBarColor : mMeter.pFadedBarColor
            }
        }
    }
}

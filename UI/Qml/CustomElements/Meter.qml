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

    color: "transparent"
    radius: globalSizes.pSizeThree
    border.width: 1
    border.color: globalColors.pTabHeaderUnderLineColor

    Column {
        id: mBars
        objectName: "meterBars"
        anchors.horizontalCenter: parent.horizontalCenter
        y: 6
        spacing: 2
        // Turned over so that bar 0 sits at the bottom.
        rotation: 180
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

            delegate: Rectangle {
                width: 19
                height: 2
                radius: 2
                color: mMeter.pActive ? "green" : globalColors.pInactiveDuckerStatusColor
                opacity: index < mMeter.pLitLimit ? 1 : 0.05
            }
        }
    }
}

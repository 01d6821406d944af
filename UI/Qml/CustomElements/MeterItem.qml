import QtQuick 2.5

// Titled ducker meter: reading label above the bar meter.
Item {
    id: mMeterItem

    property string pValue
    property bool pMeterItemActive: false
    property bool pMeterDialActive: false
    property real pMeterReading: 0

    Text {
        id: mTitle
        anchors.top: parent.top
        anchors.left: parent.left
        text: qsTr("Meter")
        font.family: "Arial"
        font.pixelSize: globalSizes.pErrorFontSize
        color: mMeterItem.pMeterItemActive ? globalColors.pBlack : globalColors.pInactiveDuckerStatusColor
    }

    ReadingLabel {
        id: mReadingLabel
        objectName: "meterReading"
        anchors.top: mTitle.bottom
        anchors.topMargin: globalSizes.pSizeFive
        width: globalSizes.pSizeFourtyFive
        height: globalSizes.pSizeSixteen
        pActive: mMeterItem.pMeterItemActive
        pReading: !mMeterItem.pMeterItemActive ? "0dB"
                  : mMeterItem.pMeterReading > 0 ? "-" + mMeterItem.pValue : mMeterItem.pValue
    }

    Meter {
        id: mMeter
        objectName: "meter"
        anchors.top: mReadingLabel.bottom
        anchors.topMargin: globalSizes.pSizeSix
        width: globalSizes.pSizeThirtyEight
        height: globalSizes.pMeterHeight
        pCount: Math.floor((height - 10) / 4)
        pMeterValue: mMeterItem.pMeterReading
        pActive: mMeterItem.pMeterItemActive
        pDialActive: mMeterItem.pMeterDialActive
    }
}

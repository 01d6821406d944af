import QtQuick 2.5

// One labelled slider row: key, slider, reading.
Item {
    id: mKeySliderValue

    property bool pKeySliderValueActive: false
    property real pDefaultValue: 0
    property string pLower
    property string pUpper
    property real pLowerValue: 0
    property real pUpperValue: 1
    property alias pSliderValue: mSlider.pValue
    property string pKeyLabel
    property string pUnit
    property bool pSignVisibility: pSliderValue > 0
    property string pReadingLabelValue: (pSignVisibility ? "-" : "") + wholeNumber(pSliderValue) + pUnit

    signal updateTriggered(var value)

    // The handlers take an int, which truncates toward zero: show that same whole number, so
    // the reading is always the value that goes to the mixer and the store.
    function wholeNumber(value) {
        var whole = value < 0 ? Math.ceil(value) : Math.floor(value)
        return whole === 0 ? "0" : String(whole)
    }

    implicitWidth: mRow.implicitWidth + globalSizes.pSizeTwelve
    implicitHeight: globalSizes.pSizeFifty

    Row {
        id: mRow
        anchors.left: parent.left
        anchors.leftMargin: globalSizes.pSizeTwelve
        anchors.verticalCenter: parent.verticalCenter
        spacing: globalSizes.pSizeTwelve

        Text {
            id: mKeyText
            anchors.verticalCenter: parent.verticalCenter
            width: 58
            text: mKeySliderValue.pKeyLabel
            font.family: "Arial"
            font.pixelSize: globalSizes.pReadingFont
            color: mKeySliderValue.pKeySliderValueActive ? globalColors.pSliderKeyLabelColor
                                                         : globalColors.pInactiveDuckerStatusColor
        }

        CustomSlider {
            id: mSlider
            anchors.verticalCenter: parent.verticalCenter
            width: globalSizes.pSliderWidth
            height: globalSizes.pSizeFifty
            pActive: mKeySliderValue.pKeySliderValueActive
            pLowerLimitValue: mKeySliderValue.pLowerValue
            pUpperLimitValue: mKeySliderValue.pUpperValue
            pLowerLimit: mKeySliderValue.pLower
            pUpperLimit: mKeySliderValue.pUpper
            pInitialValue: mKeySliderValue.pDefaultValue
            onUpdateValue: mKeySliderValue.updateTriggered(sliderValue)
        }

        ReadingLabel {
            id: mReadingLabel
            anchors.verticalCenter: parent.verticalCenter
            width: globalSizes.pSizeFourtyFive
            height: globalSizes.pSizeSixteen
            pInsideSliderItem: true
            pActive: mKeySliderValue.pKeySliderValueActive
            pReading: mKeySliderValue.pReadingLabelValue
        }
    }
}

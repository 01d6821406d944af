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
    property alias pStepSize: mSlider.pStepSize
    property string pKeyLabel
    property string pUnit
    property bool pSignVisibility: pSliderValue > 0
    property string pReadingLabelValue: (pSignVisibility ? "-" : "") + wholeNumber(pSliderValue) + pUnit

    signal updateTriggered(var value)

    // The nearest whole number, the one the page sends: the slider moves in whole steps, but a
    // step of 1 from -60 may arrive as -29.999999999999996.
    function wholeNumber(value) {
        var whole = Math.round(value)
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
            pAccessibleName: mKeySliderValue.pKeyLabel
            pAccessibleDescription: mKeySliderValue.pReadingLabelValue
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

import QtQuick 2.5

// The ducker's three parameter sliders, bound to the ducker view model.
Item {
    id: mKeySliderValueItem

    property bool pKeySliderValueItemActive: false
    property var pKeySliderValueItemViewModel: null

    // "0ms" at 0, milliseconds below one second, seconds with two decimals from there on.
    function releaseReading(value) {
        if (value === 0)
            return "0ms"
        if (value < 1)
            return Number(value).toFixed(3).split(".")[1] + "ms"
        return Number(value).toFixed(2) + "s"
    }

    Rectangle {
        id: mBox
        anchors.top: parent.top
        anchors.topMargin: globalSizes.pSizeTwentyOne
        width: parent.width
        height: parent.height
        color: "transparent"
        radius: globalSizes.pSizeThree
        border.width: 1
        border.color: globalColors.pTabHeaderUnderLineColor

        Column {
            id: mColumn
            anchors.fill: parent

            KeySliderValue {
                id: mThreshold
                objectName: "thresholdRow"
                width: parent.width
                height: parent.height / 3
                pKeyLabel: "Threshold"
                pKeySliderValueActive: mKeySliderValueItem.pKeySliderValueItemActive
                pLowerValue: -60
                pUpperValue: 0
                pLower: "-60dB"
                pUpper: "0dB"
                pUnit: "dB"
                pDefaultValue: mKeySliderValueItem.pKeySliderValueItemViewModel
                               ? mKeySliderValueItem.pKeySliderValueItemViewModel.sensitivity : 0
                onUpdateTriggered: {
                    if (mKeySliderValueItem.pKeySliderValueItemViewModel)
                        mKeySliderValueItem.pKeySliderValueItemViewModel.onSensitivityChanged(value)
                }
            }

            KeySliderValue {
                id: mDuckRange
                objectName: "duckRangeRow"
                width: parent.width
                height: parent.height / 3
                pKeyLabel: "Duck range"
                pKeySliderValueActive: mKeySliderValueItem.pKeySliderValueItemActive
                pLowerValue: 0
                pUpperValue: 90
                pLower: "0dB"
                pUpper: "90dB"
                pUnit: "dB"
                pSignVisibility: false
                pDefaultValue: mKeySliderValueItem.pKeySliderValueItemViewModel
                               ? mKeySliderValueItem.pKeySliderValueItemViewModel.duckerRange : 0
                onUpdateTriggered: {
                    if (mKeySliderValueItem.pKeySliderValueItemViewModel)
                        mKeySliderValueItem.pKeySliderValueItemViewModel.onDuckerRangeChanged(value)
                }
            }

            KeySliderValue {
                id: mRelease
                objectName: "releaseRow"
                width: parent.width
                height: parent.height / 3
                pKeyLabel: "Release"
                pKeySliderValueActive: mKeySliderValueItem.pKeySliderValueItemActive
                pLowerValue: 0
                pUpperValue: 5
                pLower: "0ms"
                pUpper: "5s"
                pUnit: "s"
                pSignVisibility: false
                pReadingLabelValue: mKeySliderValueItem.releaseReading(pSliderValue)
                pDefaultValue: mKeySliderValueItem.pKeySliderValueItemViewModel
                               ? mKeySliderValueItem.pKeySliderValueItemViewModel.releaseTime : 0
                onUpdateTriggered: {
                    if (mKeySliderValueItem.pKeySliderValueItemViewModel)
                        mKeySliderValueItem.pKeySliderValueItemViewModel.onReleaseTimeChanged(value)
                }
            }
        }
    }
}

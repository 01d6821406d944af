import QtQuick 2.5

// The ducker's three parameter sliders, bound to the ducker view model.
Item {
    id: mKeySliderValueItem

    property bool pKeySliderValueItemActive: false
    property var pKeySliderValueItemViewModel: null

    // The release time is sent and stored in whole milliseconds; the reading shows that number:
    // "0ms" at 0, three digits of milliseconds below one second, seconds from there on (two
    // decimals; three for a stored value that two cannot show).
    function releaseReading(value) {
        var ms = Math.round(value * 1000)
        if (!(ms > 0))
            return "0ms"
        if (ms < 1000)
            return ("00" + ms).slice(-3) + "ms"
        return (ms / 1000).toFixed(ms % 10 === 0 ? 2 : 3) + "s"
    }

    // A person moves the release by one unit of its reading: 1 ms below a second, 10 ms above.
    function releaseStep(value) {
        return Math.round(value * 1000) < 1000 ? 0.001 : 0.01
    }

    function releaseSeconds(value) {
        var ms = Math.round(value * 1000)
        return (ms < 1000 ? ms : Math.round(ms / 10) * 10) / 1000
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
                pKeyLabel: qsTr("Threshold")
                pKeySliderValueActive: mKeySliderValueItem.pKeySliderValueItemActive
                pLowerValue: -60
                pUpperValue: 0
                pLower: "-60dB"
                pUpper: "0dB"
                pUnit: "dB"
                pStepSize: 1
                pDefaultValue: mKeySliderValueItem.pKeySliderValueItemViewModel
                               ? mKeySliderValueItem.pKeySliderValueItemViewModel.sensitivity : 0
                onUpdateTriggered: {
                    if (mKeySliderValueItem.pKeySliderValueItemViewModel)
                        mKeySliderValueItem.pKeySliderValueItemViewModel.onSensitivityChanged(Math.round(value))
                }
            }

            KeySliderValue {
                id: mDuckRange
                objectName: "duckRangeRow"
                width: parent.width
                height: parent.height / 3
                pKeyLabel: qsTr("Duck range")
                pKeySliderValueActive: mKeySliderValueItem.pKeySliderValueItemActive
                pLowerValue: 0
                pUpperValue: 90
                pLower: "0dB"
                pUpper: "90dB"
                pUnit: "dB"
                pSignVisibility: false
                pStepSize: 1
                pDefaultValue: mKeySliderValueItem.pKeySliderValueItemViewModel
                               ? mKeySliderValueItem.pKeySliderValueItemViewModel.duckerRange : 0
                onUpdateTriggered: {
                    if (mKeySliderValueItem.pKeySliderValueItemViewModel)
                        mKeySliderValueItem.pKeySliderValueItemViewModel.onDuckerRangeChanged(Math.round(value))
                }
            }

            KeySliderValue {
                id: mRelease
                objectName: "releaseRow"
                width: parent.width
                height: parent.height / 3
                //: The time the ducker takes to let the level back up.
                pKeyLabel: qsTr("Release")
                pKeySliderValueActive: mKeySliderValueItem.pKeySliderValueItemActive
                pLowerValue: 0
                pUpperValue: 5
                pLower: "0ms"
                pUpper: "5s"
                pUnit: "s"
                pSignVisibility: false
                pReadingLabelValue: mKeySliderValueItem.releaseReading(pSliderValue)
                pStepSize: mKeySliderValueItem.releaseStep(pSliderValue)
                pDefaultValue: mKeySliderValueItem.pKeySliderValueItemViewModel
                               ? mKeySliderValueItem.pKeySliderValueItemViewModel.releaseTime : 0
                onUpdateTriggered: {
                    if (mKeySliderValueItem.pKeySliderValueItemViewModel)
                        mKeySliderValueItem.pKeySliderValueItemViewModel.onReleaseTimeChanged(
                                    mKeySliderValueItem.releaseSeconds(value))
                }
            }
        }
    }
}

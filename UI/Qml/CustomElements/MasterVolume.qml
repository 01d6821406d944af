import QtQuick 2.5
import "KeyActions.js" as KeyActions

// Master volume strip: reading, vertical slider with its scale, label and mute button.
Item {
    id: mMasterVolume

    // True while sounding, false while muted.
    property bool pToggle: true
    property real pDefaultValue: 0
    property real pUpper: 0
    property real pLower: 0
    property var pMasterViewModel: null

    signal updateTriggered(var value)
    signal muted()

    // toFixed(0) writes values between -0.5 and 0 as "-0".
    function decibels(value) {
        var text = Number(value).toFixed(0)
        return (text === "-0" ? "0" : text) + "dB"
    }

    implicitWidth: globalSizes.pIOBoxWidth
    implicitHeight: globalSizes.pIOBoxHeight

    Rectangle {
        id: mBackground
        anchors.fill: parent
        color: globalColors.pIOBoxBackgroundColor
        border.width: 1
        border.color: globalColors.pIOBoxBorderColor
        radius: 2
        opacity: 0.4
    }

    Text {
        id: mReading
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.verticalCenter: mUnderLine.top
        anchors.verticalCenterOffset: -globalSizes.pSizeFifteen
        text: mMasterVolume.decibels(mSlider.pShownValue)
        font.family: "Arial"
        font.pixelSize: globalSizes.pSliderLabel
        color: mMasterVolume.pToggle ? globalColors.pToggleLabelColor : globalColors.pIOLabelDisabledColor
    }

    Rectangle {
        id: mUnderLine
        y: globalSizes.pSizeThirty
        anchors.horizontalCenter: parent.horizontalCenter
        width: parent.width - 2 * globalSizes.pSizeSix
        height: 1
        color: globalColors.pIOBoxUnderLineColor
    }

    InputOutputSlider {
        id: mSlider
        objectName: "masterSlider"
        anchors.top: mUnderLine.bottom
        anchors.topMargin: globalSizes.pSizeSix
        x: parent.width / 2 + globalSizes.pSizeFour
        pActive: mMasterVolume.pToggle
        pLowerLimitValue: mMasterVolume.pLower
        pUpperLimitValue: mMasterVolume.pUpper
        pInitialValue: mMasterVolume.pDefaultValue
        pAccessibleName: mMasterLabel.text
        onUpdateValue: mMasterVolume.updateTriggered(sliderValue)
    }

    IOReadingListView {
        id: mScale
        objectName: "scale"
        anchors.right: mSlider.horizontalCenter
        anchors.rightMargin: globalSizes.pSizeFive
        y: mSlider.y + mSlider.height / 2 - globalSizes.pIOSliderWidth / 2
        height: globalSizes.pIOSliderWidth
        pShowLeft: true
        pUpper: mMasterVolume.pUpper
        pLower: mMasterVolume.pLower
    }

    Rectangle {
        id: mLabelBox
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.top: mUnderLine.bottom
        anchors.topMargin: globalSizes.pIOBoxMasterUnderLineGap
        width: globalSizes.pSizeEighty
        height: globalSizes.pSizeTwenty
        color: globalColors.pWhite
        radius: 2
        border.width: 1
        border.color: globalColors.pIOBoxUnderLineColor

        Text {
            id: mMasterLabel
            anchors.centerIn: parent
            text: qsTr("Master")
            font.family: "Arial"
            font.pixelSize: globalSizes.pSliderLabel
            color: mMasterVolume.pToggle ? globalColors.pToggleLabelColor : globalColors.pIOLabelDisabledColor
        }
    }

    Rectangle {
        id: mBottomLine
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.top: mLabelBox.bottom
        anchors.topMargin: globalSizes.pSizeFive
        width: mUnderLine.width
        height: 1
        color: globalColors.pIOBoxUnderLineColor
    }

    Image {
        id: mMuteImage
        objectName: "muteImage"
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.verticalCenter: mBottomLine.bottom
        anchors.verticalCenterOffset: (mMasterVolume.height - mBottomLine.y) / 2
        width: globalSizes.pSizeTwenty
        height: globalSizes.pSizeTwenty
        sourceSize.width: width * 2
        sourceSize.height: height * 2
        source: mMasterVolume.pToggle ? globalImagePaths.pUnMuteImage : globalImagePaths.pMuteImage

        activeFocusOnTab: true
        Keys.onPressed: KeyActions.click(event, mMasterVolume.muted)
        Accessible.role: Accessible.Button
        Accessible.name: qsTr("Mute %1").arg(mMasterLabel.text)
        Accessible.checkable: true
        Accessible.checked: !mMasterVolume.pToggle
        Accessible.onPressAction: mMasterVolume.muted()
        Accessible.onToggleAction: mMasterVolume.muted()

        MouseArea {
            id: mMuteMouseArea
            anchors.fill: parent
            anchors.margins: -globalSizes.pSizeFour
            onPressed: mMuteImage.forceActiveFocus(Qt.MouseFocusReason)
            onClicked: mMasterVolume.muted()
        }
    }
}

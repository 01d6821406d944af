import QtQuick 2.5
import "KeyActions.js" as KeyActions

// Volume strip of one stereo channel pair. While linked, moving either slider moves both and
// reports one common value.
Item {
    id: mSlaveVolume

    // True while sounding, false while muted.
    property bool pToggle: true
    // True while the two channels are linked.
    property bool pCommon: false
    property var pSlaveViewModel: null
    property int pIndex: 0
    property real pLeftChannelDefaultValue: 0
    property real pRightChannelDefaultValue: 0
    property real pLeftUpper: 0
    property real pLeftLower: 0
    property real pRightUpper: 0
    property real pRightLower: 0
    property int pLeftChannelIndex: 0
    property int pRightChannelIndex: 0
    property string pLeftChannelName
    property string pRightChannelName

    signal commonUpdate(var value)
    signal leftChannelUpdate(var leftChannelValue)
    signal rightChannelUpdate(var rightChannelValue)
    signal muted()
    signal detached()

    function decibels(value) {
        var text = Number(value).toFixed(0)
        return (text === "-0" ? "0" : text) + "dB"
    }

    // The pair's name for assistive technology: "Input 1" and "Input 2" make "Input 1+2".
    function pairName() {
        var left = pLeftChannelName, right = pRightChannelName
        var common = 0
        while (common < left.length && left[common] === right[common])
            ++common
        var cut = left.lastIndexOf(" ", common - 1) + 1
        return left + "+" + right.slice(cut)
    }

    // A click on the link: the view model links or unlinks the pair; linking two sliders that
    // differ meets them halfway.
    function toggleLink() {
        if (!pToggle)
            return
        detached()
        var left = mLeftSlider.pValue
        var right = mRightSlider.pValue
        if (pCommon && left !== right) {
            var average = (left + right) / 2
            mLeftSlider.show(average)
            mRightSlider.show(average)
            commonUpdate(average)
        }
    }

    function sliderMoved(slider, partner, value) {
        if (pCommon) {
            // Moving the partner is not a move of its own: it is not reported again.
            partner.show(value)
            commonUpdate(value)
        } else if (slider === mLeftSlider) {
            leftChannelUpdate(value)
        } else {
            rightChannelUpdate(value)
        }
    }

    implicitWidth: globalSizes.pIOBoxWidth
    implicitHeight: globalSizes.pIOBoxHeight

    Rectangle {
        id: mBackground
        anchors.fill: parent
        color: globalColors.pWhite
        border.width: 1
        border.color: globalColors.pIOBoxBorderColor
        radius: 2
        opacity: 0.4
    }

    Text {
        id: mLeftReading
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.horizontalCenterOffset: -parent.width / 4
        anchors.verticalCenter: mUnderLine.top
        anchors.verticalCenterOffset: -globalSizes.pSizeFifteen
        text: mSlaveVolume.decibels(mLeftSlider.pShownValue)
        font.family: "Arial"
        font.pixelSize: globalSizes.pSliderLabel
        color: mSlaveVolume.pToggle ? globalColors.pToggleLabelColor : globalColors.pIOLabelDisabledColor
    }

    Rectangle {
        id: mReadingSeparator
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.verticalCenter: mLeftReading.verticalCenter
        width: 1
        height: globalSizes.pSizeSixteen
        color: globalColors.pIOBoxUnderLineColor
    }

    Text {
        id: mRightReading
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.horizontalCenterOffset: parent.width / 4
        anchors.verticalCenter: mLeftReading.verticalCenter
        text: mSlaveVolume.decibels(mRightSlider.pShownValue)
        font.family: "Arial"
        font.pixelSize: globalSizes.pSliderLabel
        color: mSlaveVolume.pToggle ? globalColors.pToggleLabelColor : globalColors.pIOLabelDisabledColor
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
        id: mLeftSlider
        objectName: "leftSlider"
        anchors.top: mUnderLine.bottom
        anchors.topMargin: globalSizes.pSizeSix
        x: globalSizes.pSizeEight
        pActive: mSlaveVolume.pToggle
        pLowerLimitValue: mSlaveVolume.pLeftLower
        pUpperLimitValue: mSlaveVolume.pLeftUpper
        pInitialValue: mSlaveVolume.pLeftChannelDefaultValue
        pAccessibleName: mSlaveVolume.pLeftChannelName
        onUpdateValue: mSlaveVolume.sliderMoved(mLeftSlider, mRightSlider, sliderValue)
    }

    InputOutputSlider {
        id: mRightSlider
        objectName: "rightSlider"
        anchors.top: mLeftSlider.top
        x: globalSizes.pSizeFiftyFive
        pActive: mSlaveVolume.pToggle
        pLowerLimitValue: mSlaveVolume.pRightLower
        pUpperLimitValue: mSlaveVolume.pRightUpper
        pInitialValue: mSlaveVolume.pRightChannelDefaultValue
        pAccessibleName: mSlaveVolume.pRightChannelName
        onUpdateValue: mSlaveVolume.sliderMoved(mRightSlider, mLeftSlider, sliderValue)
    }

    // The scales sit between the sliders: ticks and texts beside the left one, bare ticks
    // beside the right one.
    IOReadingListView {
        id: mLeftScale
        anchors.left: mLeftSlider.horizontalCenter
        anchors.leftMargin: globalSizes.pSizeFive
        y: mLeftSlider.y + mLeftSlider.height / 2 - globalSizes.pIOSliderWidth / 2
        height: globalSizes.pIOSliderWidth
        pShowLeft: false
        pUpper: mSlaveVolume.pLeftUpper
        pLower: mSlaveVolume.pLeftLower
    }

    IOReadingListView {
        id: mRightScale
        anchors.right: mRightSlider.horizontalCenter
        anchors.rightMargin: globalSizes.pSizeFive
        y: mLeftScale.y
        height: globalSizes.pIOSliderWidth
        pShowLeft: true
        pHideText: true
        pUpper: mSlaveVolume.pRightUpper
        pLower: mSlaveVolume.pRightLower
    }

    Rectangle {
        id: mLeftNameBox
        anchors.top: mUnderLine.bottom
        anchors.topMargin: globalSizes.pIOBoxSlaveUnderLineGap
        anchors.left: parent.left
        anchors.leftMargin: globalSizes.pSizeThree
        anchors.right: mLinkImage.left
        anchors.rightMargin: globalSizes.pSizeThree
        height: globalSizes.pSizeTwenty
        color: globalColors.pWhite
        radius: 2
        border.width: 1
        border.color: globalColors.pIOBoxUnderLineColor

        Text {
            objectName: "leftName"
            anchors.fill: parent
            // Narrow boxes: the text may come close to the border left and right.
            anchors.topMargin: 2
            anchors.bottomMargin: 2
            anchors.leftMargin: 1
            anchors.rightMargin: 1
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            // Channel names are longer than the box is wide: shrink before eliding.
            fontSizeMode: Text.HorizontalFit
            minimumPixelSize: globalSizes.pIOReadingFontSize
            elide: Text.ElideRight
            text: mSlaveVolume.pLeftChannelName
            font.family: "Arial"
            font.pixelSize: globalSizes.pSliderLabel
            color: mSlaveVolume.pToggle ? globalColors.pToggleLabelColor : globalColors.pIOLabelDisabledColor
        }
    }

    Image {
        id: mLinkImage
        objectName: "linkImage"
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.verticalCenter: mLeftNameBox.verticalCenter
        width: globalSizes.pSizeSixteen
        height: globalSizes.pSizeSixteen
        sourceSize.width: width * 2
        sourceSize.height: height * 2
        source: mSlaveVolume.pCommon && mSlaveVolume.pToggle ? globalImagePaths.pAttachedImage
                                                             : globalImagePaths.pDetachedImage
        // Muted, the link does not react.
        enabled: mSlaveVolume.pToggle

        activeFocusOnTab: true
        Keys.onPressed: KeyActions.click(event, mSlaveVolume.toggleLink)
        Accessible.role: Accessible.Button
        Accessible.name: qsTr("Link %1").arg(mSlaveVolume.pairName())
        Accessible.checkable: true
        Accessible.checked: mSlaveVolume.pCommon
        Accessible.onPressAction: mSlaveVolume.toggleLink()
        Accessible.onToggleAction: mSlaveVolume.toggleLink()

        MouseArea {
            id: mLinkMouseArea
            anchors.fill: parent
            anchors.margins: -globalSizes.pSizeThree
            onPressed: mLinkImage.forceActiveFocus(Qt.MouseFocusReason)
            onClicked: mSlaveVolume.toggleLink()
        }
    }

    Rectangle {
        id: mRightNameBox
        anchors.top: mLeftNameBox.top
        anchors.right: parent.right
        anchors.rightMargin: globalSizes.pSizeThree
        anchors.left: mLinkImage.right
        anchors.leftMargin: globalSizes.pSizeThree
        height: globalSizes.pSizeTwenty
        color: globalColors.pWhite
        radius: 2
        border.width: 1
        border.color: globalColors.pIOBoxUnderLineColor

        Text {
            objectName: "rightName"
            anchors.fill: parent
            anchors.topMargin: 2
            anchors.bottomMargin: 2
            anchors.leftMargin: 1
            anchors.rightMargin: 1
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            fontSizeMode: Text.HorizontalFit
            minimumPixelSize: globalSizes.pIOReadingFontSize
            elide: Text.ElideRight
            text: mSlaveVolume.pRightChannelName
            font.family: "Arial"
            font.pixelSize: globalSizes.pSliderLabel
            color: mSlaveVolume.pToggle ? globalColors.pToggleLabelColor : globalColors.pIOLabelDisabledColor
        }
    }

    Rectangle {
        id: mBottomLine
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.top: mLeftNameBox.bottom
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
        anchors.verticalCenterOffset: (mSlaveVolume.height - mBottomLine.y) / 2
        width: globalSizes.pSizeTwenty
        height: globalSizes.pSizeTwenty
        sourceSize.width: width * 2
        sourceSize.height: height * 2
        source: mSlaveVolume.pToggle ? globalImagePaths.pUnMuteImage : globalImagePaths.pMuteImage

        activeFocusOnTab: true
        Keys.onPressed: KeyActions.click(event, mSlaveVolume.muted)
        Accessible.role: Accessible.Button
        Accessible.name: qsTr("Mute %1").arg(mSlaveVolume.pairName())
        Accessible.checkable: true
        Accessible.checked: !mSlaveVolume.pToggle
        Accessible.onPressAction: mSlaveVolume.muted()
        Accessible.onToggleAction: mSlaveVolume.muted()

        MouseArea {
            id: mMuteMouseArea
            anchors.fill: parent
            anchors.margins: -globalSizes.pSizeFour
            onPressed: mMuteImage.forceActiveFocus(Qt.MouseFocusReason)
            onClicked: mSlaveVolume.muted()
        }
    }
}

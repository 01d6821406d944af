import QtQuick 2.5
import "KeyActions.js" as KeyActions

// Two-way choice between "Input" and "Output": two radio buttons, one Tab stop (the selected one);
// the arrows choose the other, Space and Enter act as a click on the focused one.
Rectangle {
    id: mRadioSelectionLabel

    property bool pSelected: true

    signal inputClicked()
    signal outputClicked()

    // What a click on a half does, in the same order.
    function choose(input) {
        if (input)
            inputClicked()
        else
            outputClicked()
        pSelected = input
    }

    function handleKey(event, input) {
        if (KeyActions.click(event, function() { choose(input) }))
            return
        if (event.key !== Qt.Key_Left && event.key !== Qt.Key_Right && event.key !== Qt.Key_Up && event.key !== Qt.Key_Down)
            return
        event.accepted = true
        if (event.isAutoRepeat)
            return
        var other = input ? mOutputHalf : mInputHalf
        choose(!input)
        other.forceActiveFocus()
    }

    color: globalColors.pDetailViewBgColor
    radius: globalSizes.pSizeThree
    border.width: 1
    border.color: globalColors.pTabHeaderUnderLineColor

    Item {
        id: mInputHalf
        // Framed inside the box.
        property int pFocusFrameMargin: -globalSizes.pSizeThree

        activeFocusOnTab: mRadioSelectionLabel.pSelected || activeFocus
        Keys.onPressed: mRadioSelectionLabel.handleKey(event, true)
        Accessible.role: Accessible.RadioButton
        Accessible.name: mInputText.text
        Accessible.checkable: true
        Accessible.checked: mRadioSelectionLabel.pSelected
        Accessible.onPressAction: mRadioSelectionLabel.choose(true)
        Accessible.onToggleAction: mRadioSelectionLabel.choose(true)
        anchors.left: parent.left
        width: parent.width / 2
        height: parent.height

        Image {
            id: mInputRadio
            anchors.left: parent.left
            anchors.leftMargin: globalSizes.pSizeSixteen
            anchors.verticalCenter: parent.verticalCenter
            width: globalSizes.pSizeSixteen
            height: globalSizes.pSizeSixteen
            sourceSize.width: width * 2
            sourceSize.height: height * 2
            source: mRadioSelectionLabel.pSelected ? globalImagePaths.pRadioSelectedImage
                                                   : globalImagePaths.pRadioUnselectedImage
        }

        Text {
            id: mInputText
            anchors.left: mInputRadio.right
            anchors.leftMargin: globalSizes.pSizeSeven
            anchors.verticalCenter: parent.verticalCenter
            text: qsTr("Input")
            font.family: "Arial"
            font.pixelSize: globalSizes.pErrorFontSize
            color: globalColors.pToggleLabelColor
        }

        MouseArea {
            id: mInputMouseArea
            anchors.fill: parent
            onPressed: mInputHalf.forceActiveFocus(Qt.MouseFocusReason)
            onClicked: mRadioSelectionLabel.choose(true)
        }
    }

    Item {
        id: mOutputHalf
        // Framed inside the box.
        property int pFocusFrameMargin: -globalSizes.pSizeThree

        activeFocusOnTab: !mRadioSelectionLabel.pSelected || activeFocus
        Keys.onPressed: mRadioSelectionLabel.handleKey(event, false)
        Accessible.role: Accessible.RadioButton
        Accessible.name: mOutputText.text
        Accessible.checkable: true
        Accessible.checked: !mRadioSelectionLabel.pSelected
        Accessible.onPressAction: mRadioSelectionLabel.choose(false)
        Accessible.onToggleAction: mRadioSelectionLabel.choose(false)
        anchors.right: parent.right
        width: parent.width / 2
        height: parent.height

        Image {
            id: mOutputRadio
            anchors.left: parent.left
            anchors.leftMargin: globalSizes.pSizeFive
            anchors.verticalCenter: parent.verticalCenter
            width: globalSizes.pSizeSixteen
            height: globalSizes.pSizeSixteen
            sourceSize.width: width * 2
            sourceSize.height: height * 2
            source: mRadioSelectionLabel.pSelected ? globalImagePaths.pRadioUnselectedImage
                                                   : globalImagePaths.pRadioSelectedImage
        }

        Text {
            id: mOutputText
            anchors.left: mOutputRadio.right
            anchors.leftMargin: globalSizes.pSizeSeven
            anchors.verticalCenter: parent.verticalCenter
            text: qsTr("Output")
            font.family: "Arial"
            font.pixelSize: globalSizes.pErrorFontSize
            color: globalColors.pToggleLabelColor
        }

        MouseArea {
            id: mOutputMouseArea
            anchors.fill: parent
            onPressed: mOutputHalf.forceActiveFocus(Qt.MouseFocusReason)
            onClicked: mRadioSelectionLabel.choose(false)
        }
    }
}

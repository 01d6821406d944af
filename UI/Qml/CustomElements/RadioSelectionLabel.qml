import QtQuick 2.5

// Two-way choice between "Input" and "Output".
Rectangle {
    id: mRadioSelectionLabel

    property bool pSelected: true

    signal inputClicked()
    signal outputClicked()

    color: globalColors.pDetailViewBgColor
    radius: globalSizes.pSizeThree
    border.width: 1
    border.color: globalColors.pTabHeaderUnderLineColor

    Item {
        id: mInputHalf
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
            text: "Input"
            font.family: "Arial"
            font.pixelSize: globalSizes.pErrorFontSize
            color: globalColors.pToggleLabelColor
        }

        MouseArea {
            id: mInputMouseArea
            anchors.fill: parent
            onClicked: {
                mRadioSelectionLabel.inputClicked()
                mRadioSelectionLabel.pSelected = true
            }
        }
    }

    Item {
        id: mOutputHalf
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
            text: "Output"
            font.family: "Arial"
            font.pixelSize: globalSizes.pErrorFontSize
            color: globalColors.pToggleLabelColor
        }

        MouseArea {
            id: mOutputMouseArea
            anchors.fill: parent
            onClicked: {
                mRadioSelectionLabel.outputClicked()
                mRadioSelectionLabel.pSelected = false
            }
        }
    }
}

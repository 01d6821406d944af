import QtQuick 2.5

// The ducker's trigger inputs: four check boxes bound to the ducker view model.
Item {
    id: mSelectionItem

    property bool pSelectionActive: false
    property var pSelectionItemViewModel: null
    property bool pInput3Visibility: false
    property bool pInput4Visibility: false
    property bool pInput1Selected: false
    property bool pInput2Selected: false
    property bool pInput3Selected: false
    property bool pInput4Selected: false

    function checked(name) {
        return pSelectionItemViewModel ? pSelectionItemViewModel[name] === true : false
    }

    function toggle(method) {
        if (pSelectionItemViewModel)
            pSelectionItemViewModel[method]()
    }

    // The box keeps its width unless a translated label needs more (a margin on either side).
    implicitWidth: {
        var widest = 0
        for (var i = 0; i < mRepeater.count; ++i)
            widest = Math.max(widest, mRepeater.itemAt(i) ? mRepeater.itemAt(i).implicitWidth : 0)
        return Math.max(globalSizes.pSelectionRectWidth, widest + 2 * globalSizes.pSizeSixteen)
    }

    Text {
        id: mTitle
        anchors.top: parent.top
        anchors.left: parent.left
        text: qsTr("Selection")
        font.family: "Arial"
        font.pixelSize: globalSizes.pErrorFontSize
        color: mSelectionItem.pSelectionActive ? globalColors.pBlack : globalColors.pInactiveDuckerStatusColor
    }

    Rectangle {
        id: mBox
        anchors.top: parent.top
        anchors.topMargin: globalSizes.pSizeTwentyOne
        width: mSelectionItem.width
        height: globalSizes.pLoadingFontSize
        color: "transparent"
        radius: globalSizes.pSizeThree
        border.width: 1
        border.color: globalColors.pTabHeaderUnderLineColor

        Column {
            id: mColumn
            anchors.left: parent.left
            anchors.leftMargin: globalSizes.pSizeSixteen
            anchors.top: parent.top
            anchors.topMargin: globalSizes.pSizeTen
            spacing: globalSizes.pSizeTwelve

            Repeater {
                id: mRepeater
                objectName: "selectionRepeater"
                model: 4

                delegate: ImageLabel {
                    id: mCheckBox

                    property int pInput: index + 1

                    visible: pInput === 3 ? mSelectionItem.pInput3Visibility
                                          : pInput === 4 ? mSelectionItem.pInput4Visibility : true
                    width: mBox.width - globalSizes.pSizeSixteen
                    height: globalSizes.pSizeTwenty
                    pFontSize: globalSizes.pErrorFontSize
                    pImageTextSpacing: globalSizes.pSizeSeven
                    pActive: mSelectionItem.checked("input" + pInput + "Checked")
                    pActiveText: qsTr("Input %1").arg(pInput)
                    pInactiveText: qsTr("Input %1").arg(pInput)
                    pActiveImageSource: mSelectionItem.pSelectionActive ? globalImagePaths.pActiveCheckButtonImage
                                                                        : globalImagePaths.pInactiveCheckButtonImage
                    pInactiveImageSource: mSelectionItem.pSelectionActive ? globalImagePaths.pActiveUncheckButtonImage
                                                                          : globalImagePaths.pInactiveUncheckButtonImage
                    pClickable: mSelectionItem.pSelectionActive
                    pDisable: mSelectionItem.pSelectionActive
                    onImageLabelClicked: mSelectionItem.toggle("onChannel" + pInput + "SelectionChanged")
                }
            }
        }
    }
}

import QtQuick 2.5

// Boxed warning text with an optional info icon.
Rectangle {
    id: mWarningDialogue

    property string pWarning
    property bool pImageVisibility: true

    color: globalColors.pTooltipBgColor
    border.width: 1
    border.color: globalColors.pTooltipBorderColor
    radius: globalSizes.pSizeFour
    Accessible.role: Accessible.StaticText
    Accessible.name: pWarning

    Row {
        id: mRow
        anchors.fill: parent
        spacing: globalSizes.pSizeSix

        Image {
            id: mInfoIcon
            anchors.verticalCenter: parent.verticalCenter
            visible: mWarningDialogue.pImageVisibility
            source: globalImagePaths.pInfoIconImage
            width: implicitWidth / 2 * globalSizes.scaling
            height: implicitHeight / 2 * globalSizes.scaling
            smooth: true
        }

        Text {
            id: mWarningText
            anchors.verticalCenter: parent.verticalCenter
            // A hidden icon takes no room (Row skips invisible items), so neither does its spacing.
            width: mWarningDialogue.width - (mInfoIcon.visible ? mInfoIcon.width + mRow.spacing : 0)
            height: parent.height
            verticalAlignment: Text.AlignVCenter
            text: mWarningDialogue.pWarning
            wrapMode: Text.WordWrap
            horizontalAlignment: Text.AlignJustify
            maximumLineCount: 5
            fontSizeMode: Text.HorizontalFit
            font.family: "Arial"
            font.pixelSize: globalSizes.pInfoTextSize
            color: globalColors.pToggleLabelColor
        }
    }
}

import QtQuick 2.5

// A title above a framed white box; the rows given as children stack inside the box.
Column {
    id: mInfoTitledBox

    property string pTitle: ""
    property int pBoxWidth: globalSizes.pClientInfoGroupLabelWidth
    property int pBoxHeight: globalSizes.pClientInfoGroupLabelBox
    default property alias pRows: mRowColumn.data

    spacing: globalSizes.pSizeFive

    Text {
        id: mTitle
        text: mInfoTitledBox.pTitle
        color: globalColors.pBlack
        font.family: "Arial"
        font.pixelSize: globalSizes.pErrorFontSize
        verticalAlignment: Text.AlignVCenter
    }

    Rectangle {
        id: mBox
        width: mInfoTitledBox.pBoxWidth
        height: mInfoTitledBox.pBoxHeight
        color: globalColors.pWhite
        radius: globalSizes.pSizeFour
        border { width: 1; color: globalColors.pTabHeaderUnderLineColor }

        Column {
            id: mRowColumn
            anchors.fill: parent
        }
    }
}

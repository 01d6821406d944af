import QtQuick 2.5

// One tab of the top bar.
Item {
    id: mSelectionLabel

    property bool pActive: false
    property string pLabel

    signal labelclicked()

    Text {
        id: mLabelText
        anchors.centerIn: parent
        text: mSelectionLabel.pLabel
        font.family: "Arial"
        font.pixelSize: globalSizes.pErrorFontSize
        color: mSelectionLabel.pActive ? globalColors.pBlack : globalColors.pHeaderLabelColor
    }

    Rectangle {
        id: mActiveBar
        anchors.bottom: parent.bottom
        width: parent.width
        height: 3
        color: mSelectionLabel.pActive ? globalColors.pActiveStatusColor : "transparent"
    }

    MouseArea {
        id: mMouseArea
        anchors.fill: parent
        onClicked: mSelectionLabel.labelclicked()
    }
}

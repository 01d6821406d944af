import QtQuick 2.5
import "KeyActions.js" as KeyActions

// One tab of the top bar. Space and Enter act as a click; the bar decides which tab is its Tab stop.
Item {
    id: mSelectionLabel

    property bool pActive: false
    property string pLabel

    signal labelclicked()

    Accessible.role: Accessible.PageTab
    Accessible.name: pLabel
    Accessible.selected: pActive
    Accessible.selectable: true
    Accessible.onPressAction: labelclicked()

    Keys.onPressed: KeyActions.click(event, labelclicked)

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

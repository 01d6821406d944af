import QtQuick 2.5

// The page area's backdrop. The top edge has no line: the top bar's underline already runs there.
Rectangle {
    id: mPageBackground

    property bool pEdgeLines: true

    anchors.fill: parent
    color: globalColors.pDetailViewBgColor

    Rectangle {
        id: mLeftEdge
        visible: mPageBackground.pEdgeLines
        anchors { left: parent.left; top: parent.top; bottom: parent.bottom }
        width: 1
        color: globalColors.pGBUnderLineColor
    }

    Rectangle {
        id: mRightEdge
        visible: mPageBackground.pEdgeLines
        anchors { right: parent.right; top: parent.top; bottom: parent.bottom }
        width: 1
        color: globalColors.pGBUnderLineColor
    }

    Rectangle {
        id: mBottomEdge
        visible: mPageBackground.pEdgeLines
        anchors { left: parent.left; right: parent.right; bottom: parent.bottom }
        height: 1
        color: globalColors.pGBUnderLineColor
    }
}

import QtQuick 2.5

// One key/value row of the info boxes; a header row is framed on all four sides.
Rectangle {
    id: mCustomGroupLabels

    property string pKey
    property string pValue
    property real pFontSize: globalSizes.pLargeGroupLabel
    property real pValueMargin: globalSizes.pClientInfoGroupLabelValueMargin
    property real pKeyMargin: globalSizes.pSizeTwentyOne
    property bool pHeader: false
    property color pBgColor: "transparent"

    color: pBgColor

    // A value to read: "key: value", or the key alone for a row that is one phrase.
    Accessible.role: Accessible.StaticText
    Accessible.name: pValue === "" ? pKey : pKey + ": " + pValue
    Accessible.ignored: pKey === ""

    Text {
        id: mKeyText
        anchors.left: parent.left
        anchors.leftMargin: mCustomGroupLabels.pKeyMargin
        anchors.verticalCenter: parent.verticalCenter
        text: mCustomGroupLabels.pKey
        font.family: "Arial"
        font.pixelSize: mCustomGroupLabels.pFontSize
        color: globalColors.pToggleLabelColor
    }

    Text {
        id: mValueText
        anchors.left: parent.left
        anchors.leftMargin: mCustomGroupLabels.pValueMargin
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        text: mCustomGroupLabels.pValue
        elide: Text.ElideRight
        font.family: "Arial"
        font.pixelSize: mCustomGroupLabels.pFontSize
        color: globalColors.pToggleLabelColor
    }

    Rectangle {
        id: mBottomLine
        anchors.bottom: parent.bottom
        width: parent.width
        height: 1
        color: globalColors.pTabHeaderUnderLineColor
    }

    Rectangle {
        id: mTopLine
        visible: mCustomGroupLabels.pHeader
        anchors.top: parent.top
        width: parent.width
        height: 1
        color: globalColors.pTabHeaderUnderLineColor
    }

    Rectangle {
        id: mLeftLine
        visible: mCustomGroupLabels.pHeader
        anchors.left: parent.left
        width: 1
        height: parent.height
        color: globalColors.pTabHeaderUnderLineColor
    }

    Rectangle {
        id: mRightLine
        visible: mCustomGroupLabels.pHeader
        anchors.right: parent.right
        width: 1
        height: parent.height
        color: globalColors.pTabHeaderUnderLineColor
    }
}

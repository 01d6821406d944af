import QtQuick 2.5

// Small framed read-out of a value (meter and slider readings).
Rectangle {
    id: mReadingLabel

    property string pReading
    property bool pActive: false
    property bool pInsideSliderItem: false

    color: "transparent"
    radius: globalSizes.pSizeThree
    border.width: 1
    border.color: pInsideSliderItem ? globalColors.pHeaderLabelColor : globalColors.pTabHeaderUnderLineColor

    Text {
        id: mReadingText
        anchors.centerIn: parent
        text: mReadingLabel.pReading
        font.family: "Arial"
        font.pixelSize: globalSizes.pReadingFont
        color: mReadingLabel.pActive ? globalColors.pActiveStatusColor : globalColors.pInactiveDuckerStatusColor
    }
}

import QtQuick 2.5

// Debug read-out of the status page.
Rectangle {
    id: mToolTip

    property string pBuild
    property real pFirmwareVersion
    property string pID
    property string pMUX0
    property string pMUX1
    property string pADC
    property string pFX
    property string pTempo
    property string pConstant

    color: globalColors.pTooltipBgColor
    border.width: 1
    border.color: globalColors.pTooltipBorderColor
    radius: globalSizes.pSizeFour

    Row {
        id: mRow
        anchors.left: parent.left
        anchors.leftMargin: globalSizes.pSizeTwelve
        anchors.verticalCenter: parent.verticalCenter
        spacing: globalSizes.pSizeSix

        Image {
            id: mInfoIcon
            anchors.verticalCenter: parent.verticalCenter
            source: globalImagePaths.pInfoIconImage
            width: implicitWidth / 2 * globalSizes.scaling
            height: implicitHeight / 2 * globalSizes.scaling
            smooth: true
        }

        Text {
            id: mToolTipText
            anchors.verticalCenter: parent.verticalCenter
            text: "Build:" + mToolTip.pBuild + "(FW>=" + mToolTip.pFirmwareVersion + "): ID:" + mToolTip.pID
                  + ", MUX0:" + mToolTip.pMUX0 + ", MUX1:" + mToolTip.pMUX1 + ", ADC:" + mToolTip.pADC
                  + ", FX:" + mToolTip.pFX + ". Tempo:" + mToolTip.pTempo + " ms." + mToolTip.pConstant
            font.family: "Arial"
            font.pixelSize: globalSizes.pReadingFont
            color: globalColors.pToggleLabelColor
        }
    }
}

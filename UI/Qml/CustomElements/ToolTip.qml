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
            //: The mixer's debug status; the field names are the firmware's.
            text: qsTr("Build:%1(FW>=%2): ID:%3, MUX0:%4, MUX1:%5, ADC:%6, FX:%7. Tempo:%8 ms.%9")
                  .arg(mToolTip.pBuild).arg(String(mToolTip.pFirmwareVersion)).arg(mToolTip.pID).arg(mToolTip.pMUX0)
                  .arg(mToolTip.pMUX1).arg(mToolTip.pADC).arg(mToolTip.pFX).arg(mToolTip.pTempo).arg(mToolTip.pConstant)
            font.family: "Arial"
            font.pixelSize: globalSizes.pReadingFont
            color: globalColors.pToggleLabelColor
        }
    }
}

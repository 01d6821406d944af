import QtQuick 2.5
import "KeyActions.js" as KeyActions

// Dark title band of the window: logo, title and the close button.
Item {
    id: mTopRibbon

    property string pImageSource: globalImagePaths.pLogoImage

    signal close()

    // Only the window's top corners are rounded. A rounded rectangle is drawn blended, so only a
    // thin strip along the top is one; the rest of the band is opaque and costs little to draw.
    Rectangle {
        id: mRoundedTop
        width: parent.width
        height: 2 * globalSizes.pSizeFour
        color: globalColors.pHeaderBackground
        radius: globalSizes.pSizeFour
    }
    Rectangle {
        id: mBackground
        anchors.fill: parent
        anchors.topMargin: globalSizes.pSizeFour
        color: globalColors.pHeaderBackground
    }

    Image {
        id: mLogo
        anchors.left: parent.left
        anchors.leftMargin: globalSizes.pSizeFifteen
        anchors.verticalCenter: parent.verticalCenter
        source: mTopRibbon.pImageSource
        width: implicitWidth / 2 * globalSizes.scaling
        height: implicitHeight / 2 * globalSizes.scaling
        smooth: true
    }

    Text {
        id: mTitle
        anchors.left: mLogo.right
        anchors.leftMargin: globalSizes.pSizeThirty
        anchors.verticalCenter: parent.verticalCenter
        //: The product's name, also the window's title and the menu entry's name.
        text: qsTr("Calder USB Audio Control Panel")
        font.family: "Avenir"
        font.pixelSize: globalSizes.pHeaderLabelFontSize
        color: globalColors.pWhite
    }

    Item {
        id: mCloseArea
        objectName: "closeArea"
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: globalSizes.pSizeSixty

        Rectangle {
            id: mSeparator
            anchors.right: parent.right
            anchors.rightMargin: globalSizes.pSizeFifty
            anchors.verticalCenter: parent.verticalCenter
            width: 1
            height: globalSizes.pSizeThirtyFour
            color: globalColors.pWhite
            opacity: 0.15
        }

        Image {
            id: mCloseImage
            anchors.right: parent.right
            anchors.rightMargin: globalSizes.pSizeFifteen
            anchors.verticalCenter: parent.verticalCenter
            source: globalImagePaths.pCloseButtonImage
            width: implicitWidth / 2 * globalSizes.scaling
            height: implicitHeight / 2 * globalSizes.scaling
            smooth: true

            // Framed in white on the dark band.
            property int pFocusFrameMargin: globalSizes.pSizeSeven
            property color pFocusFrameColor: globalColors.pWhite

            activeFocusOnTab: true
            Keys.onPressed: KeyActions.click(event, mTopRibbon.close)
            Accessible.role: Accessible.Button
            Accessible.name: qsTr("Hide to tray")
            Accessible.onPressAction: mTopRibbon.close()
        }

        MouseArea {
            id: mCloseMouseArea
            anchors.fill: parent
            cursorShape: Qt.PointingHandCursor
            onClicked: mTopRibbon.close()
        }
    }
}

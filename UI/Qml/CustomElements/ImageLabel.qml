import QtQuick 2.5
import "KeyActions.js" as KeyActions

// Image and text side by side; serves as check box and as on/off switch. A Tab stop while it
// can be clicked; Space and Enter click it.
Item {
    id: mImageLabel

    property string pActiveImageSource
    property string pInactiveImageSource
    property string pActiveText
    property string pInactiveText
    property real pFontSize: globalSizes.pErrorFontSize
    property real pImageTextSpacing: globalSizes.pSizeSeven
    property bool pActive: false
    property bool pClickable: true
    // True draws the text in the normal colour, false in the inactive one.
    property bool pDisable: true
    // An on/off switch (a checkable button) rather than a check box, named for what it switches.
    property bool pSwitch: false
    property string pAccessibleName: mText.text
    // The frame goes round the image and text, not the whole width a page gives.
    readonly property real pFocusFrameWidth: mRow.width

    signal imageLabelClicked()

    function click() {
        if (pClickable)
            imageLabelClicked()
    }

    // Not clickable, it is disabled: no focus, and assistive technology says so.
    enabled: pClickable
    activeFocusOnTab: true
    Keys.onPressed: KeyActions.click(event, click)
    Accessible.role: pSwitch ? Accessible.Button : Accessible.CheckBox
    Accessible.name: pAccessibleName
    Accessible.checkable: true
    Accessible.checked: pActive
    Accessible.onPressAction: click()
    Accessible.onToggleAction: click()

    implicitWidth: mRow.implicitWidth
    implicitHeight: Math.max(mImage.height, mText.implicitHeight)

    Row {
        id: mRow
        anchors.verticalCenter: parent.verticalCenter
        spacing: mImageLabel.pImageTextSpacing

        Image {
            id: mImage
            objectName: "image"
            anchors.verticalCenter: parent.verticalCenter
            source: mImageLabel.pActive ? mImageLabel.pActiveImageSource : mImageLabel.pInactiveImageSource
            // The PNGs are drawn at twice their nominal size so they stay sharp up to scale 2.
            width: implicitWidth / 2 * globalSizes.scaling
            height: implicitHeight / 2 * globalSizes.scaling
            fillMode: Image.PreserveAspectFit
            smooth: true
        }

        Text {
            id: mText
            anchors.verticalCenter: parent.verticalCenter
            text: mImageLabel.pActive ? mImageLabel.pActiveText : mImageLabel.pInactiveText
            font.family: "Arial"
            font.pixelSize: mImageLabel.pFontSize
            color: mImageLabel.pDisable ? globalColors.pToggleLabelColor : globalColors.pInactiveDuckerStatusColor
        }
    }

    MouseArea {
        id: mMouseArea
        anchors.fill: parent
        onPressed: mImageLabel.forceActiveFocus(Qt.MouseFocusReason)
        onClicked: mImageLabel.imageLabelClicked()
    }
}

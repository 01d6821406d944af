import QtQuick 2.5
import QtQuick.Window 2.2
import KeyboardNavigation 1.0

// The one focus frame: drawn around the control that has keyboard focus while the keyboard is in
// use, hidden from the next mouse press on (KeyboardNavigation). A control takes part by being a
// Tab stop (activeFocusOnTab); it may ask for its own margin, colour and width (from its left edge,
// for a control wider than what it shows) with pFocusFrameMargin, pFocusFrameColor and
// pFocusFrameWidth. The frame is put inside the control, so it moves, clips and goes with it;
// without a control it draws nothing.
Item {
    id: mFocusFrame

    // Lighter than the current tab's underline, so that a frame on that tab reads as a frame.
    property color pColor: globalColors.pPrimarySelectionColor
    property int pBorderWidth: 2
    property int pMargin: globalSizes.pSizeThree
    readonly property Item pTarget: mKeyboardNavigation.active ? frameable(Window.activeFocusItem) : null

    function frameable(item) {
        return item && item.activeFocusOnTab && item.visible ? item : null
    }

    function hint(name, fallback) {
        return pTarget && pTarget[name] !== undefined ? pTarget[name] : fallback
    }

    KeyboardNavigation {
        id: mKeyboardNavigation
    }

    Rectangle {
        id: mFrame
        objectName: "focusFrame"
        parent: mFocusFrame.pTarget ? mFocusFrame.pTarget : mFocusFrame
        visible: mFocusFrame.pTarget !== null
        z: 1000
        x: -mFocusFrame.hint("pFocusFrameMargin", mFocusFrame.pMargin)
        y: x
        width: mFocusFrame.hint("pFocusFrameWidth", parent.width) - 2 * x
        height: parent.height - 2 * y
        color: "transparent"
        radius: globalSizes.pSizeThree
        border.width: mFocusFrame.pBorderWidth
        border.color: mFocusFrame.hint("pFocusFrameColor", mFocusFrame.pColor)
    }
}

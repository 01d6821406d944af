import QtQuick 2.5
import QtQuick.Window 2.2
import QtQuick.Controls 2.2 as Controls
import "../../CustomElements"
import "Decibels.js" as Decibels

// One strip per channel pair, scrolled sideways when the pairs outgrow the page.
ListView {
    id: mChannelStripList

    property var pViewModel
    // A strip whose control takes the keyboard focus is scrolled into view.
    property Item pFocusItem: Window.activeFocusItem

    onPFocusItemChanged: {
        for (var item = pFocusItem; item; item = item.parent) {
            if (item.parent === contentItem) {
                positionViewAtIndex(item.pIndex, ListView.Contain)
                return
            }
        }
    }

    orientation: ListView.Horizontal
    clip: true
    cacheBuffer: 0
    boundsBehavior: Flickable.StopAtBounds
    visible: count > 0
    model: pViewModel.channels

    Controls.ScrollBar.horizontal: Controls.ScrollBar {
        id: mScrollBar
        // A narrow bar at the list's bottom left, not one across the whole list. Another parent
        // than the list turns off the attached bar's own sizing (which takes the list's width).
        parent: mChannelStripList.parent
        anchors { left: mChannelStripList.left; bottom: mChannelStripList.bottom }
        width: 2 * globalSizes.pIOBoxWidth
        visible: mChannelStripList.visible
        z: 1
        policy: Controls.ScrollBar.AsNeeded
        hoverEnabled: true
        Accessible.name: qsTr("Channels")
        active: mChannelStripList.visible
        snapMode: Controls.ScrollBar.NoSnap
    }

    delegate: SlaveVolume {
        id: mStrip
        width: globalSizes.pIOBoxWidth
        height: globalSizes.pIOBoxHeight
        // Earlier strips lie above later ones.
        z: -index
        pIndex: index
        pSlaveViewModel: mChannelStripList.pViewModel
        pToggle: !model.mute
        pCommon: model.link
        pLeftChannelDefaultValue: model.leftChannelValue
        pRightChannelDefaultValue: model.rightChannelValue
        pLeftChannelIndex: model.leftChannelIndex
        pRightChannelIndex: model.rightChannelIndex
        pLeftLower: model.leftLower
        pLeftUpper: model.leftUpper
        pRightLower: model.rightLower
        pRightUpper: model.rightUpper
        pLeftChannelName: model.leftChannelName
        pRightChannelName: model.rightChannelName

        onCommonUpdate: mChannelStripList.pViewModel.onCommonUpdate(index, Decibels.wholeDb(value))
        onLeftChannelUpdate: mChannelStripList.pViewModel.onLeftChannelUpdate(index, Decibels.wholeDb(leftChannelValue))
        onRightChannelUpdate: mChannelStripList.pViewModel.onRightChannelUpdate(index, Decibels.wholeDb(rightChannelValue))
        onMuted: mChannelStripList.pViewModel.onMute(index)
        onDetached: mChannelStripList.pViewModel.onLink(index)
    }
}

import QtQuick 2.5
import QtQuick.Controls 2.2

// The scroll bar of an open selector list, attached to the list CustomGroupBox hands it.
ScrollBar {
    id: mScrollBar

    property Flickable pList: null

    policy: ScrollBar.AsNeeded
    width: globalSizes.pSizeTwelve
    active: true

    onPListChanged: {
        // On the list itself, not in its moving content.
        parent = pList
        pList.ScrollBar.vertical = mScrollBar
    }
}

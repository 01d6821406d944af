import QtQuick 2.5
import QtQuick.Controls 2.2

// The scroll bar of an open selector list, attached to the list CustomGroupBox hands it.
ScrollBar {
    id: mScrollBar

    property Flickable pList: null
    property string pName

    policy: ScrollBar.AsNeeded
    width: globalSizes.pSizeTwelve
    active: true
    Accessible.name: pName

    onPListChanged: {
        // On the list itself, not in its moving content.
        parent = pList
        pList.ScrollBar.vertical = mScrollBar
    }
}

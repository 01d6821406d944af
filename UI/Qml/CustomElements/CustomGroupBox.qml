import QtQuick 2.8
import "KeyActions.js" as KeyActions

// Titled selector: shows the current choice and, when the page opens it, a list to pick from.
// The control never opens or closes the list itself; the page decides through its view model.
// By keyboard the shown choice is a Tab stop while there is something to choose: Space, Enter or
// Alt+Down ask the page to open the list, Up and Down move a highlighted row, Enter (or Space)
// picks it as a click would, Escape and Tab close the list without a pick. A box without a choice
// is a plain value for assistive technology ("header: value").
Item {
    id: mCustomGroupBox

    property string pGroupBoxHeaderText
    property real pBorderRectWidth: globalSizes.pGBBorderRectWidth
    property real pBorderRectHeight: globalSizes.pSizeNinety
    property string pDisplayText
    property bool pDropDownVisibility: false
    property real pRotation: 0
    property string selectedLabel: pDisplayText
    property var selections
    property real pListViewHeight: 108
    property bool pListviewVisibility: false
    property int pListCount: mListView.count
    property bool isExpanded: false
    property bool pDisable: false
    property bool mEnvelopeVisibility: true
    property bool pDropShadowVisibility: false
    // Whether the box offers a list at all; pages with a single-entry rule say so.
    property bool pHasChoice: pListCount > 0
    // The row the keys have moved to while the list is open (-1: none).
    property int pHighlightedRow: -1

    signal itemSelected(var selectedItem)
    signal itemClicked(int index, var currentItem)
    signal dropDownClicked()

    // A picked row, by mouse, keys or assistive technology: the three signals in this order.
    function pick(index, text) {
        if (pDisable)
            return
        itemSelected(text)
        itemClicked(index, text)
        dropDownClicked()
        console.log("Clicked Index : " + index)
    }

    // Asks the page to open or close the list, as a click on the shown choice does.
    function toggleList() {
        if (!pDisable && pHasChoice)
            dropDownClicked()
    }

    function currentRow() {
        for (var i = 0; selections && i < selections.length; ++i) {
            if (selections[i] === selectedLabel)
                return i
        }
        return 0
    }

    // The shown text of a row, as its delegate reads it (the view brings the row into view first).
    function rowText(row) {
        if (selections && selections[row] !== undefined)
            return String(selections[row])
        mListView.currentIndex = row
        return mListView.currentItem ? mListView.currentItem.mText : ""
    }

    function highlight(row) {
        pHighlightedRow = Math.max(0, Math.min(mListView.count - 1, row))
        mListView.positionViewAtIndex(pHighlightedRow, ListView.Contain)
    }

    function handleKey(event) {
        var open = pListviewVisibility
        if (!open && (KeyActions.isClick(event) || (event.key === Qt.Key_Down && (event.modifiers & Qt.AltModifier)))) {
            event.accepted = true
            if (!event.isAutoRepeat) {
                pHighlightedRow = currentRow()
                toggleList()
                if (pListviewVisibility)
                    highlight(pHighlightedRow)
            }
        } else if (open && (event.key === Qt.Key_Up || event.key === Qt.Key_Down)) {
            event.accepted = true
            highlight(pHighlightedRow + (event.key === Qt.Key_Down ? 1 : -1))
        } else if (open && KeyActions.isClick(event)) {
            event.accepted = true
            if (!event.isAutoRepeat && pHighlightedRow >= 0)
                pick(pHighlightedRow, rowText(pHighlightedRow))
        } else if (open && (event.key === Qt.Key_Escape || event.key === Qt.Key_Tab || event.key === Qt.Key_Backtab)) {
            // Tab goes on to the next control once the list is closed.
            event.accepted = event.key === Qt.Key_Escape
            toggleList()
        }
    }

    onPListviewVisibilityChanged: {
        if (!pListviewVisibility)
            pHighlightedRow = -1
    }

    implicitWidth: pBorderRectWidth
    implicitHeight: pBorderRectHeight

    Text {
        id: mHeaderText
        anchors.top: parent.top
        anchors.left: parent.left
        text: mCustomGroupBox.pGroupBoxHeaderText
        font.family: "Arial"
        font.pixelSize: globalSizes.pErrorFontSize
        color: globalColors.pBlack
    }

    Rectangle {
        id: mBorderRect
        y: mHeaderText.height + globalSizes.pSizeFive
        width: mCustomGroupBox.pBorderRectWidth
        height: Math.max(0, mCustomGroupBox.pBorderRectHeight - y)
        color: globalColors.pDetailViewBgColor
        radius: globalSizes.pSizeThree
        border.width: 1
        border.color: globalColors.pTabHeaderUnderLineColor
    }

    Item {
        id: mEnvelope
        objectName: "groupBoxEnvelope"
        x: globalSizes.pSizeTwentySix
        y: mHeaderText.height + globalSizes.pSizeFive + globalSizes.pSizeTwentyTwo
        width: globalSizes.pGBSecondaryBorderRectWidth
        height: globalSizes.pSizeThirtySix
        visible: mCustomGroupBox.mEnvelopeVisibility
        activeFocusOnTab: mCustomGroupBox.pHasChoice && !mCustomGroupBox.pDisable || activeFocus

        Keys.onPressed: mCustomGroupBox.handleKey(event)
        Accessible.role: Accessible.ComboBox
        Accessible.name: mCustomGroupBox.pGroupBoxHeaderText
        Accessible.description: mCustomGroupBox.selectedLabel
        Accessible.ignored: !mCustomGroupBox.pHasChoice
        Accessible.onPressAction: mCustomGroupBox.toggleList()

        Text {
            id: mSelectedLabelText
            anchors.left: parent.left
            anchors.leftMargin: globalSizes.pSizeSix
            anchors.right: mArrowBox.left
            anchors.verticalCenter: parent.verticalCenter
            text: mCustomGroupBox.selectedLabel
            elide: Text.ElideRight
            // Without a choice the box is a value to read.
            Accessible.name: mCustomGroupBox.pGroupBoxHeaderText + ": " + mCustomGroupBox.selectedLabel
            Accessible.ignored: mCustomGroupBox.pHasChoice
            font.family: "Arial"
            font.pixelSize: globalSizes.pErrorFontSize
            color: globalColors.pToggleLabelColor
        }

        Item {
            id: mArrowBox
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            width: globalSizes.pSizeTwenty
            height: globalSizes.pSizeTwenty
            visible: mCustomGroupBox.pDropDownVisibility

            Image {
                id: mArrowImage
                anchors.centerIn: parent
                source: globalImagePaths.pDownArrowImage
                width: implicitWidth / 2 * globalSizes.scaling
                height: implicitHeight / 2 * globalSizes.scaling
                rotation: mCustomGroupBox.pRotation
                smooth: true
            }
        }

        Rectangle {
            id: mUnderLine
            anchors.bottom: parent.bottom
            anchors.bottomMargin: globalSizes.pSizeSix
            width: parent.width
            height: 1
            color: globalColors.pGBUnderLineColor
        }

        MouseArea {
            id: mEnvelopeMouseArea
            anchors.fill: parent
            enabled: !mCustomGroupBox.pDisable
            onPressed: {
                if (mEnvelope.activeFocusOnTab)
                    mEnvelope.forceActiveFocus(Qt.MouseFocusReason)
            }
            onClicked: mCustomGroupBox.dropDownClicked()
        }
    }

    // Built only while shown: the shadows of the two closed boxes on the status page cost about a
    // fifth of the start-up, and most lists are never opened. In a file of its own, as is the
    // scroll bar, so that the effects and controls modules load with the first open list, not
    // before the first frame. The software renderer has no shader effects: there it is drawn.
    Loader {
        id: mListShadow
        objectName: "groupBoxListShadow"
        anchors.fill: mListView
        z: 1
        active: mCustomGroupBox.pDropShadowVisibility && mListView.visible
        source: GraphicsInfo.api === GraphicsInfo.Software ? "ListShadowDrawn.qml" : "ListShadow.qml"
        onLoaded: item.source = mListView
    }

    ListView {
        id: mListView
        objectName: "groupBoxList"
        x: globalSizes.pSizeTwentySix
        y: mEnvelope.y + mEnvelope.height
        z: 2
        width: mEnvelope.width
        height: mCustomGroupBox.pListViewHeight
        visible: mCustomGroupBox.pListviewVisibility
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        model: mCustomGroupBox.selections

        // Made when the list first opens, then kept: the list holds on to its scroll bar.
        Loader {
            id: mScrollBarLoader
            property bool pMade: false
            active: mListView.visible || pMade
            source: "ListScrollBar.qml"
            onLoaded: {
                pMade = true
                item.pList = mListView
                item.pName = Qt.binding(function() { return mCustomGroupBox.pGroupBoxHeaderText })
            }
        }

        delegate: Item {
            id: mRow

            // A string list gives modelData; an item model gives its display role.
            property string mText: model.modelData !== undefined ? model.modelData : model.display
            property bool mLast: index === mListView.count - 1
            property bool mHighlighted: index === mCustomGroupBox.pHighlightedRow

            Accessible.role: Accessible.ListItem
            Accessible.name: mText
            Accessible.selectable: true
            Accessible.selected: mHighlighted
            Accessible.onPressAction: {
                if (mCustomGroupBox.pListviewVisibility)
                    mCustomGroupBox.pick(index, mText)
            }

            width: mListView.width
            height: globalSizes.pSizeThirtySix

            Rectangle {
                id: mRowBackground
                anchors.fill: parent
                radius: mRow.mLast ? globalSizes.pSizeFive : 0
                color: mRowMouseArea.pressed ? globalColors.pDetailViewBgColor
                     : mRow.mHighlighted ? globalColors.pTooltipBgColor : globalColors.pWhite

                // Only the lower corners of the last row are rounded.
                Rectangle {
                    visible: mRow.mLast
                    width: parent.width
                    height: parent.height / 2
                    color: parent.color
                }
            }

            Text {
                id: mRowText
                anchors.left: parent.left
                anchors.leftMargin: globalSizes.pSizeSix
                anchors.right: parent.right
                anchors.rightMargin: globalSizes.pSizeTwelve
                anchors.verticalCenter: parent.verticalCenter
                text: mRow.mText
                elide: Text.ElideRight
                font.family: "Arial"
                font.pixelSize: globalSizes.pErrorFontSize
                color: mRowMouseArea.pressed || mRow.mHighlighted ? globalColors.pBlack : globalColors.pToggleLabelColor
            }

            MouseArea {
                id: mRowMouseArea
                anchors.fill: parent
                enabled: !mCustomGroupBox.pDisable
                onClicked: mCustomGroupBox.pick(index, mRow.mText)
            }
        }
    }
}

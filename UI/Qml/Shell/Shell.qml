import QtQuick 2.5
import ShellVMWrapper 1.0
import "../TopBarView"

// Frame of the window: the top bar and, below it, the page the shell view model names.
Item {
    id: mShell

    property var viewModel: mShellVMWrapper.shellVM

    anchors.fill: parent

    ShellVMWrapper {
        id: mShellVMWrapper
    }

    Rectangle {
        id: mFrame
        anchors.fill: parent
        color: "transparent"
        radius: globalSizes.pSizeFour
        border.width: 1
        border.color: globalColors.pGBUnderLineColor
    }

    Column {
        id: mColumn
        anchors.fill: parent

        MainTopBar {
            id: mTopBar
            objectName: "mainTopBar"
            width: parent.width
            height: globalSizes.pSizeEightySix
        }

        // A new URL destroys the current page (its view model goes with it) and creates the next.
        Loader {
            id: mPageLoader
            objectName: "pageLoader"
            width: parent.width
            height: mShell.height - mTopBar.height
            source: mShell.viewModel ? mShell.viewModel.selectedMasterView : ""

            // A page that opens, by key or click, gives the focus to its first control; a page
            // without one to its tab, so that the keys go on working. Once the page and the tabs
            // have settled: at the start the tabs come after the first page.
            function focusFirstControl() {
                var first = item ? item.nextItemInFocusChain(true) : null
                for (var up = first; up && up !== item; up = up.parent) {}
                if (first && up === item)
                    first.forceActiveFocus()
                else
                    mTopBar.focusCurrentTab()
            }

            onLoaded: Qt.callLater(focusFirstControl)
        }
    }
}

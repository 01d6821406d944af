import QtQuick 2.9
import MainTopBarVMWrapper 1.0
import "../CustomElements"

// Ribbon and tab header.
Item {
    id: mMainTopBar

    property var viewModel: mMainTopBarVMWrapper.mainTopBarVM
    property int pSelectedMenuIndex: 0
    property int pSelectedSubMenuIndex: -1
    readonly property int pCurrentPage: viewModel ? viewModel.currentPageIndex : 0
    // The tab that is the bar's one Tab stop: the current page's, moved by Left and Right.
    property int pFocusTab: pCurrentPage

    // A page that opens, by key or click, puts the tab stop back on its own tab.
    onPCurrentPageChanged: pFocusTab = pCurrentPage

    // Tab width by number of tabs; never so wide that the row runs past the bar's right edge
    // (three tabs at a third of the width each plus their gaps would).
    // Ctrl+Tab and the like, from anywhere: the next or previous page, round the bar.
    function selectPage(step) {
        var count = mTabRepeater.count
        if (viewModel && count > 1)
            viewModel.menuSelected((viewModel.currentPageIndex + step + count) % count)
    }

    // Left and Right walk the tabs without opening them; Space or Enter opens the focused one.
    function moveFocusTab(step) {
        var tab = mTabRepeater.itemAt(pFocusTab + step)
        if (tab) {
            pFocusTab += step
            tab.forceActiveFocus(Qt.TabFocusReason)
        }
    }

    // The bar's Tab stop, for a page that has no control of its own.
    function focusCurrentTab() {
        pFocusTab = pCurrentPage
        var tab = mTabRepeater.itemAt(pFocusTab)
        if (tab)
            tab.forceActiveFocus()
    }

    function tabWidth(count, width, spacing) {
        if (count <= 0)
            return 0
        var preferred = (count === 5 || count === 1) ? width / 5.4
                      : count === 4 ? width / 4.2
                      : width / 3.0
        return Math.min(preferred, (width - (count - 1) * spacing) / count)
    }

    MainTopBarVMWrapper {
        id: mMainTopBarVMWrapper
    }

    Component.onCompleted: viewModel.onActivate()
    Component.onDestruction: viewModel.onDeactivate()

    Shortcut {
        sequences: ["Ctrl+Tab", "Ctrl+PgDown"]
        onActivated: mMainTopBar.selectPage(1)
    }
    Shortcut {
        sequences: ["Ctrl+Shift+Tab", "Ctrl+Shift+Backtab", "Ctrl+PgUp"]
        onActivated: mMainTopBar.selectPage(-1)
    }

    TopRibbon {
        id: mTopRibbon
        objectName: "topRibbon"
        anchors.top: parent.top
        width: parent.width
        height: globalSizes.pSizeFifty
        onClose: mMainTopBar.viewModel.closeApplication()
    }

    Item {
        id: mTabHeader
        objectName: "tabHeader"
        anchors.top: mTopRibbon.bottom
        width: parent.width
        height: globalSizes.pSizeThirtySix

        Accessible.role: Accessible.PageTabList
        Accessible.name: qsTr("Pages")

        Row {
            id: mTabRow
            height: parent.height
            spacing: globalSizes.pSizeFifteen

            Repeater {
                id: mTabRepeater
                objectName: "tabRepeater"
                model: mMainTopBar.viewModel ? mMainTopBar.viewModel.menuList : null
                // A new tab set (a mixer connected again) keeps the keyboard in the bar.
                onItemRemoved: {
                    if (item.activeFocus)
                        Qt.callLater(mMainTopBar.focusCurrentTab)
                }

                delegate: SelectionLabel {
                    height: mTabHeader.height
                    width: mMainTopBar.tabWidth(mTabRepeater.count, mTabHeader.width, mTabRow.spacing)
                    pLabel: model.display
                    pActive: index === mMainTopBar.viewModel.currentPageIndex
                    activeFocusOnTab: index === Math.min(mMainTopBar.pFocusTab, mTabRepeater.count - 1) || activeFocus
                    onLabelclicked: mMainTopBar.viewModel.menuSelected(index)
                    Keys.onLeftPressed: mMainTopBar.moveFocusTab(-1)
                    Keys.onRightPressed: mMainTopBar.moveFocusTab(1)
                }
            }
        }
    }

    Rectangle {
        id: mBottomLine
        anchors.bottom: parent.bottom
        width: parent.width
        height: 1
        color: globalColors.pTabHeaderUnderLineColor
    }
}

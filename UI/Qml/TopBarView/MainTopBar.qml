import QtQuick 2.5
import MainTopBarVMWrapper 1.0
import "../CustomElements"

// Ribbon and tab header.
Item {
    id: mMainTopBar

    property var viewModel: mMainTopBarVMWrapper.mainTopBarVM
    property int pSelectedMenuIndex: 0
    property int pSelectedSubMenuIndex: -1

    // Tab width by number of tabs; never so wide that the row runs past the bar's right edge
    // (three tabs at a third of the width each plus their gaps would).
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

        Row {
            id: mTabRow
            height: parent.height
            spacing: globalSizes.pSizeFifteen

            Repeater {
                id: mTabRepeater
                objectName: "tabRepeater"
                model: mMainTopBar.viewModel ? mMainTopBar.viewModel.menuList : null

                delegate: SelectionLabel {
                    height: mTabHeader.height
                    width: mMainTopBar.tabWidth(mTabRepeater.count, mTabHeader.width, mTabRow.spacing)
                    pLabel: model.display
                    pActive: index === mMainTopBar.viewModel.currentPageIndex
                    onLabelclicked: mMainTopBar.viewModel.menuSelected(index)
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

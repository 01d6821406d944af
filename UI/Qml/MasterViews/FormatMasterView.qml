import QtQuick 2.5
import FormatVMWrapper 1.0
import "../CustomElements"
import "Common"

// The buffer settings layout without data: the wrapper only makes the page's view model exist.
Item {
    id: mFormatMasterView

    anchors.fill: parent

    FormatVMWrapper { id: mWrapper }

    PageBackground {
        id: mBackground
        radius: globalSizes.pSizeFour
        pEdgeLines: false
    }

    Column {
        id: mContent
        anchors { top: parent.top; left: parent.left; topMargin: globalSizes.pSizeTwentyFour; leftMargin: globalSizes.pSizeThirtyFive }
        spacing: 1.5 * globalSizes.pSizeFourty

        Row {
            id: mFormatRow
            spacing: globalSizes.pSizeFourty

            CustomGroupBox {
                height: globalSizes.pSizeNinety
                width: globalSizes.pGBBorderRectWidth
                pGroupBoxHeaderText: qsTr("Inputs")
                pListViewHeight: 3 * globalSizes.pSizeThirtySix
                pDropDownVisibility: true
            }

            CustomGroupBox {
                height: globalSizes.pSizeNinety
                width: globalSizes.pGBBorderRectWidth
                pGroupBoxHeaderText: qsTr("Output")
                pListViewHeight: 3 * globalSizes.pSizeThirtySix
                pDropDownVisibility: true
            }
        }

        Row {
            id: mModeRow
            spacing: globalSizes.pSizeFourty

            CustomGroupBox {
                height: globalSizes.pSizeNinety
                width: globalSizes.pGBBorderRectWidth
                pGroupBoxHeaderText: qsTr("USB Streaming Mode")
                pListViewHeight: 3 * globalSizes.pSizeThirtySix
                pDropDownVisibility: true
            }

            CustomGroupBox {
                height: globalSizes.pSizeNinety
                width: globalSizes.pGBBorderRectWidth
                pGroupBoxHeaderText: qsTr("ASIO Buffer Size")
                pListViewHeight: 3 * globalSizes.pSizeThirtySix
                pDropDownVisibility: true
            }
        }
    }
}

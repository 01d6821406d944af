import QtQuick 2.5
import ClientInfoVMWrapper 1.0
import "../CustomElements"
import "Common"
import "Info"

// Fixed texts only: the wrapper is created for the page's view model, which shows nothing here.
Item {
    id: mClientInfoMasterView

    anchors.fill: parent

    ClientInfoVMWrapper { id: mWrapper }

    PageBackground {
        id: mBackground
        radius: globalSizes.pSizeFour
        pEdgeLines: false
    }

    Column {
        id: mContent
        anchors { top: parent.top; left: parent.left; topMargin: globalSizes.pSizeTwentyFour; leftMargin: globalSizes.pSizeThirtyFive }
        spacing: globalSizes.pSizeFive

        InfoTitledBox {
            id: mStreamingBox
            pTitle: qsTr("USB Streaming Mode")

            CustomGroupLabels {
                width: parent.width
                height: globalSizes.pSizeThirtySix
                pFontSize: globalSizes.pSmallGroupLabel
                pValueMargin: globalSizes.pClientInfoGroupLabelValueMargin
                pHeader: true
                pBgColor: globalColors.pDetailViewBgColor
                pKey: qsTr("Streaming State")
                pValue: qsTr("Stopped")
            }
            CustomGroupLabels {
                width: parent.width
                height: globalSizes.pSizeThirtySix
                pFontSize: globalSizes.pLargeGroupLabel
                pValueMargin: globalSizes.pClientInfoGroupLabelValueMargin
                pKey: qsTr("Number of Active WDM clients")
                pValue: "0"
            }
            CustomGroupLabels {
                width: parent.width
                height: globalSizes.pSizeThirtySix
                pFontSize: globalSizes.pLargeGroupLabel
                pValueMargin: globalSizes.pClientInfoGroupLabelValueMargin
                pKey: qsTr("Number of Active ASIO clients")
                pValue: "0"
            }
        }
    }
}

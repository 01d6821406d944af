import QtQuick 2.5
import InfoVMWrapper 1.0
import "../CustomElements"
import "Common"
import "Info"

Item {
    id: mInfoMasterView

    property var viewModel: mWrapper.infoVM

    anchors.fill: parent

    InfoVMWrapper { id: mWrapper }

    Component.onCompleted: viewModel.onActivate()
    Component.onDestruction: viewModel.onDeactivate()

    PageBackground {
        id: mBackground
        radius: globalSizes.pSizeFour
    }

    Column {
        id: mContent
        anchors { top: parent.top; left: parent.left; topMargin: globalSizes.pSizeTwentyFour; leftMargin: globalSizes.pSizeThirtyFive }
        spacing: globalSizes.pSizeFourty

        InfoTitledBox {
            id: mStreamingBox
            pTitle: qsTr("USB Streaming Mode")

            CustomGroupLabels {
                width: parent.width
                height: globalSizes.pSizeThirtySix
                pFontSize: globalSizes.pLargeGroupLabel
                pValueMargin: globalSizes.pClientInfoGroupLabelValueMargin
                pHeader: true
                pBgColor: globalColors.pDetailViewBgColor
                pKey: qsTr("Streaming State")
                pValue: viewModel.streamingState
            }
            CustomGroupLabels {
                width: parent.width
                height: globalSizes.pSizeThirtySix
                pFontSize: globalSizes.pLargeGroupLabel
                pValueMargin: globalSizes.pClientInfoGroupLabelValueMargin
                pKey: qsTr("Number of Active WDM clients")
                pValue: viewModel.activeKsClients
            }
            CustomGroupLabels {
                width: parent.width
                height: globalSizes.pSizeThirtySix
                pFontSize: globalSizes.pLargeGroupLabel
                pValueMargin: globalSizes.pClientInfoGroupLabelValueMargin
                pKey: qsTr("Number of Active ASIO clients")
                pValue: viewModel.activeAsioClients
            }
        }

        Row {
            id: mDeviceRow
            spacing: globalSizes.pSizeFourty

            InfoTitledBox {
                id: mProductBox
                pTitle: qsTr("Product Info")
                pBoxHeight: globalSizes.pInfoBorderRectHeight

                CustomGroupLabels {
                    width: parent.width
                    height: globalSizes.pSizeThirtySix
                    pFontSize: globalSizes.pLargeGroupLabel
                    pValueMargin: globalSizes.pInfoGroupLabelValueMargin
                    pHeader: true
                    pBgColor: globalColors.pDetailViewBgColor
                    pKey: qsTr("Manufacturer")
                    pValue: viewModel.manufacturer
                }
                CustomGroupLabels {
                    width: parent.width
                    height: globalSizes.pSizeThirtySix
                    pFontSize: globalSizes.pLargeGroupLabel
                    pValueMargin: globalSizes.pInfoGroupLabelValueMargin
                    pKey: qsTr("Product")
                    pValue: viewModel.product
                }
                CustomGroupLabels {
                    width: parent.width
                    height: globalSizes.pSizeThirtySix
                    pFontSize: globalSizes.pLargeGroupLabel
                    pValueMargin: globalSizes.pInfoGroupLabelValueMargin
                    pKey: qsTr("VID / PID")
                    pValue: viewModel.vid + "/" + viewModel.pid
                }
                CustomGroupLabels {
                    width: parent.width
                    height: globalSizes.pSizeThirtySix
                    pFontSize: globalSizes.pLargeGroupLabel
                    pValueMargin: globalSizes.pInfoGroupLabelValueMargin
                    pKey: qsTr("Revision")
                    //: The device revision, e.g. "v 1.00".
                    pValue: qsTr("v %1").arg(viewModel.revisionId)
                }
                CustomGroupLabels {
                    width: parent.width
                    height: globalSizes.pSizeThirtySix
                    pFontSize: globalSizes.pLargeGroupLabel
                    pValueMargin: globalSizes.pInfoGroupLabelValueMargin
                    pKey: qsTr("Serial No")
                    pValue: viewModel.serialNumber
                }
            }

            InfoTitledBox {
                id: mDriverBox
                pTitle: qsTr("Driver Info")

                // Keys only: each row reads as one phrase.
                CustomGroupLabels {
                    width: parent.width
                    height: globalSizes.pSizeThirtySix
                    pFontSize: globalSizes.pLargeGroupLabel
                    pValueMargin: globalSizes.pInfoGroupLabelValueMargin
                    pKey: qsTr("Version %1").arg(viewModel.apiVersion)
                }
                CustomGroupLabels {
                    width: parent.width
                    height: globalSizes.pSizeThirtySix
                    pFontSize: globalSizes.pLargeGroupLabel
                    pValueMargin: globalSizes.pInfoGroupLabelValueMargin
                    //: %1 is the driver build type, "Debug" or "Release".
                    pKey: qsTr("%1 Build").arg(viewModel.buildType)
                }
                CustomGroupLabels {
                    width: parent.width
                    height: globalSizes.pSizeThirtySix
                    pFontSize: globalSizes.pLargeGroupLabel
                    pValueMargin: globalSizes.pInfoGroupLabelValueMargin
                }
            }
        }
    }
}

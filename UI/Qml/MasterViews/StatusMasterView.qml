import QtQuick 2.5
import StatusVMWrapper 1.0
import "../CustomElements"
import "Common"

Item {
    id: mStatusMasterView

    property var viewModel: mWrapper.statusVM
    // With a single mixer there is nothing to choose, so the list never opens.
    readonly property bool pHasChoice: viewModel.deviceNames.length > 1

    anchors.fill: parent

    StatusVMWrapper { id: mWrapper }

    Component.onCompleted: viewModel.onActivate()
    Component.onDestruction: viewModel.onDeactivate()

    PageBackground {
        id: mBackground

        // A click beside the boxes closes the open device list.
        MouseArea {
            id: mBackgroundArea
            anchors.fill: parent
            onClicked: {
                if (viewModel.resetDropDown)
                    viewModel.showList()
            }
        }
    }

    Row {
        id: mBoxRow
        z: 1
        anchors { top: parent.top; left: parent.left; topMargin: globalSizes.pSizeTwentyFour; leftMargin: globalSizes.pSizeThirtyFive }
        spacing: globalSizes.pSizeFourty

        CustomGroupBox {
            id: mDeviceBox
            objectName: "deviceBox"
            height: globalSizes.pSizeNinety
            width: globalSizes.pGBBorderRectWidth
            pGroupBoxHeaderText: qsTr("USB Audio Device")
            selectedLabel: viewModel.activeDevice
            selections: viewModel.deviceNames
            pListViewHeight: 3 * globalSizes.pSizeThirtySix
            pDisable: viewModel.disableDropDown
            pHasChoice: mStatusMasterView.pHasChoice
            // Also after a failed pick: the list stays open for another one.
            pDropDownVisibility: mStatusMasterView.pHasChoice
            pRotation: viewModel.resetDropDown ? 180 : 0
            pListviewVisibility: viewModel.resetDropDown && mStatusMasterView.pHasChoice
            pDropShadowVisibility: pListviewVisibility
            mEnvelopeVisibility: viewModel.activeDevice !== ""

            // The box emits these three in this order for a picked row: show the name at once,
            // connect that mixer, then close the list.
            onItemSelected: viewModel.activeDevice = selectedItem
            onItemClicked: viewModel.setDeviceIndex(index, currentItem)
            onDropDownClicked: viewModel.showList()
        }

        CustomGroupBox {
            id: mSampleRateBox
            objectName: "sampleRateBox"
            height: globalSizes.pSizeNinety
            width: globalSizes.pGBBorderRectWidth
            pGroupBoxHeaderText: qsTr("Current Sample Rate")
            selectedLabel: viewModel.sampleRate + " Hz"
            mEnvelopeVisibility: viewModel.sampleRate !== 0
        }
    }

    ToolTip {
        id: mDebugReadout
        objectName: "debugReadout"
        anchors { top: parent.top; left: parent.left; topMargin: globalSizes.pToolTipTopMargin; leftMargin: globalSizes.pSizeThirtyFive }
        width: globalSizes.pToolTipWidth
        height: globalSizes.pSizeThirtySix
        visible: viewModel.debugActivated
        pBuild: "0626"
        pFirmwareVersion: 1.05
        pID: viewModel.id
        pMUX0: viewModel.mux0
        pMUX1: viewModel.mux1
        pADC: viewModel.adc
        pFX: viewModel.fx
        pTempo: viewModel.tempo
        pConstant: viewModel.constant
    }

    Shortcut {
        id: mDebugShortcut
        sequence: "Ctrl+B"
        onActivated: viewModel.onDebugActivated()
    }
}

import QtQuick 2.5
import AudioRoutingVMWrapper 1.0
import "../CustomElements"
import "Common"

Item {
    id: mAudioRoutingMasterView

    property var viewModel: mWrapper.audioRoutingVM
    // The Basso offers a single source for inputs 1+2: that box shows it but never opens.
    readonly property bool pInputs12HasChoice: viewModel.inputs12.length > 1

    anchors.fill: parent

    AudioRoutingVMWrapper { id: mWrapper }

    Component.onCompleted: viewModel.onActivate()
    Component.onDestruction: viewModel.onDeactivate()

    PageBackground {
        id: mBackground
        radius: globalSizes.pSizeFour

        // A click beside the boxes closes whichever list is open.
        MouseArea {
            id: mBackgroundArea
            anchors.fill: parent
            onClicked: {
                if (viewModel.resetInputs12DropDown)
                    viewModel.showInputs12List()
                if (viewModel.resetInputs32DropDown)
                    viewModel.showInputs32List()
            }
        }
    }

    Row {
        id: mBoxRow
        anchors { top: parent.top; left: parent.left; topMargin: globalSizes.pSizeTwentyFour; leftMargin: globalSizes.pSizeThirtyFive }
        spacing: globalSizes.pSizeFourty

        CustomGroupBox {
            id: mInputs12Box
            objectName: "inputs12Box"
            height: globalSizes.pSizeNinety
            width: globalSizes.pGBBorderRectWidth
            pGroupBoxHeaderText: qsTr("Inputs 1+2")
            selectedLabel: viewModel.activeInput12
            selections: viewModel.inputs12
            pListViewHeight: 3 * globalSizes.pSizeThirtySix
            pDropDownVisibility: mAudioRoutingMasterView.pInputs12HasChoice
            pHasChoice: mAudioRoutingMasterView.pInputs12HasChoice
            pRotation: viewModel.resetInputs12DropDown ? 180 : 0
            pListviewVisibility: viewModel.resetInputs12DropDown && mAudioRoutingMasterView.pInputs12HasChoice
            pDropShadowVisibility: pListviewVisibility

            // Emitted in this order for a picked row: label, mixer and store, then close.
            onItemSelected: viewModel.activeInput12 = selectedItem
            onItemClicked: viewModel.onInputs12Changed(index, currentItem)
            onDropDownClicked: viewModel.showInputs12List()
        }

        CustomGroupBox {
            id: mInputs32Box
            objectName: "inputs32Box"
            visible: viewModel.input32Visibility
            height: globalSizes.pSizeNinety
            width: globalSizes.pGBBorderRectWidth
            pGroupBoxHeaderText: qsTr("Inputs 3+4")
            selectedLabel: viewModel.activeInput32
            selections: viewModel.inputs32
            pListViewHeight: 3 * globalSizes.pSizeThirtySix
            pDropDownVisibility: true
            pRotation: viewModel.resetInputs32DropDown ? 180 : 0
            pListviewVisibility: viewModel.resetInputs32DropDown
            pDropShadowVisibility: pListviewVisibility

            onItemSelected: viewModel.activeInput32 = selectedItem
            onItemClicked: viewModel.onInputs32Changed(index, currentItem)
            onDropDownClicked: viewModel.showInputs32List()
        }
    }
}

import QtQuick 2.5
import BufferSettingsVMWrapper 1.0
import "../CustomElements"
import "Common"

Item {
    id: mBufferSettingsMasterView

    property var viewModel: mWrapper.bufferSettingsVM
    // A format list with a single entry is shown as text only and never opens.
    readonly property bool pInputHasChoice: viewModel.inputFormats.length > 1
    readonly property bool pOutputHasChoice: viewModel.outputFormats.length > 1

    anchors.fill: parent

    BufferSettingsVMWrapper { id: mWrapper }

    Component.onCompleted: viewModel.onActivate()
    Component.onDestruction: viewModel.onDeactivate()

    PageBackground {
        id: mBackground
        radius: globalSizes.pSizeFour

        // A click beside the boxes closes every open list.
        MouseArea {
            id: mBackgroundArea
            anchors.fill: parent
            onClicked: {
                if (viewModel.resetInputFormatDropDown)
                    viewModel.showInputFormatList()
                if (viewModel.resetOutputFormatDropDown)
                    viewModel.showOuputFormatList()
                if (viewModel.resetUSBStreamingModeDropDown)
                    viewModel.showUSBStreamingModeList()
                if (viewModel.resetAsioBufferSizeDropDown)
                    viewModel.showAsioBufferList()
            }
        }
    }

    Column {
        id: mContent
        anchors { top: parent.top; left: parent.left; topMargin: globalSizes.pSizeTwentyFour; leftMargin: globalSizes.pSizeThirtyFive }
        spacing: 1.5 * globalSizes.pSizeFourty

        // Each row's open lists hang over what lies below it.
        Row {
            id: mFormatRow
            z: 2
            spacing: globalSizes.pSizeFourty

            CustomGroupBox {
                id: mInputFormatBox
                objectName: "inputFormatBox"
                height: globalSizes.pSizeNinety
                width: globalSizes.pGBBorderRectWidth
                pGroupBoxHeaderText: qsTr("Inputs")
                selectedLabel: viewModel.currentInputFormat
                selections: viewModel.inputFormats
                pListViewHeight: 3 * globalSizes.pSizeThirtySix
                pDropDownVisibility: viewModel.enableStreamFormatSelection && mBufferSettingsMasterView.pInputHasChoice
                pHasChoice: mBufferSettingsMasterView.pInputHasChoice
                pRotation: viewModel.resetInputFormatDropDown ? 180 : 0
                pListviewVisibility: viewModel.resetInputFormatDropDown && mBufferSettingsMasterView.pInputHasChoice
                pDropShadowVisibility: pListviewVisibility

                onItemSelected: viewModel.currentInputFormat = selectedItem
                onItemClicked: viewModel.onInputFormatSelectionChanged(index, currentItem)
                onDropDownClicked: viewModel.showInputFormatList()
            }

            CustomGroupBox {
                id: mOutputFormatBox
                objectName: "outputFormatBox"
                height: globalSizes.pSizeNinety
                width: globalSizes.pGBBorderRectWidth
                pGroupBoxHeaderText: qsTr("Output")
                selectedLabel: viewModel.currentOutputFormat
                selections: viewModel.outputFormats
                pListViewHeight: 3 * globalSizes.pSizeThirtySix
                pDropDownVisibility: viewModel.enableStreamFormatSelection && mBufferSettingsMasterView.pOutputHasChoice
                pHasChoice: mBufferSettingsMasterView.pOutputHasChoice
                pRotation: viewModel.resetOutputFormatDropDown ? 180 : 0
                pListviewVisibility: viewModel.resetOutputFormatDropDown && mBufferSettingsMasterView.pOutputHasChoice
                pDropShadowVisibility: pListviewVisibility

                onItemSelected: viewModel.currentOutputFormat = selectedItem
                onItemClicked: viewModel.onOutputFormatSelectionChanged(index, currentItem)
                onDropDownClicked: viewModel.showOuputFormatList()
            }
        }

        Row {
            id: mAsioRow
            z: 1
            spacing: globalSizes.pSizeFourty

            CustomGroupBox {
                id: mAsioBufferBox
                objectName: "asioBufferBox"
                height: globalSizes.pSizeNinety
                width: globalSizes.pGBBorderRectWidth
                pGroupBoxHeaderText: qsTr("ASIO Buffer Size")
                selectedLabel: viewModel.currentAsioBufferSize
                selections: viewModel.asioBufferSizes
                pListViewHeight: 3 * globalSizes.pSizeThirtySix
                pDropDownVisibility: true
                pRotation: viewModel.resetAsioBufferSizeDropDown ? 180 : 0
                pListviewVisibility: viewModel.resetAsioBufferSizeDropDown
                pDropShadowVisibility: pListviewVisibility

                onItemSelected: viewModel.currentAsioBufferSize = selectedItem
                onItemClicked: viewModel.onAsioSelectionChanged(index, currentItem)
                onDropDownClicked: viewModel.showAsioBufferList()
            }

            Item {
                id: mSafeModeArea
                height: globalSizes.pSizeNinety
                width: globalSizes.pGBBorderRectWidth

                // Always clickable; the grey text only tells that a single size leaves little to protect.
                // Level with the text of the selector beside it.
                ImageLabel {
                    id: mSafeModeCheck
                    objectName: "safeModeCheck"
                    anchors.verticalCenter: parent.verticalCenter
                    anchors.verticalCenterOffset: globalSizes.pSizeTwentyOne
                    width: parent.width
                    height: globalSizes.pSizeTwenty
                    pActive: viewModel.safeMode
                    pActiveImageSource: globalImagePaths.pActiveCheckButtonImage
                    pInactiveImageSource: globalImagePaths.pInactiveUncheckButtonImage
                    pActiveText: qsTr("Safe Mode")
                    pInactiveText: qsTr("Safe Mode")
                    pFontSize: globalSizes.pErrorFontSize
                    pImageTextSpacing: globalSizes.pSizeSeven
                    pClickable: true
                    pDisable: viewModel.safeModeEnabled
                    onImageLabelClicked: viewModel.onSafeModeSelectionChanged()
                }
            }
        }

        WarningDialogue {
            id: mWarning
            objectName: "bufferWarning"
            width: globalSizes.pToolTipWidth
            height: 2 * globalSizes.pSizeThirtySix
            visible: viewModel.showWarning
            pImageVisibility: false
            pWarning: qsTr("WARNING: The selected ASIO buffer size is too small for the current USB streaming mode and the current\n"
                           + "sampling rate. To avoid audio distortions, you should select a larger ASIO buffer size.")
        }
    }
}

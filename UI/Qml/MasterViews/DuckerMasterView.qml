import QtQuick 2.5
import DuckerVMWrapper 1.0
import "../CustomElements"
import "Common"

Item {
    id: mDuckerMasterView

    property var viewModel: mWrapper.duckerVM
    // The meter spans 0 to 90 dB of attenuation; readings beyond either end stick to it.
    readonly property int pMeterValue: viewModel.duckerOn ? Math.max(0, Math.min(90, viewModel.meterReading))
                                                          : viewModel.defaultMeterReading
    readonly property string pMeterText: viewModel.meterReading > 90 ? "90dB"
                                         : viewModel.meterReading < 0 ? "0dB"
                                         : pMeterValue + "dB"

    anchors.fill: parent

    DuckerVMWrapper { id: mWrapper }

    Component.onCompleted: viewModel.onActivate()
    Component.onDestruction: viewModel.onDeactivate()

    // Square like every page's: a rounded one is drawn blended over the whole page, every meter
    // frame.
    PageBackground {
        id: mBackground
    }

    Column {
        id: mContent
        anchors { fill: parent; topMargin: globalSizes.pSizeTwentySix; leftMargin: globalSizes.pSizeThirtyFive }
        spacing: globalSizes.pSizeTwentyOne

        // The switch reacts in both states; everything below follows it.
        ImageLabel {
            id: mDuckerSwitch
            objectName: "duckerSwitch"
            width: parent.width
            height: globalSizes.pSizeTwenty
            pActive: viewModel.duckerOn
            pActiveImageSource: globalImagePaths.pOnButtonImage
            pInactiveImageSource: globalImagePaths.pOffButtonImage
            pActiveText: qsTr("ON")
            pInactiveText: qsTr("OFF")
            pFontSize: globalSizes.pLargeGroupLabel
            pImageTextSpacing: globalSizes.pSizeSeven
            pSwitch: true
            pAccessibleName: qsTr("Ducker")
            onImageLabelClicked: viewModel.onDuckerToggled()
        }

        Row {
            id: mControlRow
            spacing: globalSizes.pSizeFourty

            SelectionItem {
                id: mTriggerSelection
                objectName: "triggerSelection"
                height: globalSizes.pLoadingFontSize
                pSelectionActive: viewModel.duckerOn
                pSelectionItemViewModel: viewModel
                pInput3Visibility: viewModel.input3Visibility
                pInput4Visibility: viewModel.input4Visibility
            }

            MeterItem {
                id: mMeter
                objectName: "duckerMeter"
                width: globalSizes.pMeterItemHeight
                height: globalSizes.pLoadingFontSize
                pValue: mDuckerMasterView.pMeterText
                pMeterReading: mDuckerMasterView.pMeterValue
                pMeterItemActive: viewModel.duckerOn
                pMeterDialActive: viewModel.duckerOn
            }

            KeySliderValueItem {
                id: mParameterSliders
                objectName: "parameterSliders"
                width: globalSizes.pKeySliderValueItemWidth
                height: globalSizes.pLoadingFontSize
                pKeySliderValueItemActive: viewModel.duckerOn
                pKeySliderValueItemViewModel: viewModel
            }
        }
    }
}

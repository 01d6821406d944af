import QtQuick 2.5
import VolumeVMWrapper 1.0
import "../CustomElements"
import "Common"
import "Volume"
import "Volume/Decibels.js" as Decibels

Item {
    id: mVolumeMasterView

    property var viewModel: mWrapper.volumeVM

    anchors.fill: parent

    VolumeVMWrapper { id: mWrapper }

    Component.onCompleted: viewModel.onActivate()
    Component.onDestruction: viewModel.onDeactivate()

    PageBackground {
        id: mBackground
        radius: globalSizes.pSizeFour
    }

    Text {
        id: mChannelsTitle
        anchors { top: parent.top; left: parent.left; topMargin: globalSizes.pErrorFontSize; leftMargin: globalSizes.pSizeThirtyFive }
        text: qsTr("Channels")
        color: globalColors.pBlack
        font.family: "Arial"
        font.pixelSize: globalSizes.pErrorFontSize
        verticalAlignment: Text.AlignVCenter
    }

    // Every page starts on the input direction, as the view model does.
    RadioSelectionLabel {
        id: mDirectionSelector
        objectName: "directionSelector"
        anchors { top: mChannelsTitle.bottom; left: parent.left; topMargin: globalSizes.pSizeFive; leftMargin: globalSizes.pSizeThirtyFive }
        width: globalSizes.pRadioBorderWidth
        height: globalSizes.pRadioBorderHeight
        onInputClicked: viewModel.onInputSelected()
        onOutputClicked: viewModel.onOutputSelected()
    }

    MasterVolume {
        id: mMasterStrip
        objectName: "masterStrip"
        anchors { top: mDirectionSelector.bottom; left: parent.left; topMargin: globalSizes.pSizeNine; leftMargin: globalSizes.pSizeThirtySix }
        width: globalSizes.pIOBoxWidth
        height: globalSizes.pIOBoxHeight
        visible: viewModel.isMasterVisible
        pDefaultValue: viewModel.masterValue
        pUpper: viewModel.maxVolumeRange
        pLower: viewModel.minVolumeRange
        pToggle: !viewModel.isMasterMuted
        pMasterViewModel: viewModel
        onUpdateTriggered: viewModel.onMasterUpdate(Decibels.wholeDb(value))
        onMuted: viewModel.onMasterMute()
    }

    ChannelStripList {
        id: mChannelStrips
        objectName: "channelStrips"
        anchors { top: mMasterStrip.top; left: mMasterStrip.right; leftMargin: globalSizes.pSizeTwenty }
        width: globalSizes.pSlaveListViewWidth
        height: globalSizes.pIOBoxHeight
        pViewModel: viewModel
    }
}

import QtQuick 2.5

// Shape every tabbed page repeats: activate the view model once created, deactivate it
// before it goes.
Item {
    id: mMasterView

    property var viewModel: null

    Component.onCompleted: {
        if (viewModel)
            viewModel.onActivate()
    }
    Component.onDestruction: {
        if (viewModel)
            viewModel.onDeactivate()
    }

    Item {
        id: mContent
        anchors.fill: parent
    }
}

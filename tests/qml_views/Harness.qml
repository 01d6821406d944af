import QtQuick 2.5
import "qrc:/UI/Qml/Strings"

// What Main.qml and Shell.qml give a page: the five style objects in scope and a page area
// of the window's size below the top bar (800 x (500 - 86) at scale 1).
Item {
    id: mHarness

    property alias pPage: mPageLoader.source
    readonly property alias pPageItem: mPageLoader.item

    width: 800
    height: 414

    QtObject {
        id: mDisplayScalingFactorCalculator
        property real scalingFactor: 1.0
        property real fontScalingFactor: 1.0
    }
    Colors { id: globalColors }
    Sizes { id: globalSizes }
    Strings { id: globalStrings }
    ImagePaths { id: globalImagePaths }
    Fonts { id: globalFonts }

    Loader {
        id: mPageLoader
        anchors.fill: parent
    }
}

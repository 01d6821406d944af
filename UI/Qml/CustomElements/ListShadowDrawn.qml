import QtQuick 2.5

// The open list's shadow where the scene graph has no shader effects (the software renderer):
// the same offset and reach as ListShadow, drawn as translucent layers growing outwards, so it
// costs neither the effects module nor a blur. It covers the list's rows, not the empty rest.
Item {
    id: mListShadowDrawn

    property Item source // the list (CustomGroupBox sets it, as for ListShadow)
    readonly property real pRowsHeight: source ? Math.min(source.contentHeight, height) : height

    Repeater {
        model: 4
        Rectangle {
            x: 3 - 2 * index
            y: 3 - 2 * index
            width: mListShadowDrawn.width + 4 * index
            height: mListShadowDrawn.pRowsHeight + 4 * index
            radius: globalSizes.pSizeFive + 2 * index // the last row's corners, and softer outwards
            color: "#1a000000"
        }
    }
}

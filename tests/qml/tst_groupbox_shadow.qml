import QtQuick 2.5
import QtTest 1.1
import QtQuick.Controls 2.2
import "qrc:/UI/Qml/Strings"
import "qrc:/UI/Qml/CustomElements"

// The selector's drop shadow lies under its list while the list is shown, and only then: a
// closed selector (most of them, all at start-up) builds no effect at all. Its scroll bar, too, is
// made when the list first opens.
Item {
    id: mRoot
    width: 800
    height: 500

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

    Component { id: groupBoxComponent; CustomGroupBox { width: globalSizes.pGBBorderRectWidth; height: globalSizes.pSizeNinety } }

    TestCase {
        name: "GroupBoxShadow"

        function test_shadowOnlyUnderTheShownList() {
            var box = createTemporaryObject(groupBoxComponent, mRoot, { selections: ["One", "Two"] })
            var list = findChild(box, "groupBoxList")
            var shadow = findChild(box, "groupBoxListShadow")
            verify(shadow)
            verify(!shadow.item, "closed list: no shadow built")

            box.pDropShadowVisibility = true
            verify(!shadow.item, "a hidden list casts no shadow")
            box.pDropShadowVisibility = false
            box.pListviewVisibility = true
            verify(!shadow.item, "the page did not ask for the shadow")

            box.pDropShadowVisibility = true
            verify(shadow.item, "open list with its shadow")
            verify(shadow.item.source === list)
            compare(shadow.item.horizontalOffset, 3)
            compare(shadow.item.verticalOffset, 3)
            compare(shadow.item.radius, 8)
            compare(shadow.item.samples, 17)
            verify(Qt.colorEqual(shadow.item.color, "#80000000"))
            compare(Qt.rect(shadow.x, shadow.y, shadow.width, shadow.height), Qt.rect(list.x, list.y, list.width, list.height))
            verify(shadow.z < list.z, "under the list")

            box.pListviewVisibility = false
            verify(!shadow.item, "closing the list drops the shadow")
        }

        function test_scrollBarOnTheListFromItsFirstOpening() {
            var box = createTemporaryObject(groupBoxComponent, mRoot, { selections: ["1", "2", "3", "4", "5", "6"] })
            var list = findChild(box, "groupBoxList")
            verify(!list.ScrollBar.vertical)
            box.pListviewVisibility = true
            var bar = list.ScrollBar.vertical
            verify(bar)
            list.contentY = 60
            // On the list, not in its moving content.
            compare(bar.mapToItem(list, 0, 0), Qt.point(list.width - 12, 0))
            compare(bar.height, list.height)
            box.pListviewVisibility = false
            box.pListviewVisibility = true
            verify(list.ScrollBar.vertical === bar)
        }
    }
}

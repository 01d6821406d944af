import QtQuick 2.5
import QtTest 1.1

// The window's frame as the panel loads it (Main.qml from the resources), with fake frame
// view models: the geometry of top bar and page area, the tabs and the ribbon's close.
Item {
    id: mRoot
    width: 1000
    height: 700

    Component {
        id: mainComponent
        Loader { source: "qrc:/UI/Qml/Main.qml" }
    }

    TestCase {
        name: "Frame"
        when: windowShown

        property var main: null

        function init() {
            testProbe.setScale(1.0)
            main = createTemporaryObject(mainComponent, mRoot)
            compare(main.status, Loader.Ready)
        }

        function cleanup() {
            compare(testProbe.takeWarnings(), "", "QML warnings")
        }

        // Rows and columns place their children when the window next polishes.
        function settle() {
            var repeater = tabs()
            tryVerify(function() {
                return findChild(main.item, "pageLoader").y > 0
                    && (repeater.count < 2 || repeater.itemAt(repeater.count - 1).x > 0)
            })
        }

        function topBar() { return findChild(main.item, "mainTopBar") }
        function tabs() { return findChild(main.item, "tabRepeater") }
        function viewModel() { return topBar().viewModel }

        function test_geometry() {
            settle()
            var root = main.item
            compare(root.width, 800)
            compare(root.height, 500)
            compare(topBar().height, 86)
            compare(findChild(root, "topRibbon").height, 50)
            compare(findChild(root, "tabHeader").height, 36)
            var loader = findChild(root, "pageLoader")
            compare(loader.y, 86)
            compare(loader.height, 414)
            compare(loader.width, 800)
        }

        function test_scaleThree() {
            testProbe.setScale(3.0)
            main.source = ""
            main.source = "qrc:/UI/Qml/Main.qml"
            compare(main.item.width, 2400)
            compare(main.item.height, 1500)
            compare(topBar().height, 258)
            compare(findChild(main.item, "pageLoader").height, 1500 - 258)
            viewModel().setMenu(["Status", "Audio Routing", "Ducker", "Buffer Settings", "Info"])
            settle()
            var last = tabs().itemAt(4)
            verify(last.mapToItem(main.item, last.width, 0).x <= 2400)
            compare(last.height, 108)
        }

        function test_activation() {
            compare(viewModel().activations, 1)
            var before = testProbe.topBarDeactivations()
            main.source = ""
            compare(testProbe.topBarDeactivations(), before + 1)
        }

        function test_tabWidths_data() {
            // Each tab at its share of the width, but never so wide that the row runs past
            // the bar: three tabs at a third each plus their two 15-pixel gaps would.
            return [
                { tag: "one tab", names: ["Status"], width: 800 / 5.4 },
                { tag: "three tabs", names: ["Status", "Buffer Settings", "Info"], width: (800 - 2 * 15) / 3 },
                { tag: "four tabs", names: ["Status", "Volume", "Buffer Settings", "Info"], width: (800 - 3 * 15) / 4 },
                { tag: "five tabs", names: ["Status", "Audio Routing", "Ducker", "Buffer Settings", "Info"], width: (800 - 4 * 15) / 5 },
                { tag: "two tabs", names: ["Status", "Info"], width: 800 / 3 }
            ]
        }

        function test_tabWidths(data) {
            viewModel().setMenu(data.names)
            settle()
            var repeater = tabs()
            compare(repeater.count, data.names.length)
            for (var i = 0; i < repeater.count; ++i) {
                var tab = repeater.itemAt(i)
                compare(tab.pLabel, data.names[i])
                fuzzyCompare(tab.width, data.width, 0.01)
                compare(tab.height, 36)
                var right = tab.mapToItem(main.item, tab.width, 0).x
                verify(right <= 800 + 0.01, "tab " + i + " ends at " + right)
            }
            if (repeater.count > 1)
                fuzzyCompare(repeater.itemAt(1).x - (repeater.itemAt(0).x + repeater.itemAt(0).width), 15, 0.01)
        }

        function test_tabSelection() {
            viewModel().setMenu(["Status", "Audio Routing", "Ducker", "Buffer Settings", "Info"])
            settle()
            var repeater = tabs()
            verify(repeater.itemAt(0).pActive)
            verify(!repeater.itemAt(2).pActive)
            mouseClick(repeater.itemAt(2))
            compare(viewModel().selections, "2")
            verify(repeater.itemAt(2).pActive)
            verify(!repeater.itemAt(0).pActive)
            // The model's index alone moves the marker, as after an unplug.
            viewModel().currentPageIndex = 0
            verify(repeater.itemAt(0).pActive)
            // A shrinking menu keeps the row valid.
            viewModel().setMenu(["Status"])
            compare(repeater.count, 1)
            verify(repeater.itemAt(0).pActive)
        }

        function test_ribbonCloses() {
            var ribbon = findChild(main.item, "topRibbon")
            mouseClick(ribbon, 200, ribbon.height / 2)
            compare(viewModel().closeRequests, 0)
            mouseClick(ribbon, ribbon.width - 20, ribbon.height / 2)
            compare(viewModel().closeRequests, 1)
        }
    }
}

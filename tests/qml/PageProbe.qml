import QtQuick 2.5

// A page for the shell's page area: tells the test when it is created and destroyed.
Item {
    objectName: "pageProbe"
    Component.onCompleted: fakeShellVM.objectName = "probe created"
    Component.onDestruction: fakeShellVM.objectName = "probe destroyed"
}

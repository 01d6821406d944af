import QtQuick 2.5

Rectangle {
    width: 800
    height: 500
    color: "#f0f0f0"
}

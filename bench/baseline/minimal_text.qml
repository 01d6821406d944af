import QtQuick 2.5

// The baseline plus one line of text: what showing any text adds (fonts, glyphs, their shader).
Rectangle {
    width: 800
    height: 500
    color: "#f0f0f0"

    Text {
        x: 20
        y: 20
        text: "Status"
        font.pixelSize: 14
    }
}

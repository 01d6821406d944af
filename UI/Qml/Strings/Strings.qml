import QtQuick 2.5

// Texts are written in the views themselves; the object exists so every view can reach
// globalStrings should texts ever move here.
QtObject {
}

import QtQuick 2.5
import QtGraphicalEffects 1.0

// The shadow under an open selector list (CustomGroupBox sets its source).
DropShadow {
    horizontalOffset: 3
    verticalOffset: 3
    radius: 8
    samples: 17
    color: "#80000000"
}

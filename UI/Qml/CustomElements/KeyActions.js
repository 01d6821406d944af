.pragma library

// The keys that act on a button, a check box, a tab or a radio as a click does.
function isClick(event) {
    return event.key === Qt.Key_Space || event.key === Qt.Key_Return || event.key === Qt.Key_Enter
}

// Handles a click key on a control: `act` runs once per press, not for the repeats of a held key.
function click(event, act) {
    if (!isClick(event))
        return false
    event.accepted = true
    if (!event.isAutoRepeat)
        act()
    return true
}

.pragma library

// The keys a slider takes beyond its arrows: Page Up and Page Down move a tenth of the range (in
// whole steps), Home and End go to the lower and upper end. Returns the new value, or NaN for
// another key.
function target(key, value, lower, upper, step) {
    var big = (upper - lower) / 10
    if (step > 0)
        big = Math.max(step, Math.round(big / step) * step)
    switch (key) {
    case Qt.Key_PageUp: return Math.min(upper, value + big)
    case Qt.Key_PageDown: return Math.max(lower, value - big)
    case Qt.Key_Home: return lower
    case Qt.Key_End: return upper
    default: return NaN
    }
}

// A slider's Keys handler: moves it as a person's move (the slider's moved()).
function handle(event, slider) {
    var next = target(event.key, slider.value, slider.minimumValue, slider.maximumValue, slider.stepSize)
    if (isNaN(next))
        return
    event.accepted = true
    if (next !== slider.value) {
        slider.value = next
        slider.moved()
    }
}

.pragma library

// The strips read their slider values rounded to whole dB; the page is sent exactly what they show.
function wholeDb(value) {
    return Number(Number(value).toFixed(0))
}

#pragma once
// Volumes and mutes of a card through alsa-lib's control interface, in the driver API's terms:
// channel 0 is a direction's master, 1..n its channels; volumes in 1/256 dB.
//
// The controls: for the output the mixer controls "<name> Playback Volume", for the input
// "<name> Capture Volume", <name> being that of the control with the most values (the first on
// a tie; the USB audio driver names them after the terminal of the feature unit). Of the
// controls of that name, the one with several values holds channels 1..n and one with a single
// value is the master. Mutes are the "<name> ... Switch" controls alike (on = sounding).
//
// Volumes convert through each control's own dB range (alsa-lib's dB calls); a control without
// one is mapped linearly onto -128 dB (its minimum) to 0 dB (its maximum). A control whose
// range is inverted or empty answers kBadControl and is never written.
#include "device/TUsbAudioApi.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

typedef struct _snd_ctl snd_ctl_t;
typedef struct _snd_ctl_elem_id snd_ctl_elem_id_t;

namespace usbdrv {

struct VolumeRange
{
    bool volume = false, mute = false; // which controls the channel has
    int16_t min = 0, max = 0, resolution = 0;
};

class AlsaMixer
{
public:
    // Opens the card's control device ("hw:N") and lists its mixer controls.
    explicit AlsaMixer(int card);
    ~AlsaMixer();
    AlsaMixer(const AlsaMixer &) = delete;
    AlsaMixer &operator=(const AlsaMixer &) = delete;
    // 0, or why the controls cannot be reached.
    TSTATUS status() const { return m_status; }

    TSTATUS range(uint32_t direction, uint32_t channel, VolumeRange *range);
    TSTATUS volume(uint32_t direction, uint32_t channel, int16_t *value);
    TSTATUS setVolume(uint32_t direction, uint32_t channel, int16_t value);
    TSTATUS mute(uint32_t direction, uint32_t channel, bool *muted);
    TSTATUS setMute(uint32_t direction, uint32_t channel, bool muted);

private:
    struct Element
    {
        std::shared_ptr<snd_ctl_elem_id_t> id;
        std::string name;
        unsigned count = 0;
        bool isSwitch = false;
    };
    struct Control
    {
        const Element *element = nullptr;
        unsigned value = 0; // which of the element's values
        long min = 0, max = 0;
        bool hasDb = false;
    };
    TSTATUS find(uint32_t direction, uint32_t channel, bool isSwitch, Control *control) const;
    TSTATUS read(const Control &control, long *value) const;
    TSTATUS write(const Control &control, long value) const;
    int16_t toAbi(const Control &control, long value) const;
    long fromAbi(const Control &control, int16_t volume) const;

    snd_ctl_t *m_ctl = nullptr;
    TSTATUS m_status = 0;
    std::vector<Element> m_elements;
};

} // namespace usbdrv

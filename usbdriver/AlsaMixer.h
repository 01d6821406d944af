#pragma once
// Volumes and mutes of a card through alsa-lib's control interface, in the driver API's terms:
// channel 0 is a direction's master, 1..n its channels; volumes in 1/256 dB.
//
// The controls are found by the names and indexes the kernel's USB audio driver gives them: for
// the output "<name> Playback Volume", for the input "<name> Capture Volume", <name> being that
// of the control with the most values (the first on a tie; the driver names a feature unit's
// controls after its terminal). The driver adds a feature unit's control of its channels before
// that of its master and numbers controls of one name by index in that order, so with indexes 0
// and 1 present, index 0 holds channels 1..n and index 1 the master; alone, index 0 is the
// master when it has one value (a master-only unit and a mono one look alike: taken as master)
// and the channels otherwise. Other indexes (another unit of the same name) are not used. Mutes
// are the "<name> ... Switch" controls alike (on = sounding).
//
// Volumes convert through each control's own dB range (alsa-lib's dB calls); a control without
// one is mapped linearly onto -128 dB (its minimum) to 0 dB (its maximum). A lowest step that
// means mute reads as -128 dB, and the step size is then that of the steps above it. A control
// whose range is inverted or empty answers kBadControl and is never written; a conversion that
// fails answers its error and writes nothing.
#include "device/TUsbAudioApi.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
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

    // What the check command shows of the controls a direction's calls use. Reads only.
    struct ControlInfo
    {
        std::string name;
        unsigned index = 0, count = 0;
        bool isSwitch = false, master = false;
        long min = 0, max = 0;
        bool dbRange = false; // the control states a dB range (TLV)
        int dbError = 0;      // 0, or why alsa-lib cannot convert it
        long dbMin = 0, dbMax = 0;
        bool minIsMute = false;
    };
    std::vector<ControlInfo> describe(uint32_t direction) const;
    size_t mixerControlCount() const { return m_elements.size(); }

private:
    struct Element
    {
        std::shared_ptr<snd_ctl_elem_id_t> id;
        std::string name;
        unsigned index = 0, count = 0;
        bool isSwitch = false;
    };
    struct Control
    {
        const Element *element = nullptr;
        unsigned value = 0; // which of the element's values
        long min = 0, max = 0;
        bool hasDb = false;
    };
    // The controls of a direction and kind: that of the channels and that of the master, or null.
    std::pair<const Element *, const Element *> pick(uint32_t direction, bool isSwitch) const;
    TSTATUS find(uint32_t direction, uint32_t channel, bool isSwitch, Control *control) const;
    TSTATUS read(const Control &control, long *value) const;
    TSTATUS write(const Control &control, long value) const;
    // `mute`: whether the value is the step that means mute.
    TSTATUS toAbi(const Control &control, long value, int16_t *volume, bool *mute = nullptr) const;
    TSTATUS fromAbi(const Control &control, int16_t volume, long *value) const;

    snd_ctl_t *m_ctl = nullptr;
    TSTATUS m_status = 0;
    std::vector<Element> m_elements;
};

} // namespace usbdrv

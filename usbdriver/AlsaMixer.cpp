#include "AlsaMixer.h"

#include "UsbStatus.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cmath>

namespace usbdrv {

namespace {

constexpr long kAbiMin = -32768, kAbiMax = 32767; // 1/256 dB
constexpr double kAbiPerHundredth = 2.56;         // alsa-lib's dB are in 1/100 dB

int16_t clampAbi(long volume) { return int16_t(std::clamp(volume, kAbiMin, kAbiMax)); }

template <typename T, int (*Alloc)(T **), void (*Free)(T *)>
std::unique_ptr<T, void (*)(T *)> make()
{
    T *p = nullptr;
    Alloc(&p);
    return std::unique_ptr<T, void (*)(T *)>(p, Free);
}
const auto makeValue = make<snd_ctl_elem_value_t, snd_ctl_elem_value_malloc, snd_ctl_elem_value_free>;
const auto makeInfo = make<snd_ctl_elem_info_t, snd_ctl_elem_info_malloc, snd_ctl_elem_info_free>;

// "PCM Playback Volume" is "PCM " + "Playback Volume"; "Playback Volume" alone has no name.
bool hasSuffix(const std::string &name, const std::string &suffix)
{
    const size_t n = name.size(), s = suffix.size();
    return n >= s && name.compare(n - s, s, suffix) == 0 && (n == s || name[n - s - 1] == ' ');
}

} // namespace

AlsaMixer::AlsaMixer(int card)
{
    const std::string device = "hw:" + std::to_string(card);
    int error = snd_ctl_open(&m_ctl, device.c_str(), 0);
    if (error < 0)
        m_ctl = nullptr;
    auto list = make<snd_ctl_elem_list_t, snd_ctl_elem_list_malloc, snd_ctl_elem_list_free>();
    if (error >= 0 && (error = snd_ctl_elem_list(m_ctl, list.get())) >= 0 &&
        (error = snd_ctl_elem_list_alloc_space(list.get(), snd_ctl_elem_list_get_count(list.get()))) >= 0)
        error = snd_ctl_elem_list(m_ctl, list.get());
    m_status = statusFromAlsa(error);
    auto info = makeInfo();
    for (unsigned i = 0; !m_status && i < snd_ctl_elem_list_get_used(list.get()); ++i) {
        auto id = make<snd_ctl_elem_id_t, snd_ctl_elem_id_malloc, snd_ctl_elem_id_free>();
        snd_ctl_elem_list_get_id(list.get(), i, id.get());
        snd_ctl_elem_info_set_id(info.get(), id.get());
        if (snd_ctl_elem_id_get_interface(id.get()) != SND_CTL_ELEM_IFACE_MIXER ||
            snd_ctl_elem_info(m_ctl, info.get()) < 0)
            continue;
        const snd_ctl_elem_type_t type = snd_ctl_elem_info_get_type(info.get());
        if (type != SND_CTL_ELEM_TYPE_INTEGER && type != SND_CTL_ELEM_TYPE_BOOLEAN)
            continue;
        m_elements.push_back({std::shared_ptr<snd_ctl_elem_id_t>(id.release(), snd_ctl_elem_id_free),
                              snd_ctl_elem_info_get_name(info.get()), snd_ctl_elem_info_get_index(info.get()),
                              snd_ctl_elem_info_get_count(info.get()), type == SND_CTL_ELEM_TYPE_BOOLEAN});
    }
    snd_ctl_elem_list_free_space(list.get());
}

AlsaMixer::~AlsaMixer()
{
    if (m_ctl)
        snd_ctl_close(m_ctl);
}

std::pair<const AlsaMixer::Element *, const AlsaMixer::Element *> AlsaMixer::pick(uint32_t direction,
                                                                                  bool isSwitch) const
{
    const std::string side = direction == tusb::kDirectionInput ? "Capture " : "Playback ";
    // The name: that of the volume control with the most values, of a switch when none.
    std::string base;
    for (const std::string kind : {"Volume", "Switch"}) {
        unsigned most = 0;
        for (const Element &e : m_elements)
            if (e.isSwitch == (kind == "Switch") && hasSuffix(e.name, side + kind) && e.count > most) {
                most = e.count;
                base = e.name.substr(0, e.name.size() - side.size() - kind.size());
            }
        if (most)
            break;
    }
    const std::string name = base + side + (isSwitch ? "Switch" : "Volume");
    const Element *first = nullptr, *second = nullptr; // indexes 0 and 1 of the name
    for (const Element &e : m_elements)
        if (e.name == name && e.isSwitch == isSwitch && e.index < 2)
            (e.index == 0 ? first : second) = &e;
    if (first && (second || first->count > 1))
        return {first, second && second->count == 1 ? second : nullptr};
    return {nullptr, first};
}

TSTATUS AlsaMixer::find(uint32_t direction, uint32_t channel, bool isSwitch, Control *control) const
{
    if (m_status || direction > tusb::kDirectionInput)
        return m_status ? m_status : kInvalidParameter;
    const auto controls = pick(direction, isSwitch);
    const Element *element = channel == 0 ? controls.second : controls.first;
    if (!element || channel > element->count)
        return kNotSupported;
    *control = Control{element, channel ? channel - 1 : 0, 0, 1, false};
    if (isSwitch)
        return tusb::kOk;
    auto info = makeInfo();
    snd_ctl_elem_info_set_id(info.get(), element->id.get());
    if (const int error = snd_ctl_elem_info(m_ctl, info.get()))
        return statusFromAlsa(error);
    control->min = snd_ctl_elem_info_get_min(info.get());
    control->max = snd_ctl_elem_info_get_max(info.get());
    long dbMin = 0, dbMax = 0;
    control->hasDb = snd_ctl_get_dB_range(m_ctl, element->id.get(), &dbMin, &dbMax) == 0;
    // A lowest step that means mute has no level: the range starts at the next one.
    if (control->hasDb && dbMin == SND_CTL_TLV_DB_GAIN_MUTE && control->max - control->min > 1)
        if (const int error = snd_ctl_convert_to_dB(m_ctl, element->id.get(), control->min + 1, &dbMin); error < 0)
            return statusFromAlsa(error);
    return control->min >= control->max || (control->hasDb && dbMin >= dbMax) ? kBadControl : tusb::kOk;
}

TSTATUS AlsaMixer::read(const Control &control, long *value) const
{
    auto v = makeValue();
    snd_ctl_elem_value_set_id(v.get(), control.element->id.get());
    if (const int error = snd_ctl_elem_read(m_ctl, v.get()))
        return statusFromAlsa(error);
    *value = control.element->isSwitch ? snd_ctl_elem_value_get_boolean(v.get(), control.value)
                                       : snd_ctl_elem_value_get_integer(v.get(), control.value);
    return tusb::kOk;
}

TSTATUS AlsaMixer::write(const Control &control, long value) const
{
    // The other channels of the control keep what they have.
    auto v = makeValue();
    snd_ctl_elem_value_set_id(v.get(), control.element->id.get());
    int error = snd_ctl_elem_read(m_ctl, v.get());
    if (error >= 0) {
        if (control.element->isSwitch)
            snd_ctl_elem_value_set_boolean(v.get(), control.value, value);
        else
            snd_ctl_elem_value_set_integer(v.get(), control.value, value);
        error = snd_ctl_elem_write(m_ctl, v.get());
    }
    return statusFromAlsa(error);
}

TSTATUS AlsaMixer::toAbi(const Control &control, long value, int16_t *volume, bool *mute) const
{
    long db = 0;
    if (!control.hasDb) {
        *volume = clampAbi(kAbiMin + (value - control.min) * -kAbiMin / (control.max - control.min));
    } else if (const int error = snd_ctl_convert_to_dB(m_ctl, control.element->id.get(), value, &db); error < 0) {
        return statusFromAlsa(error);
    } else {
        *volume = clampAbi(std::lround(db * kAbiPerHundredth)); // mute: the lowest level
    }
    if (mute)
        *mute = control.hasDb && db == SND_CTL_TLV_DB_GAIN_MUTE;
    return tusb::kOk;
}

TSTATUS AlsaMixer::fromAbi(const Control &control, int16_t volume, long *value) const
{
    *value = control.min + std::lround((volume - kAbiMin) * double(control.max - control.min) / -kAbiMin);
    if (control.hasDb) {
        // The control's steps on either side of the wanted level; the nearer one.
        snd_ctl_elem_id_t *id = control.element->id.get();
        const long wanted = std::lround(volume / kAbiPerHundredth);
        long below = 0, above = 0, dbBelow = 0, dbAbove = 0;
        int error = snd_ctl_convert_from_dB(m_ctl, id, wanted, &below, -1);
        if (error >= 0)
            error = snd_ctl_convert_from_dB(m_ctl, id, wanted, &above, 1);
        if (error >= 0)
            error = snd_ctl_convert_to_dB(m_ctl, id, below, &dbBelow);
        if (error >= 0)
            error = snd_ctl_convert_to_dB(m_ctl, id, above, &dbAbove);
        if (error < 0)
            return statusFromAlsa(error);
        *value = std::labs(dbAbove - wanted) < std::labs(wanted - dbBelow) ? above : below;
    }
    *value = std::clamp(*value, control.min, control.max);
    return tusb::kOk;
}

TSTATUS AlsaMixer::range(uint32_t direction, uint32_t channel, VolumeRange *range)
{
    Control volume, mute;
    const TSTATUS v = find(direction, channel, false, &volume), m = find(direction, channel, true, &mute);
    if ((v && v != kNotSupported) || (m && m != kNotSupported))
        return v && v != kNotSupported ? v : m;
    *range = VolumeRange{};
    range->volume = v == tusb::kOk;
    range->mute = m == tusb::kOk;
    if (!range->volume)
        return tusb::kOk;
    // A lowest step that means mute ("minimum is mute") says nothing of the step size.
    bool lowestMutes = false;
    long steps = volume.max - volume.min;
    TSTATUS s = toAbi(volume, volume.min, &range->min, &lowestMutes);
    if (!s)
        s = toAbi(volume, volume.max, &range->max);
    int16_t from = range->min;
    if (!s && lowestMutes && steps > 1) {
        s = toAbi(volume, volume.min + 1, &from);
        --steps;
    }
    if (s) {
        *range = VolumeRange{};
        return s;
    }
    range->resolution = int16_t(std::max<long>(1, (range->max - from) / steps));
    return tusb::kOk;
}

TSTATUS AlsaMixer::volume(uint32_t direction, uint32_t channel, int16_t *value)
{
    Control control;
    long raw = 0;
    TSTATUS s = find(direction, channel, false, &control);
    if (!s)
        s = read(control, &raw);
    return s ? s : toAbi(control, raw, value);
}

TSTATUS AlsaMixer::setVolume(uint32_t direction, uint32_t channel, int16_t value)
{
    Control control;
    long raw = 0;
    TSTATUS s = find(direction, channel, false, &control);
    if (!s)
        s = fromAbi(control, value, &raw);
    return s ? s : write(control, raw);
}

TSTATUS AlsaMixer::mute(uint32_t direction, uint32_t channel, bool *muted)
{
    Control control;
    long on = 0;
    TSTATUS s = find(direction, channel, true, &control);
    if (!s && !(s = read(control, &on)))
        *muted = on == 0;
    return s;
}

TSTATUS AlsaMixer::setMute(uint32_t direction, uint32_t channel, bool muted)
{
    Control control;
    const TSTATUS s = find(direction, channel, true, &control);
    return s ? s : write(control, muted ? 0 : 1);
}

std::vector<AlsaMixer::ControlInfo> AlsaMixer::describe(uint32_t direction) const
{
    std::vector<ControlInfo> found;
    auto info = makeInfo();
    for (const bool isSwitch : {false, true}) {
        const auto controls = pick(direction, isSwitch);
        for (const Element *e : {controls.first, controls.second}) {
            if (!e)
                continue;
            ControlInfo c{e->name, e->index, e->count, isSwitch, e == controls.second};
            snd_ctl_elem_info_set_id(info.get(), e->id.get());
            if (!isSwitch && snd_ctl_elem_info(m_ctl, info.get()) >= 0) {
                c.min = snd_ctl_elem_info_get_min(info.get());
                c.max = snd_ctl_elem_info_get_max(info.get());
                c.dbRange = snd_ctl_elem_info_is_tlv_readable(info.get());
                c.dbError = snd_ctl_get_dB_range(m_ctl, e->id.get(), &c.dbMin, &c.dbMax);
                // As find() takes it: a lowest step that means mute has no level of its own.
                c.minIsMute = c.dbError == 0 && c.dbMin == SND_CTL_TLV_DB_GAIN_MUTE;
                if (c.minIsMute && c.max - c.min > 1)
                    c.dbError = snd_ctl_convert_to_dB(m_ctl, e->id.get(), c.min + 1, &c.dbMin);
            }
            found.push_back(c);
        }
    }
    return found;
}

} // namespace usbdrv

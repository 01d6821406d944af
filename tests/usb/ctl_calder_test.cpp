// An ALSA control device for the tests (external control plugin): the controls of stand-in card N
// live in $CALDER_USB_ASOUND/cardN/controls, one line each, "name|index|type|min|max|dB min|dB max|
// values..." (dB in 1/100 dB, both 0: no dB range). Types: bool, int; integers whose dB range is
// "mute" (the lowest step means mute), "once" (read once per open, then the card is gone) or
// "bad" (of a kind alsa-lib does not know). No file: the card is gone.
#include <alsa/asoundlib.h>
#include <alsa/control_external.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

namespace {
struct Control
{
    char name[64], type[8];
    int index;
    long min, max, dbMin, dbMax;
    std::vector<long> values;
};

struct Card
{
    snd_ctl_ext_t ext{};
    std::string file;
    std::vector<Control> controls;
    int dbReads = 0;
};

Card *cardOf(snd_ctl_ext_t *ext) { return static_cast<Card *>(ext->private_data); }

// Reads the file afresh (the other process may have written it); false when it is gone.
bool load(Card *card)
{
    FILE *f = std::fopen(card->file.c_str(), "r");
    card->controls.clear();
    char line[512];
    for (Control c{}; f && std::fgets(line, sizeof line, f); c = Control{}) {
        int used = 0;
        if (std::sscanf(line, "%63[^|]|%d|%7[^|]|%ld|%ld|%ld|%ld|%n", c.name, &c.index, c.type, &c.min, &c.max,
                        &c.dbMin, &c.dbMax, &used) < 7)
            continue;
        for (char *p = line + used, *end = p;; p = end) {
            const long v = std::strtol(p, &end, 10);
            if (end == p)
                break;
            c.values.push_back(v);
        }
        card->controls.push_back(c);
    }
    return f && std::fclose(f) == 0;
}

Control *at(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key)
{
    return load(cardOf(ext)) && key < cardOf(ext)->controls.size() ? &cardOf(ext)->controls[key] : nullptr;
}

const snd_ctl_ext_callback_t kCallbacks = [] {
    snd_ctl_ext_callback_t cb{};
    cb.close = [](snd_ctl_ext_t *ext) { delete cardOf(ext); };
    cb.elem_count = [](snd_ctl_ext_t *ext) { return load(cardOf(ext)) ? int(cardOf(ext)->controls.size()) : -ENODEV; };
    cb.elem_list = [](snd_ctl_ext_t *ext, unsigned int offset, snd_ctl_elem_id_t *id) {
        const Control *c = at(ext, offset);
        if (c) {
            snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
            snd_ctl_elem_id_set_name(id, c->name);
            snd_ctl_elem_id_set_index(id, unsigned(c->index));
        }
        return c ? 0 : -ENODEV;
    };
    // The library only uses ids it listed, which carry their number (0: not found).
    cb.find_elem = [](snd_ctl_ext_t *, const snd_ctl_elem_id_t *id) {
        return snd_ctl_ext_key_t(snd_ctl_elem_id_get_numid(id)) - 1;
    };
    cb.get_attribute = [](snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, int *type, unsigned int *access, unsigned int *n) {
        const Control *c = at(ext, key);
        if (!c)
            return -ENODEV;
        *type = std::string(c->type) == "bool" ? SND_CTL_ELEM_TYPE_BOOLEAN : SND_CTL_ELEM_TYPE_INTEGER;
        *access = SND_CTL_EXT_ACCESS_READWRITE |
                  (c->dbMin || c->dbMax ? SND_CTL_EXT_ACCESS_TLV_READ | SND_CTL_EXT_ACCESS_TLV_CALLBACK : 0);
        *n = unsigned(c->values.size());
        return 0;
    };
    cb.get_integer_info = [](snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, long *min, long *max, long *step) {
        const Control *c = at(ext, key);
        *step = 0;
        return c ? (*min = c->min, *max = c->max, 0) : -ENODEV;
    };
    cb.read_integer = [](snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, long *values) {
        const Control *c = at(ext, key);
        if (c)
            std::copy(c->values.begin(), c->values.end(), values);
        return c ? 0 : -ENODEV;
    };
    cb.write_integer = [](snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, long *values) {
        Control *c = at(ext, key);
        if (!c)
            return -ENODEV;
        std::copy(values, values + c->values.size(), c->values.begin());
        const std::string file = cardOf(ext)->file;
        FILE *f = std::fopen((file + ".new").c_str(), "w");
        for (const Control &k : cardOf(ext)->controls) {
            std::fprintf(f, "%s|%d|%s|%ld|%ld|%ld|%ld|", k.name, k.index, k.type, k.min, k.max, k.dbMin, k.dbMax);
            for (long v : k.values)
                std::fprintf(f, "%ld ", v);
            std::fputc('\n', f);
        }
        std::fclose(f);
        return std::rename((file + ".new").c_str(), file.c_str()) == 0 ? 1 : -errno;
    };
    return cb;
}();

int dbRange(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, int op, unsigned int, unsigned int *tlv, unsigned int size)
{
    const Control *c = at(ext, key);
    const std::string type = c ? c->type : "";
    if (!c || (type == "once" && cardOf(ext)->dbReads++) || op != 0 || size < 4 * sizeof(unsigned))
        return c && type != "once" ? -ENXIO : -ENODEV;
    const unsigned kind = type == "mute" ? SND_CTL_TLVT_DB_MINMAX_MUTE : type == "bad" ? 0x99 : SND_CTL_TLVT_DB_MINMAX;
    const unsigned range[] = {kind, 2 * sizeof(unsigned), unsigned(c->dbMin), unsigned(c->dbMax)};
    std::copy(range, range + 4, tlv);
    return 0;
}
} // namespace

extern "C" SND_CTL_PLUGIN_DEFINE_FUNC(calder_test)
{
    (void)root;
    snd_config_t *cardConfig = nullptr;
    const char *number = nullptr, *asound = getenv("CALDER_USB_ASOUND");
    if (snd_config_search(conf, "card", &cardConfig) < 0 || snd_config_get_string(cardConfig, &number) < 0)
        return -EINVAL;
    auto *card = new Card;
    card->file = std::string(asound ? asound : "") + "/card" + number + "/controls";
    card->ext.version = SND_CTL_EXT_VERSION;
    card->ext.poll_fd = -1;
    card->ext.callback = &kCallbacks;
    card->ext.private_data = card;
    card->ext.tlv.c = dbRange;
    const int error = load(card) ? snd_ctl_ext_create(&card->ext, name, mode) : -ENODEV;
    if (error < 0)
        delete card;
    else
        *handlep = card->ext.handle;
    return error;
}

SND_CTL_PLUGIN_SYMBOL(calder_test);

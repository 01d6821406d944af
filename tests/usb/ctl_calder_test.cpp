// An ALSA control device for the tests (an external control plugin, type "calder_test"): the
// mixer controls of stand-in card N, kept in $CALDER_USB_ASOUND/cardN/controls, so that the
// test and the panel, two processes, see the same values. One line per control:
//     name|index|int or bool|min|max|dB min|dB max|values...
// with dB in 1/100 dB ("-": no dB range). Without the file the card is gone: -ENODEV.
#include <alsa/asoundlib.h>
#include <alsa/control_external.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Control {
    std::string name;
    int index = 0;
    bool isBool = false;
    long min = 0, max = 0;
    std::string dbMin, dbMax;
    std::vector<long> values;
};

struct Card {
    snd_ctl_ext_t ext{};
    std::string file;
    std::vector<Control> controls;

    bool load()
    {
        std::ifstream in(file);
        controls.clear();
        for (std::string line; in && std::getline(in, line);) {
            std::vector<std::string> f;
            std::istringstream fields(line);
            for (std::string field; std::getline(fields, field, '|');)
                f.push_back(field);
            if (f.size() < 8)
                continue;
            Control c{f[0], std::stoi(f[1]), f[2] == "bool", std::stol(f[3]), std::stol(f[4]), f[5], f[6], {}};
            std::istringstream values(f[7]);
            for (long v; values >> v;)
                c.values.push_back(v);
            controls.push_back(c);
        }
        return bool(in.eof());
    }
    void save() const
    {
        std::ofstream out(file + ".new");
        for (const Control &c : controls) {
            out << c.name << '|' << c.index << '|' << (c.isBool ? "bool" : "int") << '|' << c.min << '|' << c.max << '|'
                << c.dbMin << '|' << c.dbMax << '|';
            for (long v : c.values)
                out << v << ' ';
            out << '\n';
        }
        out.close();
        std::rename((file + ".new").c_str(), file.c_str());
    }
};

Card *cardOf(snd_ctl_ext_t *ext) { return static_cast<Card *>(ext->private_data); }
// The control for a key, read afresh from the file; null when the card is gone.
Control *control(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key)
{
    Card *card = cardOf(ext);
    return card->load() && key < card->controls.size() ? &card->controls[key] : nullptr;
}

int count(snd_ctl_ext_t *ext) { return cardOf(ext)->load() ? int(cardOf(ext)->controls.size()) : -ENODEV; }

int list(snd_ctl_ext_t *ext, unsigned int offset, snd_ctl_elem_id_t *id)
{
    const Control *c = control(ext, offset);
    if (!c)
        return -ENODEV;
    snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
    snd_ctl_elem_id_set_name(id, c->name.c_str());
    snd_ctl_elem_id_set_index(id, unsigned(c->index));
    return 0;
}

snd_ctl_ext_key_t find(snd_ctl_ext_t *ext, const snd_ctl_elem_id_t *id)
{
    if (const unsigned numid = snd_ctl_elem_id_get_numid(id))
        return numid - 1;
    Card *card = cardOf(ext);
    card->load();
    for (size_t i = 0; i < card->controls.size(); ++i)
        if (card->controls[i].name == snd_ctl_elem_id_get_name(id) &&
            card->controls[i].index == int(snd_ctl_elem_id_get_index(id)))
            return i;
    return SND_CTL_EXT_KEY_NOT_FOUND;
}

int attribute(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, int *type, unsigned int *access, unsigned int *n)
{
    const Control *c = control(ext, key);
    if (!c)
        return -ENODEV;
    *type = c->isBool ? SND_CTL_ELEM_TYPE_BOOLEAN : SND_CTL_ELEM_TYPE_INTEGER;
    *access = SND_CTL_EXT_ACCESS_READWRITE |
              (c->dbMin == "-" ? 0 : SND_CTL_EXT_ACCESS_TLV_READ | SND_CTL_EXT_ACCESS_TLV_CALLBACK);
    *n = unsigned(c->values.size());
    return 0;
}

int integerInfo(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, long *min, long *max, long *step)
{
    const Control *c = control(ext, key);
    if (!c)
        return -ENODEV;
    *min = c->min;
    *max = c->max;
    *step = 0;
    return 0;
}

int readValues(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, long *values)
{
    const Control *c = control(ext, key);
    if (!c)
        return -ENODEV;
    std::copy(c->values.begin(), c->values.end(), values);
    return 0;
}

int writeValues(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, long *values)
{
    Control *c = control(ext, key);
    if (!c)
        return -ENODEV;
    std::copy(values, values + c->values.size(), c->values.begin());
    cardOf(ext)->save();
    return 1;
}

int tlv(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, int op, unsigned int, unsigned int *data, unsigned int size)
{
    const Control *c = control(ext, key);
    if (!c || op != 0 || size < 4 * sizeof(unsigned))
        return c ? -ENXIO : -ENODEV;
    data[0] = SND_CTL_TLVT_DB_MINMAX;
    data[1] = 2 * sizeof(unsigned);
    data[2] = unsigned(std::stoi(c->dbMin));
    data[3] = unsigned(std::stoi(c->dbMax));
    return 0;
}

void closeCard(snd_ctl_ext_t *ext) { delete cardOf(ext); }

int noEvent(snd_ctl_ext_t *, snd_ctl_elem_id_t *, unsigned int *) { return -EAGAIN; }

const snd_ctl_ext_callback_t kCallbacks = [] {
    snd_ctl_ext_callback_t c{};
    c.close = closeCard;
    c.elem_count = count;
    c.elem_list = list;
    c.find_elem = find;
    c.get_attribute = attribute;
    c.get_integer_info = integerInfo;
    c.read_integer = readValues;
    c.write_integer = writeValues;
    c.read_event = noEvent;
    return c;
}();

} // namespace

extern "C" SND_CTL_PLUGIN_DEFINE_FUNC(calder_test)
{
    (void)root;
    snd_config_t *cardConfig = nullptr;
    const char *card = nullptr;
    if (snd_config_search(conf, "card", &cardConfig) < 0 || snd_config_get_string(cardConfig, &card) < 0)
        return -EINVAL;
    const char *asound = getenv("CALDER_USB_ASOUND");
    auto *c = new Card;
    c->file = std::string(asound ? asound : "") + "/card" + card + "/controls";
    if (!c->load()) {
        delete c;
        return -ENODEV;
    }
    c->ext.version = SND_CTL_EXT_VERSION;
    c->ext.card_idx = std::atoi(card);
    snprintf(c->ext.id, sizeof c->ext.id, "Test%s", card);
    snprintf(c->ext.driver, sizeof c->ext.driver, "calder_test");
    snprintf(c->ext.name, sizeof c->ext.name, "Test card %s", card);
    snprintf(c->ext.longname, sizeof c->ext.longname, "Test card %s", card);
    snprintf(c->ext.mixername, sizeof c->ext.mixername, "Test mixer");
    c->ext.poll_fd = -1;
    c->ext.callback = &kCallbacks;
    c->ext.private_data = c;
    c->ext.tlv.c = tlv;
    const int error = snd_ctl_ext_create(&c->ext, name, mode);
    if (error < 0) {
        delete c;
        return error;
    }
    *handlep = c->ext.handle;
    return 0;
}

SND_CTL_PLUGIN_SYMBOL(calder_test);

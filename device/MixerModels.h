#pragma once
// The products the panel knows, by USB product id, described once: the service, the settings
// stores, the top bar and the pages read this table and nothing else to tell a mixer of the
// family and its model.
#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>

// The pages a device can have, in tab order. Their URLs and tab names are the view models'.
enum class Page { Status, AudioRouting, Ducker, Volume, BufferSettings, Info };

struct MixerModel
{
    uint32_t productId = 0;
    // The model's name, also the prefix of its settings groups ("Alto" -> "Alto/AudioRouting");
    // empty for a product that is no mixer of the family (it has no settings store).
    QString name;
    // The sources the computer's "Inputs 1+2" pair can be fed from, in the order of their stored
    // index; and those of "Inputs 3+4" on a model that has that pair. In English: the pages show
    // them through QCoreApplication::translate("MixerModels", ...).
    QStringList inputs12;
    QStringList inputs32;
    // How many of the inputs can trigger the ducker (their bits are 1, 2, 4, 8).
    int triggerInputs = 0;
    QVector<Page> pages;

    bool isMixer() const { return !name.isEmpty(); }
};

namespace MixerModels {
// The row of a product id; an id the table does not list gets the unknown-product row.
const MixerModel &forProduct(uint32_t productId);
// The row a device is treated as. The mixers' pages and settings send the family's vendor
// requests: another vendor's device with a mixer's product id is an unknown product.
const MixerModel &forDevice(uint32_t vendorId, uint32_t productId);
} // namespace MixerModels

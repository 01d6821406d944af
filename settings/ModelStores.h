#pragma once
// The store factory the communication service is given: the settings store of a model.
#include <QSharedPointer>

class IRegistryService;
struct MixerModel;

namespace ModelStores {
// A new store object of the model's class; null for a row that is no mixer of the family.
QSharedPointer<IRegistryService> create(const MixerModel &model);
} // namespace ModelStores

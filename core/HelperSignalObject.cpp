#include "core/HelperSignalObject.h"

HelperSignalObject::HelperSignalObject(QObject *parent) : QObject(parent) {}

#include "app/HelperSignalObject.h"

HelperSignalObject::HelperSignalObject(QObject *parent) : QObject(parent) {}

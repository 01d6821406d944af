#pragma once

// Assistive technology hears that a control is disabled. Qt 5's bridge for Qt Quick items reports
// only the states the attached Accessible object lists, and "disabled" is not among them: a
// disabled slider reads as one that can be moved. The factory installed here makes the same
// interface for every accessible item, plus the disabled state of a disabled item and an event
// when it changes. Install it after the QtQuick module has loaded (it installs Qt's own factory,
// and the later one is asked first) and before the first item is shown. Does nothing where Qt's
// private Quick headers were not available at build time.
void installAccessibleItems();

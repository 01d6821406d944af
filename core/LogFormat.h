#pragma once
// Every folder logs through a category of its own, "calder.<folder>", so that one folder's lines
// can be switched off (QT_LOGGING_RULES="calder.device.debug=false"). The lines themselves are
// part of the panel's behaviour and read as before the categories: the program installs this
// handler first thing, and it hands the lines of the calder.* categories on as lines of Qt's
// default category, which Qt prints without a category prefix. Lines of other categories pass
// unchanged.
void installLogFormat();

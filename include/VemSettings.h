#ifndef VEMSETTINGS_H
#define VEMSETTINGS_H

#include "VemMiscDefs.h"

#endif  // VEMSETTINGS_H

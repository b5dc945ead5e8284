#ifndef VEMPARAMS_H
#define VEMPARAMS_H

#include "VemMiscDefs.h"

#endif  // VEMPARAMS_H

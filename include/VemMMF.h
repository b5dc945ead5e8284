#ifndef VEMMMF_H
#define VEMMMF_H

#include "VemMiscDefs.h"

#endif  // VEMMMF_H

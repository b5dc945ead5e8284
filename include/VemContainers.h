#ifndef VEMCONTAINERS_H
#define VEMCONTAINERS_H

#include "VemMiscDefs.h"

#endif  // VEMCONTAINERS_H

#ifndef VEMMSGBOX_H
#define VEMMSGBOX_H

#include "VemMiscDefs.h"

#endif  // VEMMSGBOX_H

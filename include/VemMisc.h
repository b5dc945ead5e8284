// VemMisc: containers, a typed parameter storage, registry settings,
// file-backed memory blocks and a message box. Include this header for all.
#ifndef VEMMISC_INCLUDE_VEMMISC_H_
#define VEMMISC_INCLUDE_VEMMISC_H_

#include "VemContainers.h"
#include "VemMMF.h"
#include "VemMsgBox.h"
#include "VemParams.h"
#include "VemSettings.h"

#endif  // VEMMISC_INCLUDE_VEMMISC_H_

#include "tour.h"

// Written with its service.
void TourMessageBox() {}

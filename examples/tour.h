// The tour's chapters, one per service of the library.
#ifndef VEMMISC_EXAMPLES_TOUR_H
#define VEMMISC_EXAMPLES_TOUR_H

void TourParams();
void TourSettings();
void TourMemoryBlocks();
void TourMessageBox();

#endif  // VEMMISC_EXAMPLES_TOUR_H

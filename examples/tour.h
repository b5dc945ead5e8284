// The tour's chapters, one per service of the library. Pairs of lines
// "// [name]" in the chapters mark the excerpts the API reference quotes.
#ifndef VEMMISC_EXAMPLES_TOUR_H_
#define VEMMISC_EXAMPLES_TOUR_H_

void TourContainers();
void TourParams();
void TourSettings();
void TourMemoryBlocks();
void TourMessageBox();

#endif  // VEMMISC_EXAMPLES_TOUR_H_

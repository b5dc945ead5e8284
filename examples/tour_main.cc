// vemmisc_tour: shows what each service of VemMisc does, printing every step.
#include <cstdio>

#include "tour.h"

int main() {
  std::printf("VemMisc tour\n============\n\n");
  TourContainers();
  TourParams();
  TourSettings();
  TourMemoryBlocks();
  TourMessageBox();
  std::printf("\nEnd of the tour.\n");
  return 0;
}

// Tour chapter: settings kept in the registry from one run to the next.
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <string>

#include "VemSettings.h"
#include "tour.h"

namespace {

const char kSection[] = "Tour";

std::string Now() {
  const std::time_t now = std::time(nullptr);
  char text[64] = "an unknown time";
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", std::gmtime(&now));
  return text;
}

}  // namespace

void TourSettings() {
  std::printf("Registry settings\n-----------------\n");
  std::printf("Values live under HKEY_CURRENT_USER\\Software\\Tamrel\\VemTools\\%s.\n", kSection);
#if !defined(_WIN32)
  std::printf(
      "On Linux that is the library's registry hive in $VEMMISC_REGISTRY_DIR, or else\n"
      "in ${XDG_CONFIG_HOME:-$HOME/.config}/vemmisc/registry.\n");
#endif

  // [settings]
  SettingsManager settings;  // HKEY_CURRENT_USER\Software\Tamrel\VemTools by default

  int64_t gain = 0;
  std::string last_run;
  if (settings.GetParam(&gain, sizeof gain, kSection, "Gain", -1) &&
      settings.GetString(&last_run, kSection, "LastRun", -1)) {
    std::printf("Read Gain = %" PRId64 " (%u bytes), stored by the run of %s.\n", gain,
                settings.GetParamDataLen(kSection, "Gain", -1), last_run.c_str());
  } else {
    std::printf("Nothing was stored yet: this is the first run.\n");
  }

  // The next run reads what this one stores: the Gain value (one more each run).
  gain = gain == 0 ? 12 : gain + 1;
  const std::string now = Now();
  if (settings.SetParam(&gain, sizeof gain, kSection, "Gain", -1) &&
      settings.SetString(&now, kSection, "LastRun", -1)) {
    std::printf("Stored Gain = %" PRId64
                " and the time of this run; run the tour again to "
                "read them back.\n\n",
                gain);
  } else {
    std::printf("Could not store Gain: the registry refused the write.\n\n");
  }
  // [settings]
}

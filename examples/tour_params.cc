// The parameter storage: an owner declares one parameter of each type and
// registers its storage; a user-interface object finds it, listens to Gain
// and writes it: applied, vetoed, refused for its range, deferred, flushed.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "VemParams.h"
#include "tour.h"

namespace {

constexpr uint32_t kStorageId = 4711;

const char* TypeName(uint32_t type) {
  static const char* const names[] = {"integer", "boolean", "double", "string", "array"};
  return type <= PARAM_TYPE_ARRAY ? names[type] : "unknown";
}

// The owner's callbacks. The owner refuses the value 13 and keeps the gain
// it applied last.
int64_t g_appliedGain = 0;

int32_t OwnerBeforeSet(uint32_t id, _VemStParam* param, void* value, uint32_t size) {
  int64_t gain;
  std::memcpy(&gain, value, sizeof(gain));
  std::printf("    owner pfnBeforeSet(storage %u, %s, new value %" PRId64 ", size %u)%s\n", id, param->name, gain, size,
              gain == 13 ? ": refused" : "");
  return gain == 13 ? 13 : 0;
}

int32_t OwnerAfterSet(uint32_t id, _VemStParam* param) {
  g_appliedGain = param->intVal.current;
  std::printf("    owner pfnAfterSet(storage %u, %s): the owner now uses %" PRId64 "\n", id, param->name,
              g_appliedGain);
  return 0;
}

class GainSlider : public VemParamListener {
 public:
  int32_t OnParamChanged(_VemStParam* param) override {
    std::printf("    slider OnParamChanged(copy of %s = %" PRId64 ")\n", param->name, param->intVal.current);
    return 0;
  }
};

void Declare(VemParamStorage* storage, _VemStParam* param, const char* name, uint32_t type) {
  std::snprintf(param->name, sizeof(param->name), "%s", name);
  param->type = type;
  const int32_t result = storage->AddParam(param);
  std::printf("  AddParam(%s, %s) -> %d\n", name, TypeName(type), result);
}

void Result(const char* what, int32_t result) { std::printf("  -> %s returned %d\n", what, result); }

}  // namespace

void TourParams() {
  std::printf("Parameter storage\n-----------------\n");
  // [declare]
  VemParamStorage owner(kStorageId);
  std::printf("Created a storage with identifier %u.\n", kStorageId);

  _VemStParam gain;
  gain.intVal.initial = 3;
  gain.intVal.min = 0;
  gain.intVal.max = 20;
  gain.pfnBeforeSet = OwnerBeforeSet;
  gain.pfnAfterSet = OwnerAfterSet;
  Declare(&owner, &gain, "Gain", PARAM_TYPE_INT);
  // [declare]
  _VemStParam mute;
  mute.boolVal.initial = true;
  Declare(&owner, &mute, "Mute", PARAM_TYPE_BOOL);
  _VemStParam pan;
  pan.floatVal.initial = -0.25;
  pan.floatVal.min = -1;
  pan.floatVal.max = 1;
  Declare(&owner, &pan, "Pan", PARAM_TYPE_FLOAT);
  _VemStParam title;
  title.strVal.initial = "Lead vocal";
  Declare(&owner, &title, "Title", PARAM_TYPE_STRING);
  _VemStParam curve;
  const unsigned char points[4] = {0, 64, 128, 255};
  curve.arrVal.initial = points;
  curve.arrVal.initialSize = sizeof(points);
  Declare(&owner, &curve, "Curve", PARAM_TYPE_ARRAY);

  std::printf("Reading the records back (GetParametersList):\n");
  _VemStParam records[5];
  uint32_t count = 5;
  owner.GetParametersList(records, &count);
  for (uint32_t i = 0; i < count; ++i) {
    const _VemStParam& r = records[i];
    std::printf("  %-5s %-7s = ", r.name, TypeName(r.type));
    switch (r.type) {
      case PARAM_TYPE_INT:
        std::printf("%" PRId64 " in [%" PRId64 ", %" PRId64 "]\n", r.intVal.current, r.intVal.min, r.intVal.max);
        break;
      case PARAM_TYPE_BOOL: std::printf("%s\n", r.boolVal.current ? "true" : "false"); break;
      case PARAM_TYPE_FLOAT: std::printf("%g in [%g, %g]\n", r.floatVal.current, r.floatVal.min, r.floatVal.max); break;
      case PARAM_TYPE_STRING: std::printf("\"%s\"\n", r.strVal.current); break;
      default:
        std::printf("%u bytes:", r.arrVal.size);
        for (uint32_t b = 0; b < r.arrVal.size; ++b) {
          std::printf(" %u", static_cast<const unsigned char*>(r.arrVal.current)[b]);
        }
        std::printf("\n");
    }
  }

  // [use]
  VemParamStorage::AddStorage(kStorageId, &owner);
  std::printf("Registered the storage (AddStorage).\n");

  // From here on, the user-interface side: it knows only the identifier.
  VemParamStorage* found = VemParamStorage::GetStorage(kStorageId);
  std::printf("GetStorage(%u) found %s.\n", kStorageId, found == &owner ? "the owner's storage" : "nothing");
  if (found == nullptr) return;
  GainSlider slider;
  Result("AddParamChangedListener(Gain, slider)", found->AddParamChangedListener("Gain", &slider));

  std::printf("SetParamInt(Gain, 12, notify):\n");
  Result("SetParamInt", found->SetParamInt("Gain", 12, true));
  std::printf("SetParamInt(Gain, 13, notify):\n");
  Result("SetParamInt", found->SetParamInt("Gain", 13, true));
  std::printf("SetParamInt(Gain, 25, notify):\n");
  Result("SetParamInt", found->SetParamInt("Gain", 25, true));
  std::printf("  (-7002: 25 lies outside 0..20; the owner saw it first)\n");
  std::printf("SetParamInt(Gain, 8, deferred) and SetParamInt(Gain, 9, deferred):\n");
  Result("SetParamInt", found->SetParamInt("Gain", 8, false));
  Result("SetParamInt", found->SetParamInt("Gain", 9, false));
  std::printf("  the owner still uses %" PRId64 "\n", g_appliedGain);
  std::printf("UpdateToObject (each deferred write applied with the latest value):\n");
  Result("UpdateToObject", found->UpdateToObject());
  int64_t now = 0;
  found->GetParamInt("Gain", &now);
  std::printf("GetParamInt(Gain) -> %" PRId64 "\n", now);
  // [use]

  found->RemoveParamChangedListener("Gain", &slider);
  // The registry never deletes a storage; this one ends with the chapter.
  VemParamStorage::s_storages.Remove(static_cast<int32_t>(kStorageId));
  std::printf("\n");
}

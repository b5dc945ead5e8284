// Tour chapter: the containers the parameter storage is built on, used
// directly. A table of objects keyed by the hash of their names, walked in
// its fixed order, and a vector of pointers to the same objects.
#include <cinttypes>
#include <cstdio>

#include "VemContainers.h"
#include "tour.h"

namespace {

struct Channel {
  const char* name;
  int64_t gain;
};

}  // namespace

void TourContainers() {
  std::printf("Containers\n----------\n");
  Channel channels[] = {{"Vocal", 12}, {"Guitar", 7}, {"Drums", 9}};

  // [table]
  THashtable<Channel> byName;  // 151 buckets, grown when three quarters full
  for (Channel& channel : channels) byName.Put(GenerateID(channel.name), &channel);
  const Channel* guitar = byName.Get(GenerateID("Guitar"));
  std::printf("GenerateID(\"Guitar\") = %d finds %s at gain %" PRId64 ".\n", GenerateID("Guitar"), guitar->name,
              guitar->gain);
  std::printf("Get of a name never put returns %s.\n", byName.Get(GenerateID("Bass")) == nullptr ? "null" : "a value");

  std::printf("Enumerating the %d entries (highest bucket first):\n", byName.Size());
  CHtEnumerator it(&byName);
  while (it.HasMoreElements()) {
    int32_t key = 0;
    const auto* channel = static_cast<Channel*>(it.NextElement(&key));
    std::printf("  key %11d  %s\n", key, channel->name);
  }
  // [table]

  // [vector]
  TVector<Channel> loud;  // capacity 16, grows by half when full
  for (Channel& channel : channels) {
    if (channel.gain > 8) loud.AddElement(&channel);
  }
  std::printf("A TVector of the channels above gain 8 holds %d:", loud.GetSize());
  for (int32_t i = 0; i < loud.GetSize(); ++i) std::printf(" %s", loud.GetElement(i)->name);
  std::printf("; index 5 gives %s.\n", loud.GetElement(5) == nullptr ? "null" : "an element");
  // [vector]
  std::printf("The containers never own what their pointers point to.\n\n");
}

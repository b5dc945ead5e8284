// File-backed blocks: VTAllocMMF + one write per page + VTFreeMMF, side by
// side with the floor, the bare system calls that any such block needs
// (open, posix_fallocate, mmap, the same writes, munmap, close, unlink),
// written inline here. Both work in the same temporary directory; its file
// system type is printed in the context, since it decides most of the cost.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "VemMMF.h"

namespace {

constexpr std::size_t kPage = 4096;

std::string TemporaryDirectory() {
  const char* variable = std::getenv("TMPDIR");
  return (variable != nullptr && variable[0] == '/') ? variable : "/tmp";
}

std::string FileSystemType(const std::string& directory) {
  struct statfs info;
  if (statfs(directory.c_str(), &info) != 0) return "unknown";
  switch (static_cast<unsigned long>(info.f_type)) {
    case 0xEF53: return "ext4 (or ext2/ext3)";
    case 0x01021994: return "tmpfs";
    case 0x58465342: return "xfs";
    case 0x9123683E: return "btrfs";
    case 0x794C7630: return "overlayfs";
    default: {
      char hex[32];
      std::snprintf(hex, sizeof hex, "magic 0x%lx", static_cast<unsigned long>(info.f_type));
      return hex;
    }
  }
}

void TouchPages(unsigned char* bytes, std::size_t size) {
  for (std::size_t offset = 0; offset < size; offset += kPage) bytes[offset] = static_cast<unsigned char>(offset);
  benchmark::ClobberMemory();
}

void BM_VTAllocMMF(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    auto* bytes = static_cast<unsigned char*>(VTAllocMMF(size));
    if (bytes == nullptr) {
      state.SkipWithError("VTAllocMMF failed");
      break;
    }
    TouchPages(bytes, size);
    VTFreeMMF(bytes);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
}

void BM_BareSystemCalls(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::string prefix = TemporaryDirectory() + "/~mfbench" + std::to_string(getpid()) + "-";
  std::uint64_t number = 0;
  for (auto _ : state) {
    const std::string path = prefix + std::to_string(++number);
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    void* view = MAP_FAILED;
    if (fd >= 0 && posix_fallocate(fd, 0, static_cast<off_t>(size)) == 0) {
      view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    }
    if (view == MAP_FAILED) {
      if (fd >= 0) close(fd);
      unlink(path.c_str());
      state.SkipWithError("bare block failed");
      break;
    }
    TouchPages(static_cast<unsigned char*>(view), size);
    munmap(view, size);
    close(fd);
    unlink(path.c_str());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
}

}  // namespace

int main(int argc, char** argv) {
  const std::string directory = TemporaryDirectory();
  benchmark::AddCustomContext("temporary_directory", directory);
  benchmark::AddCustomContext("temporary_directory_fs", FileSystemType(directory));
  // Each size runs the floor and then the library right after it, so that a
  // busy machine weighs on both alike.
  for (const int64_t size : {int64_t{4} << 10, int64_t{1} << 20, int64_t{64} << 20}) {
    benchmark::RegisterBenchmark("BM_BareSystemCalls", BM_BareSystemCalls)->Arg(size)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("BM_VTAllocMMF", BM_VTAllocMMF)->Arg(size)->Unit(benchmark::kMicrosecond);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

// Blocks on POSIX systems: a file "~mf<pid>-<hex number>.tmp" in $TMPDIR (when
// it is an absolute path) or /tmp, fully reserved on disk and mapped shared.
//
// The process id in the name keeps processes from competing for names, and
// the never-wrapping counter keeps one process from repeating one. A file of
// that name can only be left over from a dead process that had the same id;
// it is reused if it is a plain file of ours that no live block holds. A live
// block holds an exclusive flock on its file for as long as it lives.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <utility>

#include "mmf/mmf_block.h"

namespace vem {
namespace {

constexpr int kOpenFlags = O_RDWR | O_NOFOLLOW | O_CLOEXEC;

// $TMPDIR when it is absolute, otherwise /tmp; without trailing slashes.
std::string TemporaryDirectory() {
  const char* variable = std::getenv("TMPDIR");
  std::string directory = (variable != nullptr && variable[0] == '/') ? variable : "/tmp";
  while (directory.size() > 1 && directory.back() == '/') directory.pop_back();
  if (directory == "/") directory.clear();
  return directory;
}

std::string BlockFilePath(BlockCounter number) {
  char name[64];
  std::snprintf(name, sizeof name, "/~mf%" PRIdMAX "-%" PRIx64 ".tmp", static_cast<intmax_t>(getpid()), number);
  return TemporaryDirectory() + name;
}

// Takes a file left at `path` by a dead process: it must be a regular file of
// this user with no other name (so truncating it destroys nothing else), and
// no live block may hold its lock. Returns its descriptor, emptied, or -1.
int ReuseLeftoverFile(const char* path) {
  const int fd = open(path, kOpenFlags | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return -1;  // includes ELOOP: a symbolic link is never followed
  struct stat status;
  const bool usable = fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == geteuid() &&
                      status.st_nlink == 1 && flock(fd, LOCK_EX | LOCK_NB) == 0 && ftruncate(fd, 0) == 0;
  if (!usable) {
    close(fd);
    return -1;
  }
  return fd;
}

// Opens the block's file, new or reused, locked. Returns -1, with nothing
// created, when neither is possible.
int OpenBlockFile(const char* path) {
  const int fd = open(path, kOpenFlags | O_CREAT | O_EXCL, 0600);
  if (fd < 0) return errno == EEXIST ? ReuseLeftoverFile(path) : -1;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    unlink(path);
    close(fd);
    return -1;
  }
  return fd;
}

class PosixBlock final : public MMFBlock {
 public:
  PosixBlock(std::string path, std::uint64_t size) : path_(std::move(path)), size_(size) {}

  // Creates (or reuses) the file, reserves its bytes and maps it. False,
  // with nothing left behind, when the system refuses.
  bool Open() {
    fd_ = OpenBlockFile(path_.c_str());
    if (fd_ < 0) return false;
    // Reserving every byte now means a full file system fails this call
    // instead of raising SIGBUS later, when the caller writes into the block.
    void* view = MAP_FAILED;
    if (posix_fallocate(fd_, 0, static_cast<off_t>(size_)) == 0) {
      view = mmap(nullptr, static_cast<std::size_t>(size_), PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    }
    if (view == MAP_FAILED) {
      unlink(path_.c_str());  // while still locked, so nobody can have taken it meanwhile
      close(fd_);
      return false;
    }
    view_ = view;
    return true;
  }

  void* view() const override { return view_; }

  void Release() noexcept override {
    munmap(view_, static_cast<std::size_t>(size_));
    close(fd_);
    // A forked child shares the file with its parent; it only lets go of its
    // own mapping and descriptor, and the file stays for the parent.
    if (creator_ == getpid()) unlink(path_.c_str());
  }

 private:
  const std::string path_;  // full path of the backing file
  const std::uint64_t size_;
  const pid_t creator_ = getpid();  // only this process deletes the file
  int fd_ = -1;                     // the open, locked file
  void* view_ = nullptr;
};

}  // namespace

std::unique_ptr<MMFBlock> MMFBlock::Create(std::uint64_t size, BlockCounter& counter) {
  // The file length is an off_t and the view length a size_t.
  constexpr std::uint64_t kLargest =
      std::min<std::uint64_t>(std::numeric_limits<off_t>::max(), std::numeric_limits<std::size_t>::max());
  if (size == 0 || size > kLargest) return nullptr;
  // The record is made before the file, so running out of memory leaves none.
  auto block = std::make_unique<PosixBlock>(BlockFilePath(counter++), size);
  if (!block->Open()) return nullptr;
  return block;
}

}  // namespace vem

#include "runtime/settings/IniFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "runtime/core/NativePath.h"
#include "runtime/core/RuntimeError.h"
#include "runtime/core/RuntimeErrorCode.h"
#include "runtime/settings/IniText.h"
#include "runtime/text/Utf8.h"

namespace runtime::settings {
namespace {

using runtime::core::NativePath;
using runtime::core::RuntimeError;
using runtime::core::RuntimeErrorCode;

constexpr mode_t NewFileMode = 0666;  // narrowed by the umask, like any new file
constexpr mode_t AnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;
constexpr mode_t PermissionBits = 07777;
constexpr size_t ReadChunk = 64 * 1024;

// ---- text helpers -------------------------------------------------------------

std::string_view Trim(std::string_view text) { return IniText::Trim(text); }

// At most `limit` bytes of `text`, backing off so no UTF-8 character is split.
std::string CutUtf8(std::string_view text, size_t limit) {
  return std::string(runtime::text::Utf8::Prefix(text, limit));
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// ---- system calls -------------------------------------------------------------

// Records a failed system call in the thread's RuntimeError.
void SetSystemError(int error) { RuntimeError::SetSystem(error); }

class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : Fd(fd) {}
  ~Descriptor() { Close(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return Fd; }
  bool Valid() const { return Fd >= 0; }
  void Reset(int fd) {
    Close();
    Fd = fd;
  }
  // Returns the close result (a late write error can show up here).
  int Close() {
    const int result = Fd >= 0 ? ::close(Fd) : 0;
    Fd = -1;
    return result;
  }

 private:
  int Fd;
};

int OpenRetrying(const std::string& path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

enum class ReadOutcome { Read, Missing, Failed };

// Reads the whole regular file at `path`; `error` holds errno on Failed.
ReadOutcome ReadWhole(const std::string& path, std::string& content, struct stat& info, int& error) {
  Descriptor fd(OpenRetrying(path, O_RDONLY));
  if (!fd.Valid()) {
    error = errno;
    return error == ENOENT ? ReadOutcome::Missing : ReadOutcome::Failed;
  }
  if (::fstat(fd.Get(), &info) != 0) {
    error = errno;
    return ReadOutcome::Failed;
  }
  if (!S_ISREG(info.st_mode)) {
    error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    return ReadOutcome::Failed;
  }
  content.clear();
  char buffer[ReadChunk];
  for (;;) {
    const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      error = errno;
      return ReadOutcome::Failed;
    }
    if (got == 0) break;
    content.append(buffer, static_cast<size_t>(got));
  }
  return ReadOutcome::Read;
}

bool WriteAll(int fd, const std::string& content) {
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t put = ::write(fd, content.data() + done, content.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      if (put == 0) errno = EIO;
      return false;
    }
    done += static_cast<size_t>(put);
  }
  return true;
}

// The file a write must replace: a link is followed so the link itself survives.
std::string TargetPath(std::string_view fileName) {
  std::string path = NativePath::Map(fileName);
  struct stat info{};
  if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr) path = resolved;
  }
  return path;
}

// One mutex per file for the threads of this process (flock alone would do, but the
// mutex keeps threads from queueing inside the kernel and documents the intent).
std::mutex& PathMutex(const std::string& path) {
  static std::mutex registryMutex;
  static std::map<std::string, std::unique_ptr<std::mutex>> registry;
  std::error_code ec;
  std::filesystem::path key = std::filesystem::absolute(path, ec);
  const std::string keyText = ec ? path : key.lexically_normal().string();
  std::lock_guard<std::mutex> lock(registryMutex);
  std::unique_ptr<std::mutex>& slot = registry[keyText];
  if (!slot) slot = std::make_unique<std::mutex>();
  return *slot;
}

// Exclusive flock on the folder that holds the file, for the other processes writing
// it. The folder outlives every replacement of the file (a lock on the file itself
// would stay on the replaced copy), and locking it leaves no file of ours behind.
class FolderLock {
 public:
  bool Acquire(const std::string& path) {
    const int fd = OpenRetrying(NativePath::Folder(path), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    Fd.Reset(fd);
    int result;
    do {
      result = ::flock(Fd.Get(), LOCK_EX);
    } while (result != 0 && errno == EINTR);
    return result == 0;
  }
  // Closing the descriptor releases the lock.

 private:
  Descriptor Fd;
};

std::atomic<unsigned> TemporaryCounter{0};

// Writes `content` to a new file beside `path`, flushes it and renames it over `path`.
bool ReplaceFile(const std::string& path, const std::string& content, const struct stat* old) {
  const std::string folder = NativePath::Folder(path);
  const std::string temporary = folder + "/." + NativePath::Leaf(path) + "." + std::to_string(::getpid()) +
                                "." + std::to_string(TemporaryCounter.fetch_add(1)) + ".tmp";
  Descriptor fd(OpenRetrying(temporary, O_WRONLY | O_CREAT | O_EXCL | O_TRUNC, NewFileMode));
  if (!fd.Valid()) {
    SetSystemError(errno);
    return false;
  }
  bool ok = WriteAll(fd.Get(), content) && ::fsync(fd.Get()) == 0;
  if (ok && old != nullptr) ok = ::fchmod(fd.Get(), old->st_mode & PermissionBits) == 0;
  int error = ok ? 0 : errno;
  if (fd.Close() != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    ::unlink(temporary.c_str());
    SetSystemError(error);
    return false;
  }
  // The rename itself must reach the disk too, or a crash could bring the old file back.
  Descriptor dir(OpenRetrying(folder, O_RDONLY | O_DIRECTORY));
  if (dir.Valid()) ::fsync(dir.Get());
  return true;
}

bool NamesUsable(std::string_view section, std::string_view entry) {
  const std::string_view s = Trim(section);
  const std::string_view e = Trim(entry);
  if (s.empty() || e.empty() || HasLineBreak(section) || HasLineBreak(entry)) return false;
  if (s.find(']') != std::string_view::npos) return false;
  if (e.find('=') != std::string_view::npos) return false;
  return e.front() != ';' && e.front() != '#' && e.front() != '[';
}

void RefuseInput(std::string_view why) {
  RuntimeError::Set(RuntimeErrorCode::DriverError);
  RuntimeError::SetFile(std::to_string(EINVAL), std::string(why));
}

bool Usable(const IniFile::Change& change) {
  if (!NamesUsable(change.Section, change.Entry)) {
    RefuseInput("Invalid INI section or entry name");
    return false;
  }
  if (HasLineBreak(change.Value)) {
    RefuseInput("Line break in an INI value");
    return false;
  }
  return true;
}

// Identity of a stored file version: a write replaces the file, so a new version
// has another inode or another change time.
struct Version {
  dev_t Device = 0;
  ino_t Inode = 0;
  off_t Size = 0;
  timespec Changed{};
  timespec Modified{};
  bool operator==(const Version& o) const {
    return Device == o.Device && Inode == o.Inode && Size == o.Size && Changed.tv_sec == o.Changed.tv_sec &&
           Changed.tv_nsec == o.Changed.tv_nsec && Modified.tv_sec == o.Modified.tv_sec &&
           Modified.tv_nsec == o.Modified.tv_nsec;
  }
  static Version Of(const struct stat& info) {
    return {info.st_dev, info.st_ino, info.st_size, info.st_ctim, info.st_mtim};
  }
};

// The parsed text of each file last read, so a run of reads parses a file once.
// Writes never use it: they read the file afresh under the locks.
class ReadCache {
 public:
  std::shared_ptr<const IniText> Get(const std::string& path) {
    struct stat info{};
    if (::stat(path.c_str(), &info) != 0) return nullptr;
    {
      std::lock_guard<std::mutex> lock(Mutex);
      auto found = Files.find(path);
      if (found != Files.end() && found->second.Stored == Version::Of(info)) return found->second.Text;
    }
    std::string content;
    int error = 0;
    if (ReadWhole(path, content, info, error) != ReadOutcome::Read) return nullptr;
    auto text = std::make_shared<const IniText>(content);
    std::lock_guard<std::mutex> lock(Mutex);
    if (Files.size() >= MaxFiles) Files.clear();
    Files[path] = Entry{Version::Of(info), text};
    return text;
  }

 private:
  static constexpr size_t MaxFiles = 16;
  struct Entry {
    Version Stored;
    std::shared_ptr<const IniText> Text;
  };
  std::mutex Mutex;
  std::map<std::string, Entry> Files;
};

ReadCache& Cache() {
  static ReadCache cache;
  return cache;
}

std::optional<std::string> Lookup(std::string_view fileName, std::string_view section, std::string_view entry) {
  const std::shared_ptr<const IniText> text = Cache().Get(NativePath::Map(fileName));
  if (!text) return std::nullopt;
  const std::optional<std::string_view> value = text->Find(Trim(section), Trim(entry));
  if (!value) return std::nullopt;
  return std::string(*value);
}

}  // namespace

std::string IniFile::Read(std::string_view fileName, std::string_view section, std::string_view entry,
                          std::string_view defaultValue) {
  const std::optional<std::string> value = Lookup(fileName, section, entry);
  return CutUtf8(value ? std::string_view(*value) : defaultValue, MaxValueLength);
}

bool IniFile::Has(std::string_view fileName, std::string_view section, std::string_view entry) {
  return Lookup(fileName, section, entry).has_value();
}

bool IniFile::Write(std::string_view fileName, std::string_view section, std::string_view entry,
                    std::string_view value) {
  const Change change{std::string(section), std::string(entry), std::string(value), ChangeKind::Set};
  return Apply(fileName, std::span<const Change>(&change, 1));
}

bool IniFile::Delete(std::string_view fileName, std::string_view section, std::string_view entry) {
  const Change change{std::string(section), std::string(entry), {}, ChangeKind::Remove};
  return Apply(fileName, std::span<const Change>(&change, 1));
}

bool IniFile::Apply(std::string_view fileName, std::span<const Change> changes) {
  for (const Change& c : changes) {
    if (!Usable(c)) return false;
  }
  // Removing what is not there needs no lock and no new file (and works in a
  // read-only folder).
  bool anyEffect = false;
  for (const Change& c : changes) anyEffect = anyEffect || c.Kind == ChangeKind::Set || Has(fileName, c.Section, c.Entry);
  if (!anyEffect) {
    RuntimeError::Clear();
    return true;
  }
  const std::string path = TargetPath(fileName);
  std::lock_guard<std::mutex> threads(PathMutex(path));
  FolderLock processes;
  if (!processes.Acquire(path)) {
    SetSystemError(errno);
    return false;
  }

  std::string content;
  struct stat info{};
  int error = 0;
  const ReadOutcome outcome = ReadWhole(path, content, info, error);
  if (outcome == ReadOutcome::Failed) {
    SetSystemError(error);  // never replace what we could not read: it would be lost
    return false;
  }
  const bool existed = outcome == ReadOutcome::Read;
  // A read-only file stays as it is, even where the folder would allow replacing it.
  if (existed && (::access(path.c_str(), W_OK) != 0 || (info.st_mode & AnyWriteBit) == 0)) {
    RuntimeError::Set(RuntimeErrorCode::AccessDenied);
    return false;
  }

  IniText text(content);
  bool changed = false;
  for (const Change& c : changes) {
    if (c.Kind == ChangeKind::Set) {
      const std::optional<std::string_view> stored = text.Find(Trim(c.Section), Trim(c.Entry));
      if (stored && *stored == Trim(c.Value)) continue;
      text.Set(Trim(c.Section), Trim(c.Entry), Trim(c.Value));
      changed = true;
    } else {
      changed = text.Remove(Trim(c.Section), Trim(c.Entry)) || changed;
    }
  }
  if (changed && !ReplaceFile(path, text.Join(), existed ? &info : nullptr)) return false;
  RuntimeError::Clear();
  return true;
}

}  // namespace runtime::settings

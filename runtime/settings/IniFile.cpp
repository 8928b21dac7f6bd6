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

std::string_view Trim(std::string_view text) {
  const char* blanks = " \t\r\f\v";
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

// At most `limit` bytes of `text`, backing off so no UTF-8 character is split.
std::string CutUtf8(std::string_view text, size_t limit) {
  if (text.size() <= limit) return std::string(text);
  size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return std::string(text.substr(0, end));
}

bool ParseSection(std::string_view line, std::string_view& name) {
  const std::string_view t = Trim(line);
  if (t.empty() || t.front() != '[') return false;
  const size_t close = t.find(']');
  if (close == std::string_view::npos) return false;
  name = Trim(t.substr(1, close - 1));
  return true;
}

bool ParseEntry(std::string_view line, std::string_view& key, std::string_view& value) {
  const std::string_view t = Trim(line);
  if (t.empty() || t.front() == ';' || t.front() == '#' || t.front() == '[') return false;
  const size_t eq = t.find('=');
  if (eq == std::string_view::npos) return false;
  key = Trim(t.substr(0, eq));
  if (key.empty()) return false;
  value = Trim(t.substr(eq + 1));
  return true;
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// ---- the file as lines --------------------------------------------------------

struct Lines {
  std::vector<std::string> Text;  // without the "\n"; a CRLF file keeps its "\r"
  bool CrLf = false;              // new lines follow the file's own line ends

  void Parse(const std::string& content) {
    size_t start = 0;
    while (start < content.size()) {
      size_t end = content.find('\n', start);
      if (end == std::string::npos) end = content.size();
      Text.emplace_back(content, start, end - start);
      start = end + 1;
    }
    CrLf = !Text.empty() && !Text.front().empty() && Text.front().back() == '\r';
  }
  std::string Join() const {
    std::string out;
    for (const std::string& line : Text) {
      out += line;
      out += '\n';
    }
    return out;
  }
  std::string Make(std::string_view text) const {
    std::string line(text);
    if (CrLf) line += '\r';
    return line;
  }
};

// The value of the first matching entry, if any.
std::optional<std::string> Find(const Lines& lines, std::string_view section, std::string_view entry) {
  bool inSection = false;
  for (const std::string& line : lines.Text) {
    std::string_view name, key, value;
    if (ParseSection(line, name)) {
      inSection = EqualNoCase(name, section);
    } else if (inSection && ParseEntry(line, key, value) && EqualNoCase(key, entry)) {
      return std::string(value);
    }
  }
  return std::nullopt;
}

// Sets the first matching entry, or adds it at the end of the first matching section
// (after its last non-blank line), or adds the section at the end of the file.
void SetEntry(Lines& lines, std::string_view section, std::string_view entry, std::string_view value) {
  const std::string newLine = lines.Make(std::string(entry) + "=" + std::string(value));
  bool inSection = false;
  bool inFirstSection = false;
  bool sawSection = false;
  size_t insertAt = 0;
  for (size_t i = 0; i < lines.Text.size(); ++i) {
    std::string_view name, key, old;
    if (ParseSection(lines.Text[i], name)) {
      inSection = EqualNoCase(name, section);
      inFirstSection = inSection && !sawSection;
      if (inFirstSection) {
        sawSection = true;
        insertAt = i + 1;
      }
      continue;
    }
    if (!inSection) continue;
    if (ParseEntry(lines.Text[i], key, old) && EqualNoCase(key, entry)) {
      lines.Text[i] = newLine;
      return;
    }
    if (inFirstSection && !Trim(lines.Text[i]).empty()) insertAt = i + 1;
  }
  if (sawSection) {
    lines.Text.insert(lines.Text.begin() + static_cast<std::ptrdiff_t>(insertAt), newLine);
    return;
  }
  if (!lines.Text.empty() && !Trim(lines.Text.back()).empty()) lines.Text.push_back(lines.Make(""));
  lines.Text.push_back(lines.Make("[" + std::string(section) + "]"));
  lines.Text.push_back(newLine);
}

// Removes every matching entry; false when there was none.
bool RemoveEntry(Lines& lines, std::string_view section, std::string_view entry) {
  bool inSection = false;
  bool removed = false;
  std::vector<std::string> kept;
  kept.reserve(lines.Text.size());
  for (std::string& line : lines.Text) {
    std::string_view name, key, value;
    if (ParseSection(line, name)) {
      inSection = EqualNoCase(name, section);
    } else if (inSection && ParseEntry(line, key, value) && EqualNoCase(key, entry)) {
      removed = true;
      continue;
    }
    kept.push_back(std::move(line));
  }
  lines.Text = std::move(kept);
  return removed;
}

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

// Exclusive flock on "<path>.lock" for the other processes writing the same file.
class FileLock {
 public:
  bool Acquire(const std::string& path) {
    const std::string lockPath = path + ".lock";
    int fd = OpenRetrying(lockPath, O_RDWR | O_CREAT, NewFileMode);
    if (fd < 0 && (errno == EACCES || errno == EROFS)) fd = OpenRetrying(lockPath, O_RDONLY);
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

enum class Change { Set, Remove };

// The locked read-modify-write shared by Write and Delete.
bool Modify(std::string_view fileName, std::string_view section, std::string_view entry,
            std::string_view value, Change change) {
  if (!NamesUsable(section, entry)) {
    RefuseInput("Invalid INI section or entry name");
    return false;
  }
  if (HasLineBreak(value)) {
    RefuseInput("Line break in an INI value");
    return false;
  }
  // Nothing to remove needs no lock and no new file (and works in a read-only folder).
  if (change == Change::Remove && !IniFile::Has(fileName, section, entry)) {
    RuntimeError::Clear();
    return true;
  }
  const std::string path = TargetPath(fileName);
  std::lock_guard<std::mutex> threads(PathMutex(path));
  FileLock processes;
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

  Lines lines;
  lines.Parse(content);
  const std::string_view s = Trim(section);
  const std::string_view e = Trim(entry);
  if (change == Change::Set) {
    SetEntry(lines, s, e, Trim(value));
  } else if (!RemoveEntry(lines, s, e)) {
    RuntimeError::Clear();
    return true;
  }
  if (!ReplaceFile(path, lines.Join(), existed ? &info : nullptr)) return false;
  RuntimeError::Clear();
  return true;
}

std::optional<std::string> Lookup(std::string_view fileName, std::string_view section, std::string_view entry) {
  std::string content;
  struct stat info{};
  int error = 0;
  if (ReadWhole(NativePath::Map(fileName), content, info, error) != ReadOutcome::Read) return std::nullopt;
  Lines lines;
  lines.Parse(content);
  return Find(lines, Trim(section), Trim(entry));
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
  return Modify(fileName, section, entry, value, Change::Set);
}

bool IniFile::Delete(std::string_view fileName, std::string_view section, std::string_view entry) {
  return Modify(fileName, section, entry, {}, Change::Remove);
}

}  // namespace runtime::settings

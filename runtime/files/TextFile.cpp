#include "runtime/files/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "runtime/core/NativePath.h"
#include "runtime/core/RuntimeError.h"
#include "runtime/core/RuntimeErrorCode.h"

namespace runtime::files {
namespace {

using runtime::core::NativePath;
using runtime::core::RuntimeError;
using runtime::core::RuntimeErrorCode;

constexpr uint8_t AccessMask = 0x0F;
constexpr uint8_t AccessRead = 0;
constexpr uint8_t AccessWrite = 1;
constexpr uint8_t AccessReadWrite = 2;
constexpr mode_t NewFileMode = 0666;  // narrowed by the umask
constexpr size_t ReadChunk = 16 * 1024;

bool Fail(int error) {
  RuntimeError::SetSystem(error);
  return false;
}

bool FailWith(int32_t code) {
  RuntimeError::Set(code);
  return false;
}

bool Succeed() {
  RuntimeError::Clear();
  return true;
}

int OpenRetrying(const std::string& path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool CanRead(uint8_t mode) {
  const uint8_t access = mode & AccessMask;
  return access == AccessRead || access == AccessReadWrite;
}

bool CanWrite(uint8_t mode) {
  const uint8_t access = mode & AccessMask;
  return access == AccessWrite || access == AccessReadWrite;
}

}  // namespace

TextFile::TextFile(std::string name) : FileName(std::move(name)) {}

TextFile::~TextFile() {
  if (Fd >= 0) ::close(Fd);
}

bool TextFile::Exists() const {
  struct stat info{};
  return ::stat(NativePath::Map(FileName).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool TextFile::Create() {
  const int fd = OpenRetrying(NativePath::Map(FileName), O_WRONLY | O_CREAT | O_TRUNC, NewFileMode);
  if (fd < 0) return Fail(errno);
  ::close(fd);
  return Succeed();
}

bool TextFile::Open(uint8_t mode) {
  if (Fd >= 0) return FailWith(RuntimeErrorCode::AlreadyOpen);
  int flags;
  switch (mode & AccessMask) {
    case AccessRead: flags = O_RDONLY; break;
    // Every write goes to the end of the file at the moment of writing, whoever else
    // appended meanwhile; a whole line goes in one write, so lines never interleave.
    case AccessWrite: flags = O_WRONLY | O_APPEND; break;
    case AccessReadWrite: flags = O_RDWR | O_APPEND; break;
    default: return FailWith(RuntimeErrorCode::NotSupported);
  }
  // Share modes have no counterpart here: other openers are never refused.
  const int fd = OpenRetrying(NativePath::Map(FileName), flags);
  if (fd < 0) return Fail(errno);
  struct stat info{};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
    ::close(fd);
    return Fail(error);
  }
  Fd = fd;
  Mode = mode;
  ReadBuffer.clear();
  ReadOffset = 0;
  AtEnd = false;
  return Succeed();
}

bool TextFile::Close() {
  if (Fd < 0) return FailWith(RuntimeErrorCode::FileNotOpen);
  const int result = ::close(Fd);
  Fd = -1;
  ReadBuffer.clear();
  ReadOffset = 0;
  AtEnd = false;
  if (result != 0 && errno != EINTR) return Fail(errno);
  return Succeed();
}

bool TextFile::IsOpen() const { return Fd >= 0; }

bool TextFile::Append(std::string_view line) {
  if (Fd < 0) return FailWith(RuntimeErrorCode::FileNotOpen);
  if (!CanWrite(Mode)) return FailWith(RuntimeErrorCode::AccessDenied);
  // One record is one line: a line break inside the text would split it into two
  // records for every later reader.
  std::string record(line);
  for (char& c : record) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  record += '\n';
  size_t done = 0;
  while (done < record.size()) {
    const ssize_t put = ::write(Fd, record.data() + done, record.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return Fail(errno);
    if (put == 0) return Fail(EIO);
    done += static_cast<size_t>(put);
  }
  return Succeed();
}

bool TextFile::Next(std::string& line) {
  if (Fd < 0) return FailWith(RuntimeErrorCode::FileNotOpen);
  if (!CanRead(Mode)) return FailWith(RuntimeErrorCode::AccessDenied);
  // ReadBuffer holds what was read but not yet returned; ReadOffset is where the next
  // read starts in the file. Reading by offset keeps appends (which move the file
  // position to the end) from disturbing the reader.
  for (;;) {
    const size_t end = ReadBuffer.find('\n');
    if (end != std::string::npos) {
      line.assign(ReadBuffer, 0, end);
      ReadBuffer.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      AtEnd = false;
      return Succeed();
    }
    char chunk[ReadChunk];
    const ssize_t got = ::pread(Fd, chunk, sizeof chunk, static_cast<off_t>(ReadOffset));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Fail(errno);
    if (got == 0) {
      if (ReadBuffer.empty()) {
        AtEnd = true;
        return FailWith(RuntimeErrorCode::RecordNotAvailable);
      }
      // A last line without its line end.
      line = std::move(ReadBuffer);
      ReadBuffer.clear();
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return Succeed();
    }
    ReadBuffer.append(chunk, static_cast<size_t>(got));
    ReadOffset += static_cast<size_t>(got);
  }
}

}  // namespace runtime::files

#pragma once
// A text file read and written one line per record, through the runtime's
// text-file driver: the error log appends its lines through it. Every call sets the
// thread's RuntimeError (0 on success, 2 file not found, 5 access denied, 90 with the
// system's own code and text for anything else) and returns false on failure.
// One TextFile object belongs to one thread (or to the object whose lock guards it);
// appends from several objects or processes to one file never interleave within a line.

#include <cstdint>
#include <string>
#include <string_view>

namespace runtime::files {

class TextFile {
 public:
  explicit TextFile(std::string name);  // a "\" in the name is taken as "/"
  ~TextFile();
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  const std::string& Name() const { return FileName; }
  bool Exists() const;
  // Creates the file empty; an existing file is emptied.
  bool Create();
  // Opens with the mode byte (low nibble access 0 read, 1 write, 2 read/write; high
  // nibble share). Fails with 52 when already open.
  bool Open(uint8_t mode);
  bool Close();
  bool IsOpen() const;
  // Appends `line` and a line end at the end of the file (opened for writing).
  bool Append(std::string_view line);
  // Reads the next line from the start or the last read (opened for reading); false at the end (error 33).
  bool Next(std::string& line);

 private:
  std::string FileName;
  int Fd = -1;
  uint8_t Mode = 0;
  std::string ReadBuffer;
  size_t ReadOffset = 0;
  bool AtEnd = false;
};

}  // namespace runtime::files

#pragma once
// Reading and writing entries of INI files: "[Section]" lines followed by
// "Entry=Value" lines. Section and entry names compare without regard to case
// (ASCII); values are returned with surrounding blanks removed. Lines starting with
// ";" or "#" are comments; lines the reader does not understand (a damaged file) are
// ignored when reading and kept unchanged when writing.
//
// A write keeps every other line of the file, its comments and its order, and
// replaces the file atomically: the new text goes to a temporary file in the same
// folder, is flushed to disk, and is renamed over the old one, so a reader or a
// crash never sees half a file. Writers are serialised per file by a process-wide
// mutex (threads) and an exclusive flock on the folder that holds it (processes), so
// concurrent writers never lose each other's entries, and no lock file is left behind.
// Several changes to one file (a window's whole position) go in one write: all or none.
//
// Reads parse a file once and keep it while it is unchanged on disk, so a run of reads
// of a large file costs one parse.
//
// File names are program paths (".\Vorkan42.INI"); NativePath maps them.
// Thread-safe: any thread may call any operation at any time.

#include <cstddef>
#include <string>
#include <span>
#include <string_view>

namespace runtime::settings {

class IniFile {
 public:
  enum class ChangeKind { Set, Remove };
  // One change for Apply: set `Entry` in `Section` to `Value`, or remove it.
  struct Change {
    std::string Section;
    std::string Entry;
    std::string Value;
    ChangeKind Kind = ChangeKind::Set;
  };

  // A read returns at most this many bytes of a value (never half a UTF-8 character).
  static constexpr size_t MaxValueLength = 1024;

  // The value of `entry` in `section`, or `defaultValue` when the file, the section
  // or the entry is missing, or the file cannot be read. Never fails; does not touch
  // the thread's RuntimeError.
  static std::string Read(std::string_view fileName, std::string_view section,
                          std::string_view entry, std::string_view defaultValue);

  // True when `entry` exists in `section` (an entry with an empty value exists).
  static bool Has(std::string_view fileName, std::string_view section, std::string_view entry);

  // Sets `entry` in `section` to `value`, creating the file, the section and the entry
  // as needed. On success returns true and clears the RuntimeError. On failure returns
  // false, leaves the file exactly as it was, and sets the RuntimeError: 5 when the
  // file or its folder may not be written (a read-only file is never replaced),
  // 2 when the folder does not exist, 90 with the system's code and text otherwise
  // (also for a name or value that would break the file's line structure: a line
  // break anywhere, "]" in a section name, "=" in an entry name, or an empty name).
  static bool Write(std::string_view fileName, std::string_view section, std::string_view entry,
                    std::string_view value);

  // Removes `entry` from `section` (every copy of it). A missing file, section or entry
  // is success and the file is not touched. Failures as for Write.
  static bool Delete(std::string_view fileName, std::string_view section, std::string_view entry);

  // Makes every change in one write of the file: all of them or, on failure, none.
  // Sets that store what is stored already and removals of what is missing write
  // nothing. Failures as for Write; a change that is refused refuses them all.
  [[nodiscard]] static bool Apply(std::string_view fileName, std::span<const Change> changes);
};

}  // namespace runtime::settings

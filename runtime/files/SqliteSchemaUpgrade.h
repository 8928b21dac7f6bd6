#pragma once
// Brings a data file written with an older storage format up to the current one, in
// place. Each step takes the file from one format version to the next; a file several
// versions behind runs every step in order. All steps and the new layout text are
// written in one transaction, so a failure (a full disk, a kill) leaves the file
// exactly as it was, still readable by the older layout, and the next open tries
// again. Two processes opening the same old file upgrade it once: the second finds
// the new layout inside its own write transaction and does nothing.
// Stateless; the caller owns the connection and calls from the thread that uses it.

#include <sqlite3.h>

#include <string>
#include <vector>

#include "runtime/files/DriverStatus.h"
#include "runtime/files/SqliteSchema.h"

namespace runtime::files {

class SqliteSchemaUpgrade {
 public:
  // The older format version whose layout text for this schema is `stored`, or 0
  // when `stored` is no version of this schema (the file is then refused, error 47).
  static int VersionOf(const SqliteSchema& schema, const std::string& stored);

  // Upgrades the file on `db` from format `from` to SqliteSchema::FormatVersion.
  // REQUIRES: the connection is open for writing, with no transaction running.
  // Fails with the storage engine's code and text (a busy file: RecordHeld); the
  // file is then unchanged.
  [[nodiscard]] static DriverStatus Run(sqlite3* db, const SqliteSchema& schema, int from);

 private:
  // The statements of the step from format `from` to `from + 1`.
  static std::vector<std::string> Step(const SqliteSchema& schema, int from);
};

}  // namespace runtime::files

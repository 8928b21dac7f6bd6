#pragma once
// One record of a run (Driver::ReadRun): its record image and the driver's own
// identification of the stored row, which the caller only hands back to
// Driver::TakeRunRecord. A plain value; a run is read by one thread.

#include <cstdint>
#include <vector>

#include "runtime/files/SqlValue.h"

namespace runtime::files {

// Which way a run reads from the cursor: as Next does, or as Previous does.
enum class RunDirection : uint8_t { Forward, Backward };

struct RunRecord {
  std::vector<unsigned char> Record;  // definition.Record->Size() bytes
  int64_t Id = 0;                     // the stored row
  int64_t ChangeCount = 0;            // its change count when the run read it
  // The stored values as read, where the record image cannot hold them whole (rows
  // another program wrote): what positions and saves go by. Empty: the image's values.
  std::vector<SqlValue> Stored;
};

}  // namespace runtime::files

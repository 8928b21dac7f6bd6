#pragma once
// Owns one libpq result and reads its cells. Move-only; used by one thread.

#include <libpq-fe.h>

#include <string>
#include <utility>

namespace runtime::files {

class PgResult {
 public:
  PgResult() = default;
  explicit PgResult(PGresult* result) : Result(result) {}
  ~PgResult() { PQclear(Result); }
  PgResult(PgResult&& other) noexcept : Result(std::exchange(other.Result, nullptr)) {}
  PgResult& operator=(PgResult&& other) noexcept {
    if (this != &other) {
      PQclear(Result);
      Result = std::exchange(other.Result, nullptr);
    }
    return *this;
  }
  PgResult(const PgResult&) = delete;
  PgResult& operator=(const PgResult&) = delete;

  PGresult* Get() const { return Result; }
  int Rows() const { return Result != nullptr ? PQntuples(Result) : 0; }
  bool IsNull(int row, int column) const { return PQgetisnull(Result, row, column) != 0; }
  const char* Text(int row, int column) const { return PQgetvalue(Result, row, column); }
  std::string String(int row, int column) const { return Text(row, column); }

 private:
  PGresult* Result = nullptr;
};

}  // namespace runtime::files

#include "runtime/files/PgConnection.h"

#include <poll.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

namespace runtime::files {
namespace {

using C = runtime::core::RuntimeErrorCode;
using Clock = std::chrono::steady_clock;

constexpr int MillisecondsPerSecond = 1000;
constexpr const char* ApplicationName = "vorkan42";

// libpq's messages run over several lines; a message box and a log want one.
std::string OneLine(const char* text) {
  std::string out;
  bool space = false;
  for (const char* p = text != nullptr ? text : ""; *p != '\0'; ++p) {
    const bool blank = *p == '\n' || *p == '\t' || *p == '\r' || *p == ' ';
    if (blank) {
      space = !out.empty();
      continue;
    }
    if (space) out += ' ';
    space = false;
    out += *p;
  }
  return out;
}

int32_t CodeOfState(const std::string& state) {
  if (state == "23505") return C::DuplicateKey;
  if (state == "42501" || state == "25006") return C::AccessDenied;  // no privilege; read-only
  // A lock not granted in time, a deadlock, a conflict, a cancelled wait: busy.
  if (state == "55P03" || state == "40P01" || state == "40001" || state == "57014") return C::RecordHeld;
  return C::DriverError;
}

// The server's notices ("already exists, skipping") are no failures and not for a person.
void IgnoreNotice(void*, const char*) {}

thread_local std::map<std::string, std::weak_ptr<PgConnection>> ThreadConnections;

}  // namespace

std::atomic<int64_t> PgConnection::AllTrips{0};

PgConnection::PgConnection(std::string conninfo) : Conninfo(std::move(conninfo)) {}

PgConnection::~PgConnection() { Drop(); }

std::shared_ptr<PgConnection> PgConnection::ForThread(const std::string& conninfo) {
  std::weak_ptr<PgConnection>& slot = ThreadConnections[conninfo];
  std::shared_ptr<PgConnection> c = slot.lock();
  if (!c) {
    c = std::make_shared<PgConnection>(conninfo);
    slot = c;
  }
  return c;
}

std::shared_ptr<PgConnection> PgConnection::Private(const std::string& conninfo) {
  return std::make_shared<PgConnection>(conninfo);
}

std::string PgConnection::ServerName() const {
  std::string host, port, dbname, user;
  char* error = nullptr;
  PQconninfoOption* options = PQconninfoParse(Conninfo.c_str(), &error);
  PQfreemem(error);
  for (PQconninfoOption* o = options; o != nullptr && o->keyword != nullptr; ++o) {
    if (o->val == nullptr) continue;
    const std::string key = o->keyword;
    if (key == "host" || key == "hostaddr") host = host.empty() ? o->val : host;
    if (key == "port") port = o->val;
    if (key == "dbname") dbname = o->val;
    if (key == "user") user = o->val;
  }
  PQconninfoFree(options);
  std::string name = "server " + (host.empty() ? std::string("on this machine") : host);
  if (!port.empty()) name += " port " + port;
  if (!dbname.empty()) name += ", database " + dbname;
  if (!user.empty()) name += ", role " + user;
  return name;
}

void PgConnection::Drop() {
  if (Conn != nullptr) PQfinish(Conn);
  Conn = nullptr;
  Prepared.clear();
  ServerLockSeconds = -1;
  if (TxOpen) LostGeneration = Generation;
  TxOpen = false;
}

DriverStatus PgConnection::Lost(const std::string& what, const std::string& why) const {
  return DriverStatus::Error(C::DriverError, ConnectionFailure,
                             what + " the database " + ServerName() + (why.empty() ? "" : ": " + why));
}

DriverStatus PgConnection::Connect() {
  if (Conn != nullptr && PQstatus(Conn) == CONNECTION_OK) return DriverStatus::Ok();
  Drop();
  // The defaults come first, so the connection string given overrides them.
  const std::string seconds = std::to_string(ConnectSeconds);
  const char* keywords[] = {"connect_timeout", "application_name", "dbname", nullptr};
  const char* values[] = {seconds.c_str(), ApplicationName, Conninfo.c_str(), nullptr};
  Conn = PQconnectdbParams(keywords, values, 1);
  ++Trips;
  ++AllTrips;
  if (Conn == nullptr || PQstatus(Conn) != CONNECTION_OK) {
    std::string why = Conn != nullptr ? OneLine(PQerrorMessage(Conn)) : "out of memory";
    // libpq repeats the address the server name already gives: keep what failed.
    if (const size_t at = why.rfind("failed: "); at != std::string::npos) why.erase(0, at + 8);
    Drop();
    return Lost("Could not connect to", why);
  }
  PQsetNoticeProcessor(Conn, IgnoreNotice, nullptr);
  // The server's own default is to wait for a lock for ever.
  return SetLockTimeout(LockSeconds);
}

DriverStatus PgConnection::Failure(const PgResult& result) const {
  const char* state = PQresultErrorField(result.Get(), PG_DIAG_SQLSTATE);
  const char* message = PQresultErrorField(result.Get(), PG_DIAG_MESSAGE_PRIMARY);
  const std::string code = state != nullptr ? state : "XX000";
  std::string text = OneLine(message != nullptr ? message : PQresultErrorMessage(result.Get()));
  if (text.empty()) text = OneLine(PQerrorMessage(Conn));
  return DriverStatus::Error(CodeOfState(code), code, text);
}

// Waits for every result of the statement sent, at most CallSeconds. The first result
// is kept (an error wins).
DriverStatus PgConnection::Await(PgResult& result, bool& lost) {
  lost = false;
  const auto deadline = Clock::now() + std::chrono::seconds(CallSeconds());
  PgResult kept;
  bool failed = false;
  for (;;) {
    while (PQisBusy(Conn) != 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) {
        lost = true;
        DriverStatus s = Lost("No answer within " + std::to_string(CallSeconds()) + " seconds from", "");
        s.FileCode = NoAnswer;
        return s;
      }
      pollfd pfd{PQsocket(Conn), POLLIN, 0};
      const int ready = ::poll(&pfd, 1, static_cast<int>(left));
      if (ready < 0 && errno != EINTR) {
        lost = true;
        return Lost("Lost the connection to", std::strerror(errno));
      }
      if (ready > 0 && PQconsumeInput(Conn) == 0) {
        lost = true;
        return Lost("Lost the connection to", OneLine(PQerrorMessage(Conn)));
      }
    }
    PGresult* r = PQgetResult(Conn);
    if (r == nullptr) break;
    const ExecStatusType status = PQresultStatus(r);
    const bool error = status == PGRES_FATAL_ERROR || status == PGRES_BAD_RESPONSE;
    if (kept.Get() == nullptr || (error && !failed)) {
      kept = PgResult(r);
      failed = failed || error;
    } else {
      PQclear(r);
    }
  }
  ++Trips;
  ++AllTrips;
  if (PQstatus(Conn) != CONNECTION_OK) {
    lost = true;
    const char* state = kept.Get() != nullptr ? PQresultErrorField(kept.Get(), PG_DIAG_SQLSTATE) : nullptr;
    const std::string why = failed ? OneLine(PQresultErrorMessage(kept.Get())) : OneLine(PQerrorMessage(Conn));
    DriverStatus s = Lost("Lost the connection to", why);
    if (state != nullptr) s.FileCode = state;
    return s;
  }
  if (kept.Get() == nullptr) return Lost("No answer from", "");
  if (failed) return Failure(kept);
  result = std::move(kept);
  return DriverStatus::Ok();
}

DriverStatus PgConnection::Execute(const std::string& sql, const std::vector<std::string>& params, PgResult& result,
                                   bool& sent) {
  sent = false;
  bool lost = false;
  auto found = Prepared.find(sql);
  if (found == Prepared.end()) {
    const std::string name = "vk" + std::to_string(Prepared.size() + 1);
    if (PQsendPrepare(Conn, name.c_str(), sql.c_str(), static_cast<int>(params.size()), nullptr) == 0) {
      return Lost("Lost the connection to", OneLine(PQerrorMessage(Conn)));
    }
    PgResult prepared;
    DriverStatus s = Await(prepared, lost);
    if (!s.IsOk()) return s;
    found = Prepared.emplace(sql, name).first;
  }
  std::vector<const char*> values;
  values.reserve(params.size());
  for (const std::string& p : params) values.push_back(p.c_str());
  if (PQsendQueryPrepared(Conn, found->second.c_str(), static_cast<int>(values.size()), values.data(), nullptr,
                          nullptr, 0) == 0) {
    return Lost("Lost the connection to", OneLine(PQerrorMessage(Conn)));
  }
  sent = true;
  ++Statements;
  return Await(result, lost);
}

DriverStatus PgConnection::Run(const std::string& sql, const std::vector<std::string>& params, PgResult& result,
                               PgRetry retry) {
  DriverStatus s;
  for (int attempt = 0; attempt < 2; ++attempt) {
    const bool inTx = TxOpen;
    // A server that ended the connection between calls has said so already: reading
    // what is waiting finds out before anything is sent.
    if (Conn != nullptr && PQconsumeInput(Conn) == 0) Drop();
    if (Conn == nullptr || PQstatus(Conn) != CONNECTION_OK) {
      // A transaction does not survive its connection: its changes are gone, and
      // carrying on in a new connection would commit half of them.
      if (inTx) {
        Drop();
        return Lost("In the middle of a transaction, its changes not kept: lost the connection to", "");
      }
      s = Connect();
      if (!s.IsOk()) return s;
    }
    bool sent = false;
    s = Execute(sql, params, result, sent);
    if (s.IsOk()) return s;
    const bool gone = s.FileCode == ConnectionFailure || s.FileCode == NoAnswer || PQstatus(Conn) != CONNECTION_OK;
    if (!gone) return s;
    // The connection is lost, or in an unknown state after a call that took too long.
    Drop();
    if (inTx) return Lost("In the middle of a transaction, its changes not kept: lost the connection to", "");
    // A server that does not answer is not asked twice, and a write the server may
    // already have carried out is not sent twice.
    if (s.FileCode == NoAnswer || (sent && retry == PgRetry::Never)) return s;
  }
  return s;
}

DriverStatus PgConnection::Command(const std::string& sql, PgRetry retry) {
  DriverStatus s;
  for (int attempt = 0; attempt < 2; ++attempt) {
    const bool inTx = TxOpen;
    if (Conn != nullptr && PQconsumeInput(Conn) == 0) Drop();
    if (Conn == nullptr || PQstatus(Conn) != CONNECTION_OK) {
      if (inTx) {
        Drop();
        return Lost("In the middle of a transaction, its changes not kept: lost the connection to", "");
      }
      s = Connect();
      if (!s.IsOk()) return s;
    }
    if (PQsendQuery(Conn, sql.c_str()) == 0) {
      s = Lost("Lost the connection to", OneLine(PQerrorMessage(Conn)));
    } else {
      ++Statements;
      PgResult result;
      bool lost = false;
      s = Await(result, lost);
      if (s.IsOk() || !lost) return s;
      if (inTx || retry == PgRetry::Never || s.FileCode == NoAnswer) {
        Drop();
        return inTx ? Lost("In the middle of a transaction, its changes not kept: lost the connection to", "") : s;
      }
    }
    Drop();
    if (inTx) return Lost("In the middle of a transaction, its changes not kept: lost the connection to", "");
  }
  return s;
}

DriverStatus PgConnection::SetLockTimeout(int32_t seconds) {
  LockSeconds = seconds;
  if (Conn == nullptr || ServerLockSeconds == seconds) return DriverStatus::Ok();
  // 0 would mean "wait for ever" to the server; the shortest wait it knows is a millisecond.
  const std::string value = seconds > 0 ? std::to_string(seconds) + "s" : "1ms";
  DriverStatus s = Command("SET lock_timeout = '" + value + "'", PgRetry::Once);
  if (s.IsOk()) ServerLockSeconds = seconds;
  return s;
}

DriverStatus PgConnection::Begin(uint64_t& generation) {
  if (!TxOpen) {
    DriverStatus s = Connect();
    if (!s.IsOk()) return s;
    s = Command("BEGIN", PgRetry::Once);
    if (!s.IsOk()) return s;
    TxOpen = true;
    ++Generation;
  }
  generation = Generation;
  return DriverStatus::Ok();
}

DriverStatus PgConnection::Commit(uint64_t generation) {
  if (generation == LostGeneration) {
    return Lost("In the middle of a transaction, its changes not kept: lost the connection to", "");
  }
  if (!TxOpen || generation != Generation) return DriverStatus::Ok();  // another member ended it
  PgResult result;
  bool lost = false;
  DriverStatus s;
  if (PQsendQuery(Conn, "COMMIT") == 0) {
    s = Lost("Lost the connection to", OneLine(PQerrorMessage(Conn)));
    lost = true;
  } else {
    ++Statements;
    s = Await(result, lost);
  }
  TxOpen = false;
  if (lost) {
    LostGeneration = generation;
    Drop();
    return DriverStatus::Error(C::DriverError, ConnectionFailure,
                               "While committing, the changes perhaps not kept: lost the connection to the database " +
                                   ServerName());
  }
  // A transaction that failed earlier ends in a rollback, which the server reports as such.
  if (s.IsOk() && std::strcmp(PQcmdStatus(result.Get()), "ROLLBACK") == 0) {
    return DriverStatus::Error(C::DriverError, "25P02", "The transaction failed and was rolled back");
  }
  return s;
}

DriverStatus PgConnection::Rollback(uint64_t generation) {
  if (!TxOpen || generation != Generation) return DriverStatus::Ok();
  TxOpen = false;
  DriverStatus s = Command("ROLLBACK", PgRetry::Never);
  // Without the connection the server has rolled it back already.
  if (!s.IsOk() && s.FileCode == ConnectionFailure) return DriverStatus::Ok();
  return s;
}

}  // namespace runtime::files

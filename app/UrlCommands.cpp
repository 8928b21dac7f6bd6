#include "app/UrlCommands.h"

#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>

#include "app/ConsoleMessages.h"
#include "app/ExchangeFormat.h"
#include "app/ExchangeText.h"
#include "app/Program.h"
#include "app/UrlExport.h"
#include "app/UrlImport.h"
#include "runtime/core/Process.h"
#include "runtime/ui/FrontEnd.h"

namespace app {
namespace {

constexpr std::string_view ImportWord = "import";
constexpr std::string_view ExportWord = "export";
constexpr std::string_view ListWord = "list";
constexpr std::string_view AddWord = "add";
constexpr std::string_view FormatOption = "--format";
constexpr std::string_view FindOption = "--find";

// The command line split into its words and the options it allows.
struct Parsed {
  std::string Command;
  std::vector<std::string> Words;  // after the command word, options taken out
  std::optional<std::string> Format;
  std::optional<std::string> Find;
  std::string Problem;  // a usage error
};

Parsed Parse(const std::vector<std::string>& args) {
  Parsed p;
  p.Command = args.empty() ? "" : args[0];
  const bool takesFormat = p.Command == ImportWord || p.Command == ExportWord;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool format = a == FormatOption || a.starts_with(std::string(FormatOption) + "=");
    const bool find = a == FindOption || a.starts_with(std::string(FindOption) + "=");
    if ((format && takesFormat) || (find && p.Command == ExportWord)) {
      std::string value;
      const size_t eq = a.find('=');
      if (eq != std::string::npos) {
        value = a.substr(eq + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        p.Problem = a + " needs a value";
        return p;
      }
      (format ? p.Format : p.Find) = value;
    } else if (a.starts_with("--") && a != "--") {
      p.Problem = "unknown option " + a;
      return p;
    } else {
      p.Words.push_back(a);
    }
  }
  return p;
}

std::optional<ExchangeFormat> FormatOf(const Parsed& p, const std::string& file, std::string& problem) {
  if (p.Format) {
    auto f = ExchangeFormats::FromName(*p.Format);
    if (!f) problem = "unknown format " + *p.Format + " (html, txt or csv)";
    return f;
  }
  auto f = ExchangeFormats::FromFileName(file);
  if (!f) problem = "cannot tell the format of " + file + " from its extension: give --format html, txt or csv";
  return f;
}

void ReportRefused(const std::vector<RefusedEntry>& refused, std::ostream& err) {
  for (const RefusedEntry& r : refused) {
    if (r.Line > 0) err << "line " << r.Line << ": ";
    err << r.Reason << ": " << r.Text << "\n";
  }
}

int Finish(const ImportSummary& s, std::ostream& err) {
  ReportRefused(s.Refused, err);
  if (s.Outcome != ImportOutcome::Stored) {
    err << "nothing stored: " << s.Failure << "\n";
    return CommandStatus::Refused;
  }
  err << s.Line() << "\n";
  return s.Refused.empty() ? CommandStatus::Success : CommandStatus::Refused;
}

int Import(const Parsed& p, std::ostream& err) {
  if (p.Words.size() != 1) {
    err << "usage: vorkan42 import FILE [--format html|txt|csv]\n";
    return CommandStatus::Usage;
  }
  std::string problem;
  const auto format = FormatOf(p, p.Words[0], problem);
  if (!format) {
    err << problem << "\n";
    return CommandStatus::Usage;
  }
  std::ifstream in(p.Words[0], std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in) {
    err << p.Words[0] << ": cannot be read\n";
    return CommandStatus::Refused;
  }
  return Finish(UrlImport::Run(ExchangeFormats::Read(*format, text.str())), err);
}

int Export(const Parsed& p, std::ostream& err) {
  if (p.Words.size() != 1) {
    err << "usage: vorkan42 export FILE [--format html|txt|csv] [--find TEXT]\n";
    return CommandStatus::Usage;
  }
  std::string problem;
  const auto format = FormatOf(p, p.Words[0], problem);
  if (!format) {
    err << problem << "\n";
    return CommandStatus::Usage;
  }
  std::vector<ExchangeEntry> entries;
  std::string failure;
  if (!UrlExport::Collect(p.Find.value_or(""), entries, failure)) {
    err << failure << "\n";
    return CommandStatus::Refused;
  }
  const ExportResult r = UrlExport::Write(p.Words[0], *format, entries);
  if (!r.Ok) {
    err << "nothing written: " << r.Failure << "\n";
    return CommandStatus::Refused;
  }
  err << r.Written << " exported\n";
  return CommandStatus::Success;
}

int List(const Parsed& p, std::ostream& out, std::ostream& err) {
  if (p.Words.size() > 1) {
    err << "usage: vorkan42 list [TEXT]\n";
    return CommandStatus::Usage;
  }
  std::vector<ExchangeEntry> entries;
  std::string failure;
  if (!UrlExport::Collect(p.Words.empty() ? "" : p.Words[0], entries, failure)) {
    err << failure << "\n";
    return CommandStatus::Refused;
  }
  for (const ExchangeEntry& e : entries) out << e.Url << '\t' << e.NumberOfTimesToOpen << '\n';
  out.flush();
  err << entries.size() << " listed\n";
  return CommandStatus::Success;
}

int Add(const Parsed& p, std::ostream& err) {
  if (p.Words.empty() || p.Words.size() > 2) {
    err << "usage: vorkan42 add URL [COUNT]\n";
    return CommandStatus::Usage;
  }
  ExchangeList list;
  ExchangeEntry entry{p.Words[0], 1, 0};
  if (p.Words.size() == 2) {
    const auto count = ExchangeText::Count(p.Words[1]);
    if (!count) {
      err << "the count " << p.Words[1] << " is not a whole number from -2147483648 to 2147483647\n";
      return CommandStatus::Refused;
    }
    entry.NumberOfTimesToOpen = *count;
  }
  list.Entries.push_back(entry);
  const ImportSummary s = UrlImport::Run(list);
  if (s.Outcome == ImportOutcome::Stored && s.AlreadyPresent > 0) {
    err << s.Line() << "\n";
    return CommandStatus::Refused;
  }
  return Finish(s, err);
}

}  // namespace

bool UrlCommands::IsCommand(std::string_view word) {
  return word == ImportWord || word == ExportWord || word == ListWord || word == AddWord;
}

std::string UrlCommands::Usage() {
  return "  vorkan42 import FILE [--format html|txt|csv]\n"
         "  vorkan42 export FILE [--format html|txt|csv] [--find TEXT]\n"
         "  vorkan42 list [TEXT]\n"
         "  vorkan42 add URL [COUNT]\n";
}

int UrlCommands::Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const Parsed p = Parse(args);
  if (!p.Problem.empty() || args.empty() || !IsCommand(args[0])) {
    err << (p.Problem.empty() ? "unknown command" : p.Problem) << "\nusage:\n" << Usage();
    return CommandStatus::Usage;
  }
  int status = CommandStatus::Success;
  std::function<int()> command;
  if (p.Command == ImportWord) command = [&] { return Import(p, err); };
  if (p.Command == ExportWord) command = [&] { return Export(p, err); };
  if (p.Command == ListWord) command = [&] { return List(p, out, err); };
  if (p.Command == AddWord) command = [&] { return Add(p, err); };
  runtime::ui::FrontEnd::Install(std::make_shared<ConsoleMessages>(err));
  Program::SetFrame([&] { status = command(); });
  if (!runtime::core::Process::Run(Program::Table(), Program::MainProcedure)) status = CommandStatus::Refused;
  Program::SetFrame(nullptr);
  runtime::ui::FrontEnd::Install(nullptr);
  return status;
}

}  // namespace app

#include "app/UrlListFile.h"

#include "runtime/core/PerThread.h"
#include "runtime/files/DriverRegistry.h"

namespace app {
namespace {

using runtime::files::KeyCase;
using runtime::files::KeyDefinition;
using runtime::files::KeyDuplicates;
using runtime::files::KeyOrder;
using runtime::files::KeyRole;

struct ThreadFile {
  UrlListRecord Record{};
  runtime::files::KeyedFile File;
  bool Bound = false;
};

runtime::core::PerThread<ThreadFile> Files;

}  // namespace

const runtime::files::FileDefinition& UrlListFile::Definition() {
  static const runtime::files::FileDefinition definition = [] {
    runtime::files::FileDefinition d;
    d.Label = Label;
    d.Prefix = Prefix;
    d.FileName = DriverFileName;
    // Left to the program: the local file, or the server the INI file names.
    d.DriverName = "";
    d.Record = &UrlListRecord::Type();
    // The key orders addresses without regard to case, but only refuses an address
    // stored byte for byte already: the path and query of an address may differ in
    // case alone and still name another page. It is also the primary key (attribute
    // flags 6).
    KeyDefinition key;
    key.Name = KeyUrlName;
    key.Components = {KeyDefinition::Component{UrlListRecord::UrlField, KeyOrder::Ascending}};
    key.Duplicates = KeyDuplicates::Unique;
    key.Case = KeyCase::NoCase;
    key.Role = KeyRole::Primary;
    key.Uniqueness = runtime::files::KeyUniqueness::ExactText;
    d.Keys = {key};
    d.Sharing = runtime::files::FileSharing::PerThread;
    // The browse's find looks for any part of an address.
    d.FindField = static_cast<int>(UrlListRecord::UrlField);
    return d;
  }();
  return definition;
}

void UrlListFile::Setup() { (void)Definition(); }

runtime::files::KeyedFile& UrlListFile::Instance() {
  ThreadFile& t = Files.Get();
  if (!t.Bound) {
    // A failure here (no driver) leaves the handle unbound; the file manager then
    // reports that the file could not be opened.
    t.File.Init(Definition(), &t.Record);
    t.Bound = true;
  }
  return t.File;
}

UrlListRecord& UrlListFile::Record() { return Files.Get().Record; }

void UrlListFile::Destroy() { Files.Reset(); }

}  // namespace app

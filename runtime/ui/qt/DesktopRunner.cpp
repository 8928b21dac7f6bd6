#include "runtime/ui/qt/DesktopRunner.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "runtime/core/Halt.h"
#include "runtime/ui/HelpPages.h"
#include "runtime/ui/FrontEnd.h"
#include "runtime/ui/WindowModel.h"
#include "runtime/ui/qt/Desktop.h"
#include "runtime/ui/qt/FrameWindow.h"
#include "runtime/ui/qt/IconMapper.h"
#include "runtime/ui/qt/QtFrontEnd.h"

namespace runtime::ui::qt {
namespace {

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

bool X11Reachable() {
  if (!Set("DISPLAY")) return false;
  int screen = 0;
  xcb_connection_t* connection = xcb_connect(nullptr, &screen);
  const bool ok = connection && xcb_connection_has_error(connection) == 0;
  if (connection) xcb_disconnect(connection);
  return ok;
}

bool WaylandReachable() {
  if (!Set("WAYLAND_DISPLAY")) return false;
  std::string path = std::getenv("WAYLAND_DISPLAY");
  if (path.front() != '/') {
    if (!Set("XDG_RUNTIME_DIR")) return false;
    path = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/" + path;
  }
  sockaddr_un address{};
  if (path.size() >= sizeof(address.sun_path)) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
  ::close(fd);
  return ok;
}

}  // namespace

bool DesktopRunner::DisplayAvailable() { return X11Reachable() || WaylandReachable(); }

std::string DesktopRunner::HelpFolder() { return HelpPages::Folder(); }

int DesktopRunner::Run(int argc, char** argv, runtime::core::StartupTable table, runtime::core::Procedure mainProcedure) {
  if (!X11Reachable()) {
    if (!WaylandReachable()) {
      std::fprintf(stderr, "vorkan42: needs a graphical display (DISPLAY or WAYLAND_DISPLAY), and none could be reached\n");
      return NoDisplayStatus;
    }
    // Only a compositor is there: Qt must not try X first.
    ::setenv("QT_QPA_PLATFORM", "wayland", 0);
  }

  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  IconMapper::Init();
  auto desktop = std::make_unique<Desktop>();
  auto frontEnd = std::make_shared<QtFrontEnd>(desktop.get(), HelpFolder());
  FrontEnd::Install(frontEnd);
  const int hook = runtime::core::AddHaltHook([frontEnd](int, const std::string&) { frontEnd->Shutdown(); });

  const bool launched = runtime::core::Process::Launch(std::move(table), [mainProcedure = std::move(mainProcedure)] {
    mainProcedure();
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
  });
  if (launched) QApplication::exec();

  // Nothing more is shown; threads still waiting for an answer get their defaults, and
  // windows left open by threads that outlived thread 1 close so those threads end.
  frontEnd->Shutdown();
  FrontEnd::Install(nullptr);
  WindowModel::CloseAll();
  runtime::core::Process::Wait();
  runtime::core::RemoveHaltHook(hook);
  desktop.reset();
  return launched ? 0 : NotStartedStatus;
}

}  // namespace runtime::ui::qt

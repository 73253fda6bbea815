#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QDir>
#include <QLibraryInfo>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gui/headless_ui.h"
#include "gui/qt/qt_ui.h"
#include "gui/ui.h"

namespace tabulink {
namespace {

// The toolkit ends the process when it cannot open the display it picks, so a DISPLAY left
// behind by a closed session would end an unattended run before it began: the display is
// tried first.
bool xServerAnswers() {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  const bool answers = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  return answers;
}

// A Wayland compositor listening on WAYLAND_DISPLAY (a name in XDG_RUNTIME_DIR, or a path),
// and the toolkit's platform plugin to talk to it.
bool waylandAnswers() {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (name == nullptr || *name == '\0') return false;
  std::string path = name;
  if (path.front() != '/') {
    if (runtime == nullptr || *runtime == '\0') return false;
    path = std::string(runtime) + "/" + path;
  }
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  struct Socket {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ~Socket() {
      if (fd >= 0) ::close(fd);
    }
  } socket;
  if (socket.fd < 0 ||
      ::connect(socket.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
    return false;
  const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                       QStringLiteral("/platforms"));
  return !platforms.entryList({QStringLiteral("libqwayland-*")}, QDir::Files).isEmpty();
}

}  // namespace

std::unique_ptr<Ui> chooseUi() {
  // A platform set explicitly is the user's choice.
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if ((platform != nullptr && *platform != '\0') || xServerAnswers()) return createQtUi();
  if (waylandAnswers()) {
    // Without a Wayland session type the toolkit would try X first.
    ::setenv("QT_QPA_PLATFORM", "wayland", 1);
    return createQtUi();
  }
  return std::make_unique<HeadlessUi>();
}

}  // namespace tabulink

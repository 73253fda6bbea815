#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QDir>
#include <QLibraryInfo>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "gui/headless_ui.h"
#include "gui/qt/qt_ui.h"
#include "gui/ui.h"

namespace tabulink {
namespace {

// How long the display may take to complete a connection: a server that accepts and never
// answers (a stopped one, a listener on its port) counts as none after it.
constexpr auto kProbeLimit = std::chrono::seconds(2);

using XConnection = std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)>;

// A connection to the X server that DISPLAY names, or none when it fails or takes longer than
// kProbeLimit. The toolkit ends the process when it cannot open the display it picks, so a
// DISPLAY left behind by a closed session would end an unattended run before it began: the
// display is tried first. The connection is made on a thread of its own, which a server that
// never answers keeps; whatever it gets after the limit it closes again.
XConnection connectX() {
  struct Attempt {
    std::mutex mutex;
    std::condition_variable finished;
    xcb_connection_t* connection = nullptr;
    bool abandoned = false;
  };
  auto attempt = std::make_shared<Attempt>();
  std::thread([attempt] {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    std::lock_guard lock(attempt->mutex);
    if (attempt->abandoned) {
      xcb_disconnect(connection);
      return;
    }
    attempt->connection = connection;
    attempt->finished.notify_one();
  }).detach();
  std::unique_lock lock(attempt->mutex);
  if (!attempt->finished.wait_for(lock, kProbeLimit,
                                  [&] { return attempt->connection != nullptr; })) {
    attempt->abandoned = true;
    return {nullptr, xcb_disconnect};
  }
  XConnection connection(attempt->connection, xcb_disconnect);
  if (xcb_connection_has_error(connection.get()) != 0) connection.reset();
  return connection;
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

// The toolkit on `platform` (an entry of QT_QPA_PLATFORM, "" for its own choice); the probe's X
// connection stays open until the toolkit has its own, since an X server whose last client goes
// resets, and a connection made meanwhile fails.
std::unique_ptr<Ui> desktop(const std::string& platform, XConnection probe) {
  if (!platform.empty()) ::setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
  setDisplayAvailable(platform.empty() || platform.starts_with("xcb") ||
                      platform.starts_with("wayland"));
  std::unique_ptr<Ui> backend = createQtUi();
  probe.reset();
  return backend;
}

}  // namespace

std::unique_ptr<Ui> chooseUi() {
  const char* requested = std::getenv("QT_QPA_PLATFORM");
  if (requested == nullptr || *requested == '\0') {
    if (XConnection x = connectX()) return desktop("", std::move(x));
    // Without a Wayland session type the toolkit would try X first.
    if (waylandAnswers()) return desktop("wayland", {nullptr, xcb_disconnect});
    return std::make_unique<HeadlessUi>();
  }
  // A platform set explicitly is the user's choice (a list: the first that works), but xcb and
  // wayland only with a display that answers: cron passes on what the system environment sets.
  std::string_view list = requested;
  while (!list.empty()) {
    const std::string platform(list.substr(0, list.find(';')));
    list.remove_prefix(std::min(list.size(), platform.size() + 1));
    if (platform.starts_with("xcb")) {
      if (XConnection x = connectX()) return desktop(platform, std::move(x));
    } else if (platform.starts_with("wayland")) {
      if (waylandAnswers()) return desktop(platform, {nullptr, xcb_disconnect});
    } else if (!platform.empty()) {
      return desktop(platform, {nullptr, xcb_disconnect});
    }
  }
  return std::make_unique<HeadlessUi>();
}

}  // namespace tabulink

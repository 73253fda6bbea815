#include "app/error_collection.h"

#include <cstdio>

#include "app/run_settings.h"
#include "core/date.h"
#include "gui/ui.h"

namespace tabulink {
namespace {

struct Collection {
  std::string text;
  bool reported = false;
};

Collection& collection() {
  static Collection c;
  return c;
}

}  // namespace

void ZULERROR(std::string_view text) {
  Collection& c = collection();
  c.reported = true;
  if (runSettings().FileErr.empty()) {
    ui().messageBox("Alert", text, MessageIcon::Exclamation);
    return;
  }
  c.text.append(dateTimeStamp()).append(" - ");
  c.text.append(text).append("\r\n");
}

void ZULWRITEERRORS() {
  const std::string& file = runSettings().FileErr;
  const std::string& text = collection().text;
  if (file.empty() || text.empty()) return;
  if (std::FILE* out = std::fopen(file.c_str(), "wb")) {
    std::fwrite(text.data(), 1, text.size(), out);
    std::fclose(out);
  }
}

bool errorsReported() {
  return collection().reported;
}

void resetErrorCollection() {
  collection() = Collection{};
}

}  // namespace tabulink

#pragma once
// A mail handed to the user's mail client with its compose window open, so that the user decides
// whether to send it. On Linux the client is reached through the desktop's `xdg-email`.

#include <string>
#include <utility>
#include <vector>

#include "core/date.h"

namespace tabulink {

// {name, address}
using MailAddress = std::pair<std::string, std::string>;
// {full path, name shown}
using MailFile = std::pair<std::string, std::string>;

class TMail {
 public:
  std::string cSubject;
  std::string cNoteText;
  std::string cMsgType;
  std::string cConversationID;  // kept, not passed on
  Date dDate = Date::today();
  std::string cTime = TIME();
  bool lReceipt = false;
  bool lFromUser = true;  // the compose window is always shown by xdg-email
  std::vector<MailAddress> aOrigin;
  std::vector<MailAddress> aRecipients;  // the first is To, every further one Cc
  std::vector<MailFile> aFiles;
  // Result of the last send: the mail command's exit status, -1 when it could not be run.
  int nRetCode = 0;

  // The command line of the mail client's compose window: program first.
  std::vector<std::string> command() const;

  // Hands the mail to the mail client and waits for the command to return. When the command is
  // missing or fails, `nRetCode` becomes -1; a mail that already failed is not tried again. No
  // box says so: the caller reports it where a run that no person watches does not wait on it.
  void Activate();

  // No session is kept between mails; nothing to end.
  void End() {}
};

}  // namespace tabulink

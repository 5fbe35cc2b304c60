#pragma once

#include <QString>

// The guard between the POP3 trail and the debug log: client lines that
// carry a credential (PASS, APOP, AUTH with its initial response, and every
// continuation line of an AUTH exchange) lose their argument. Nothing else
// is touched, so a password such as "OK" cannot be read off the log by
// where it was blanked.
class CredentialMask {
  public:
    enum Direction { Client = 0, Server = 1, Information = 2 };

    QString shown(int direction, const QString& line);

  private:
    bool inAuthExchange_ = false;
};

#pragma once

#include <QString>

namespace memo {

// A new Public Address: the memo certificate and the forms follow it. The
// first time the user enters a DNS name while HTTPS is off, the program
// offers to get a certificate for it and switch HTTPS on ([Memo] "HTTPS
// Offered" records that the question was asked).
void PublicAddressChanged(const QString& address);

} // namespace memo

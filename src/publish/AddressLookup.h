#pragma once

class Form1;
class QLineEdit;
class QString;

namespace publish {

// Refreshes LocalIP and LocalHostName from the machine's resolver and
// interfaces, logs them and shows them in the IP panel. An address that
// nobody could reach (loopback, 0.0.0.0) is replaced by the first
// interface address, IPv4 preferred.
void StartSock(Form1& form);

// Why the last lookup found no address that others could reach, in words
// for the status line ("the host name x cannot be found and no network
// interface has an address"); empty when it found one.
QString AddressProblem();

// The periodic refresh: when the address changed (and is not 0.0.0.0) the
// new one is kept and shown, and the connection watch runs at once.
void UpdateSock(Form1& form);

// The IP panel: the advertised address when it was found automatically
// (the local one in its tip), else the local address.
void ShowAddress(Form1& form);

// The [StartUp] "Public Address" field beside the IP panel.
QLineEdit* AddPublicAddressField(Form1& form);

} // namespace publish

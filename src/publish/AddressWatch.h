#pragma once

class Form1;

namespace publish {

// Keeps an automatic public address current: at start, every [StartUp]
// "Address Check Minutes" (5 unless set) and when the Public Address field
// changes. A new address arms the connection watch, as a new local address
// does, so the Auto Update profiles are republished.
void StartAddressWatch(Form1& form);

// One check now; true when the advertised address changed.
bool CheckPublicAddress(Form1& form, int maxAgeMs = 0);

} // namespace publish

#pragma once

class frmMemoSetup;

namespace memo {

// The "HTTPS" tab of Memo > Setup: how the memo port gets its certificate
// (off, the user's PEM files, or ACME) and the ACME server's details. Edits
// go into the live settings at once; OK saves them and puts them in force.
void AddHttpsTab(frmMemoSetup& setup);

} // namespace memo

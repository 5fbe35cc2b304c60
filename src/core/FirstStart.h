#pragma once

// When hvrn.ini does not exist yet, writes a working starter set beside the
// sample templates: the memo server on its usual port with a reply time-out
// and a sized memo form, and the Default profile pointing at the samples.
// An existing file is never touched; keys missing from it keep their defaults.
// Returns true when the starter set was written.
bool WriteStarterSettingsOnFirstStart();

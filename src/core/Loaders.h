#pragma once

class Form1;
class QString;

// The settings loaders of the main window. A check-mark key that cannot be
// read as a Boolean stops the loader there (logged under its name); the keys
// after it keep their current values.
void LoadProfiles(Form1& form);
void LoadProfileData(Form1& form, const QString& profile);
void LoadStartup(Form1& form);
void LoadPass(Form1& form);
// Asks the desktop keyring for the stored passwords (see PasswordVault);
// a one-shot run waits for the answer, a windowed one fills the password
// fields when it arrives.
void StartPasswordVault(Form1& form, bool oneShot);

// Profile > Save: writes the selected profile's fields to its section.
void SaveProfile(Form1& form);

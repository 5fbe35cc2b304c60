#pragma once

#include <QString>

// The text-to-Boolean conversion of check-mark settings: "True"/"False" in
// any letter case, or a number (0 is false, any other true). Anything else
// throws ProgramError(err::kTypeMismatch), which stops the calling loader.
bool TextToBool(const QString& text);

// A check mark read outside the settings loaders, where there is no loader
// to stop: a stored value that is not a Boolean keeps defaultValue.
bool ReadIniFlag(const QString& section, const QString& key, bool defaultValue);

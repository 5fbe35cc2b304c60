#pragma once

#include <QString>

// The text-to-Boolean conversion of check-mark settings: "True"/"False" in
// any letter case, or a number (0 is false, any other true). Anything else
// throws ProgramError(err::kTypeMismatch), which stops the calling loader.
bool TextToBool(const QString& text);

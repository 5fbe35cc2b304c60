#pragma once

#include <QString>

namespace platform {

// TLS on a connection that starts in plain text (FTP's AUTH TLS, POP3's
// STLS, SMTP's STARTTLS): off, when the server offers it, or required.
enum class StartTls { Off, Try, Require };

// A setting's text: "try" or "require" in any letter case; anything else,
// and an empty text, is off.
StartTls ParseStartTls(const QString& text);

} // namespace platform

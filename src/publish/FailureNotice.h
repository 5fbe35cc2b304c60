#pragma once

#include <QString>

class Form1;

namespace publish {

class Publisher;

// Publishes through publisher; when the publish was started by the program
// itself (the connection watch, Offline on Exit) and did not go through,
// tells the user with a desktop notification.
void UploadAndTell(Form1& form, Publisher& publisher, const QString& templatePath, const QString& status);

} // namespace publish

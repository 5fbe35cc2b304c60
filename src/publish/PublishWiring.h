#pragma once

class Form1;

// Status page publishing: fills the core's hooks (before the main window
// exists) and attaches the upload, profiles and address lookup to it.
void InstallPublishHooks();
void AttachPublishing(Form1& form);

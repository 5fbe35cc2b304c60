#pragma once

class Form1;

// The desktop utilities: launcher, help and about.
void InstallToolsHooks();
void AttachTools(Form1& form);

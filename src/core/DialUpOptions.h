#pragma once

class Form1;

// The Options items that steer the automatic actions, stored under [DialUp].
void ConnectDialUpOptions(Form1& form);

#pragma once

class Form1;

namespace publish {

// Timer3_Timer: with Auto Online on, publishes "Online" for every selected
// profile of the Auto Update list whose last published address differs
// from the current one or whose status is Offline.
void Timer3_Timer(Form1& form);

} // namespace publish

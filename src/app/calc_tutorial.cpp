// CalcApp: the tutorial. Not built yet: the device buttons, the about
// screen's help button and the tap dispatch call these, and until the
// tutorial exists its start only closes the about screen (tutorialActive_
// never becomes true).
#include "app/calc_app.h"

namespace abacine {

// The about screen's help button and, in shell mode, the device's A, B, C
// and Start buttons.
void CalcApp::toggleTutorial() {
  // Starting the tutorial closes the about screen.
  aboutOpen_ = false;
}

bool CalcApp::tapTutorial(int32_t /*x*/, int32_t /*y*/) { return false; }

}  // namespace abacine

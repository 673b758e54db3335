// CalcApp: the tutorial. Not built yet: the device buttons and the tap
// dispatch call these, and until the tutorial exists they do nothing
// (tutorialActive_ never becomes true).
#include "app/calc_app.h"

namespace abacine {

// The about screen's help button and, in shell mode, the device's A, B, C
// and Start buttons.
void CalcApp::toggleTutorial() {}

bool CalcApp::tapTutorial(int32_t /*x*/, int32_t /*y*/) { return false; }

}  // namespace abacine

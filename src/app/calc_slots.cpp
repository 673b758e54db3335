// CalcApp: answers, memory slots, the lock, the mode switches and the
// settings. Not built yet: the tap dispatch, the frame and the program's
// start and end already call these at their places, and until the slots
// exist they do nothing (slots stay empty and unlocked, modes at radians
// and decimal, nothing is loaded or saved).
#include "app/calc_app.h"

namespace abacine {

// Start-up, before the skin is loaded, after beforeLoadSettings.
void CalcApp::loadSettings() {}

// At exit.
void CalcApp::saveSettings() {}

// A tap on the answer display right of its left quarter, with an answer.
void CalcApp::storeAnswer() {}

// A tap on an occupied slot while layer 0 shows.
void CalcApp::useSlot(int32_t /*index*/) {}

// A tap on the answer display's left quarter.
void CalcApp::toggleLock() {}

// A tap on slot `index` while layer 1 shows.
void CalcApp::selectMode(int32_t /*index*/) {}

void CalcApp::drawSlotTexts() {}

}  // namespace abacine

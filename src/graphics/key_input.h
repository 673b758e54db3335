// KeyInput: the device's hardware game keys. It opens key input through the
// Game API, keeps the default codes of the eight game keys and hands out a
// key list whose four direction keys follow the display's requested
// orientation, so that "up" on a turned screen is still up for the user.
#pragma once

#include <array>
#include <cstdint>

#include "graphics/result_codes.h"

namespace abacine {

class GraphicsContext;

// The key list handed out, in this order. Each value is the stored 16-bit
// code widened with its sign; the first four are remapped for orientation.
struct GameKeyList {
  int32_t up = 0;
  int32_t down = 0;
  int32_t left = 0;
  int32_t right = 0;
  int32_t start = 0;
  int32_t a = 0;
  int32_t b = 0;
  int32_t c = 0;
};

// Stored codes, in the Game API's order.
enum GameKeyIndex : int { kKeyUp, kKeyDown, kKeyLeft, kKeyRight, kKeyA, kKeyB, kKeyC, kKeyStart };

// Remaps one direction key code k for system orientation `system` and
// requested display orientation `requested` (codes 1, 2, 4, 8); stored holds
// the codes in the Game API's order. Codes that are none of the four
// direction keys, and orientation pairs that share a bit or are unknown,
// leave k unchanged.
int32_t RemapDirectionKey(int32_t k, const std::array<int16_t, 8>& stored, int32_t system,
                          int32_t requested);

class KeyInput {
 public:
  // The orientations are read from the context's display state at each
  // GetKeyList; a null context counts as the hardware orientation.
  explicit KeyInput(GraphicsContext* context);
  virtual ~KeyInput();
  KeyInput(const KeyInput&) = delete;
  KeyInput& operator=(const KeyInput&) = delete;

  // Loads the Game API (kErrGameApiMissing), refuses a second open
  // (kErrKeyInputAlreadyOpen), opens its input and stores the default keys.
  ResultCode OpenKeyInput();
  // kErrKeyInputNotOpen when not open; else closes the Game API's input.
  ResultCode CloseKeyInput();
  // kErrInvalidArg for null, kErrKeyInputNotOpen when not open.
  ResultCode GetKeyList(GameKeyList* list) const;

  bool IsOpen() const { return open_; }
  const std::array<int16_t, 8>& StoredKeys() const { return keys_; }

 private:
  GraphicsContext* context_;
  std::array<int16_t, 8> keys_{};
  bool open_ = false;
};

}  // namespace abacine

#include "graphics/key_input.h"

#include "graphics/display.h"
#include "graphics/game_api.h"
#include "graphics/graphics_context.h"

namespace abacine {

int32_t RemapDirectionKey(int32_t k, const std::array<int16_t, 8>& stored, int32_t system,
                          int32_t requested) {
  const OrientationTurn turn = OrientationTurnOf(system, requested);
  if (turn == OrientationTurn::kNone) return k;
  const int32_t up = stored[kKeyUp], down = stored[kKeyDown];
  const int32_t left = stored[kKeyLeft], right = stored[kKeyRight];
  // What each key becomes, tried in the order left, right, up, down so that
  // a code shared by two keys is decided by the first.
  struct Becomes {
    int32_t left, right, up, down;
  };
  Becomes to{};
  switch (turn) {
    case OrientationTurn::kHalf: to = {right, left, down, up}; break;
    case OrientationTurn::kQuarterA: to = {down, up, left, right}; break;
    case OrientationTurn::kQuarterB: to = {up, down, right, left}; break;
    case OrientationTurn::kNone: return k;
  }
  if (k == left) return to.left;
  if (k == right) return to.right;
  if (k == up) return to.up;
  if (k == down) return to.down;
  return k;
}

KeyInput::KeyInput(GraphicsContext* context) : context_(context) {}

KeyInput::~KeyInput() {
  if (open_) CloseKeyInput();
}

ResultCode KeyInput::OpenKeyInput() {
  GameApiLibrary& api = GameApiLibrary::Instance();
  if (api.Load() != kOk) return kErrGameApiMissing;
  if (open_) return kErrKeyInputAlreadyOpen;
  api.OpenInput();
  const GXKeyList list = api.GetDefaultKeys(kGameApiLandscapeKeys);
  for (size_t i = 0; i < keys_.size(); ++i) keys_[i] = list.keys[i].key;
  open_ = true;
  return kOk;
}

ResultCode KeyInput::CloseKeyInput() {
  if (!open_) return kErrKeyInputNotOpen;
  GameApiLibrary::Instance().CloseInput();
  open_ = false;
  return kOk;
}

ResultCode KeyInput::GetKeyList(GameKeyList* list) const {
  if (list == nullptr) return kErrInvalidArg;
  if (!open_) return kErrKeyInputNotOpen;
  int32_t system = kOrientationNormal;
  int32_t requested = kOrientationNormal;
  if (context_ != nullptr && context_->State() != nullptr) {
    system = context_->State()->system_orientation;
    requested = context_->State()->requested_orientation;
  }
  list->up = RemapDirectionKey(keys_[kKeyUp], keys_, system, requested);
  list->down = RemapDirectionKey(keys_[kKeyDown], keys_, system, requested);
  list->left = RemapDirectionKey(keys_[kKeyLeft], keys_, system, requested);
  list->right = RemapDirectionKey(keys_[kKeyRight], keys_, system, requested);
  list->start = keys_[kKeyStart];
  list->a = keys_[kKeyA];
  list->b = keys_[kKeyB];
  list->c = keys_[kKeyC];
  return kOk;
}

}  // namespace abacine

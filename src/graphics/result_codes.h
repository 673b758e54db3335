// Result codes of the graphics layer and the framework around it. Every
// operation returns 0 for success and a negative 32-bit code for failure; the
// shared system codes (invalid argument, out of memory) sit beside the
// layer's own 0xC866xxxx range. Several codes are reused with different
// meanings by different objects (0xC8660080 is "no pixel buffer" on a surface
// and "display not open" on the display); each meaning has its own name here
// and the aliases are checked to agree. The one positive code, the late frame
// of the frame timer, is not a failure.
#pragma once

#include <cstdint>

namespace abacine {

using ResultCode = int32_t;

namespace detail {
constexpr ResultCode Code(uint32_t bits) { return static_cast<ResultCode>(bits); }
}  // namespace detail

inline constexpr ResultCode kOk = 0;

constexpr bool Succeeded(ResultCode code) { return code >= 0; }
constexpr bool Failed(ResultCode code) { return code < 0; }

// Shared system codes.
inline constexpr ResultCode kErrInvalidArg = detail::Code(0x80070057u);
inline constexpr ResultCode kErrOutOfMemory = detail::Code(0x8007000Eu);

// Surfaces and drawing.
inline constexpr ResultCode kErrNotLocked = detail::Code(0xC8660010u);
inline constexpr ResultCode kErrNoBitmap = detail::Code(0xC8660020u);
inline constexpr ResultCode kErrDeviceContextOut = detail::Code(0xC8660030u);
inline constexpr ResultCode kErrNoDeviceContext = detail::Code(0xC8660040u);
inline constexpr ResultCode kErrNoPixels = detail::Code(0xC8660080u);
inline constexpr ResultCode kErrDisplaySurface = detail::Code(0xC8660090u);
inline constexpr ResultCode kErrWrongDisplayState = detail::Code(0xC86600A0u);
inline constexpr ResultCode kErrLocked = detail::Code(0xC86600C0u);
inline constexpr ResultCode kErrBadRect = detail::Code(0xC86600E0u);
inline constexpr ResultCode kErrMemoryClassUnavailable = detail::Code(0xC8660130u);
inline constexpr ResultCode kErrNotVideoMemory = detail::Code(0xC8660140u);
inline constexpr ResultCode kErrReadOnlyTarget = detail::Code(0xC8660170u);

// Display.
inline constexpr ResultCode kErrNotSuspended = kErrNotLocked;          // Resume without Suspend
inline constexpr ResultCode kErrDisplayNotOpen = kErrNoPixels;         // also: window gone (full screen)
inline constexpr ResultCode kErrWindowedPresent = kErrWrongDisplayState;  // Present in windowed mode
inline constexpr ResultCode kErrDisplayAlreadyOpen = detail::Code(0xC86600B0u);
inline constexpr ResultCode kErrDisplayLocked = kErrLocked;            // primary locked or suspended
inline constexpr ResultCode kErrOrientationZero = detail::Code(0xC8660100u);
inline constexpr ResultCode kErrCannotOpenScreen = detail::Code(0xC8660110u);
inline constexpr ResultCode kErrGameApiMissing = detail::Code(0xC8660120u);
inline constexpr ResultCode kErrFeatureNotAvailable = kErrMemoryClassUnavailable;
inline constexpr ResultCode kErrSurfacesLost = detail::Code(0xC8660150u);

// Hardware key input.
inline constexpr ResultCode kErrKeyInputAlreadyOpen = detail::Code(0xC86600D0u);
inline constexpr ResultCode kErrKeyInputNotOpen = kErrNotLocked;

// Bitmap fonts and image decoding.
inline constexpr ResultCode kErrBadImageData = detail::Code(0xC8660070u);
inline constexpr ResultCode kErrGlyphMarkerMismatch = kErrBadImageData;

// Resource archive.
inline constexpr ResultCode kErrArchiveNotFound = kErrReadOnlyTarget;  // file missing or unopenable
inline constexpr ResultCode kErrArchiveNotOpen = detail::Code(0xC8660180u);
inline constexpr ResultCode kErrEntryNotFound = detail::Code(0xC8660190u);
inline constexpr ResultCode kErrArchiveBadMagic = detail::Code(0xC8660200u);
inline constexpr ResultCode kErrArchiveBadVersion = detail::Code(0xC8660210u);
inline constexpr ResultCode kErrDirectoryOverrun = detail::Code(0xC8660220u);
inline constexpr ResultCode kErrCompressedDataCorrupt = detail::Code(0xC8660240u);
inline constexpr ResultCode kErrEntryNotOpen = detail::Code(0xC8660250u);
inline constexpr ResultCode kErrZlibVersion = detail::Code(0xC8660260u);
inline constexpr ResultCode kErrEntriesStillOpen = detail::Code(0xC8660270u);

// Frame timer: the frame ran late. Positive, so not a failure.
inline constexpr ResultCode kLateFrame = detail::Code(0x486600F0u);

static_assert(Failed(kErrInvalidArg) && Failed(kErrOutOfMemory) && Failed(kErrNoPixels));
static_assert(Succeeded(kLateFrame) && kLateFrame != kOk);
static_assert(kErrDisplayNotOpen == detail::Code(0xC8660080u));
static_assert(kErrFeatureNotAvailable == detail::Code(0xC8660130u));
static_assert(kErrArchiveNotFound == detail::Code(0xC8660170u));

}  // namespace abacine

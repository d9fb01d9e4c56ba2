// The device family this build of the program is for. The same sources
// build for touch-screen devices (WIN32_PLATFORM_PSPC) and for keypad
// devices (WIN32_PLATFORM_WFSP); they differ only where this is tested.
#ifndef KELVANE_UI_DEVICE_FAMILY_H
#define KELVANE_UI_DEVICE_FAMILY_H

#if defined(WIN32_PLATFORM_PSPC) == defined(WIN32_PLATFORM_WFSP)
#error "build for exactly one device family: WIN32_PLATFORM_PSPC or WIN32_PLATFORM_WFSP"
#endif

#ifdef WIN32_PLATFORM_PSPC
constexpr bool kTouchScreenBuild = true;
#else
constexpr bool kTouchScreenBuild = false;
#endif

#endif
